// Where a DLL would come from and whether its file may be trusted to run code here: on Windows,
// no group of ordinary users may change the file or its folder.
#include <windows.h>
// clang-format off
#include <aclapi.h>
// clang-format on

#include <string>

#include "os/library.h"
#include "os/program.h"

namespace os {
namespace {

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

constexpr ACCESS_MASK kChanges =
    FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | DELETE;

// "" when none of the groups every user belongs to may change `path`; otherwise why.
std::string WritableByOthers(const std::string& path, const char* what) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return path + ": its permissions cannot be read";
  }
  std::string problem;
  if (acl == nullptr) problem = std::string(what) + " " + path + " may be changed by everyone";
  const struct {
    WELL_KNOWN_SID_TYPE type;
    const char* name;
  } groups[] = {{WinWorldSid, "everyone"},
                {WinAuthenticatedUserSid, "every signed-in user"},
                {WinBuiltinUsersSid, "the group Users"}};
  for (const auto& group : groups) {
    if (!problem.empty()) break;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!CreateWellKnownSid(group.type, nullptr, sid, &size)) continue;
    TRUSTEE_A trustee{};
    BuildTrusteeWithSidA(&trustee, sid);
    ACCESS_MASK rights = 0;
    if (GetEffectiveRightsFromAclA(acl, &trustee, &rights) == ERROR_SUCCESS &&
        (rights & kChanges)) {
      problem = std::string(what) + " " + path + " may be changed by " + group.name;
    }
  }
  LocalFree(descriptor);
  return problem;
}

}  // namespace

std::string LocateLibrary(const std::string& name) {
  if (PathHasFolder(name)) return IsFile(name) ? name : "";
  const std::string beside = LibraryDirectory();
  if (!beside.empty() && IsFile(beside + "\\" + name)) return beside + "\\" + name;
  char found[MAX_PATH * 4];
  const DWORD length = SearchPathA(nullptr, name.c_str(), nullptr, sizeof found, found, nullptr);
  return length > 0 && length < sizeof found ? std::string(found, length) : "";
}

std::string UntrustedFileReason(const std::string& path) {
  char full[MAX_PATH * 4];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full || !IsFile(full)) return path + ": no such file";
  const std::string file(full, length);
  std::string problem = WritableByOthers(file, "the file");
  if (!problem.empty()) return problem;
  return WritableByOthers(file.substr(0, file.find_last_of("\\/")), "its folder");
}

}  // namespace os
