// Arbitrary bytes as a configuration file: parsed with escaping off and on, read and written by
// paths taken from the file itself, stored and parsed again. Nothing may crash, leak or loop.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "cfg/cfg_configuration.h"

namespace {

using vtx::cfg::cfgConfiguration;
using vtx::cfg::cfgString;
using vtx::cfg::cfgTextFile;

int Quiet(int kind, const vtx::cfg::cfgMessage* message) {
  // Touch the text so that a bad format or record shows up under the sanitizers.
  volatile size_t length = std::string(message->text).size();
  (void)length;
  return kind == cfgConfiguration::kError && message->errors > 3;
}

// The files live in memory where the system offers it: a disk would set the pace.
std::string TempName(const char* what) {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/fuzz_cfg_text_" + std::to_string(getpid()) + "_" + what;
}

void Exercise(const std::string& input, const std::string& output, bool escape) {
  cfgConfiguration config(1, 0xF, Quiet, nullptr, '=', escape);
  cfgTextFile in(input.c_str());
  if (!in.open(cfgTextFile::kRead) || !in.readAll()) return;
  config.parse(in);
  in.close();

  // Paths made of the file's own lines drive reads, writes and deletes into every corner.
  cfgTextFile lines(input.c_str());
  lines.open(cfgTextFile::kRead);
  lines.readAll();
  for (size_t i = 0; i < lines.lineCount() && i < 16; ++i) {
    const char* path = lines.line(i).c_str();
    cfgString value;
    config.read(path, value, i % 2 == 0);
    switch (i % 4) {
      case 0:
        config.write(path, "v a\\l\"");
        break;
      case 1:
        config.setCurrentSection(path);
        break;
      case 2:
        config.deleteSubsection(path);
        break;
      default:
        config.write(path, static_cast<long>(i));
    }
  }
  size_t index = 0;
  cfgString name;
  while (config.nextSubsection(name, index)) {
  }

  cfgTextFile out(output.c_str());
  out.open(cfgTextFile::kWrite);
  config.store(out, true);
  config.dump(out);
  out.close();

  cfgConfiguration again(1, 0xF, Quiet, nullptr, '=', escape);
  again.parseFile(output.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = TempName("in");
  static const std::string output = TempName("out");
  std::FILE* file = std::fopen(input.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  Exercise(input, output, false);
  Exercise(input, output, true);
  return 0;
}
