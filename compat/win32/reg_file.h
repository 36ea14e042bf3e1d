// The registry as a text file in the REGEDIT4 format of the registry editor:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Corvane Technology\DevicePropertyPage\crvnTdevpp]
//   "LaunchConfigToolOption"=dword:00000000
//   "ConfigToolName"="DEFAULT"
//   "Folder"="C:\\Tools\\"
//   "Raw"=hex:01,02,\   (the backslash ends the line: the bytes go on on the next one)
//     03
//   @="the key's default value"
//
// Strings are REG_SZ, "dword:" REG_DWORD, "hex:" REG_BINARY and "hex(N):" type N. Keys and value
// names compare without regard to case; ";" begins a comment line; a line ending in "\" goes on
// on the next one; "[-KEY]" and "NAME"=- remove. Lines that cannot be read are skipped.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace win32compat {

struct RegValue {
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

class RegistryFile {
 public:
  using Values = std::map<std::string, RegValue>;

  // Reads the text; false (and nothing read) when it does not begin with the REGEDIT4 line.
  bool Parse(std::string_view text);

  // A key exists when the file names it or a key below it. `path` begins with the root's name.
  bool HasKey(std::string_view path) const;
  // The values of a key, null when it has none.
  const Values* FindValues(std::string_view path) const;
  size_t KeyCount() const { return keys_.size(); }

 private:
  void ParseLine(std::string_view line, std::string& key);

  std::map<std::string, Values> keys_;  // by lower-case path
};

// The file that holds the registry: $CRVN_REGISTRY, else /etc/corvane/registry.reg.
std::string RegistryFilePath();
// The lower-case form under which keys and value names are kept.
std::string FoldCase(std::string_view text);

}  // namespace win32compat
