// Arbitrary bytes as a dialling database file and a dialled number. The first byte gives the
// length of the number that follows it (at most 63 bytes), the next byte the mode bits of the
// rules and which outcome the update reports; the rest is the file. The file is written to
// memory-backed /dev/shm when there is one, as rewriting a disk file every run is slow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "api/line.h"
#include "lineconfig/country_params.h"
#include "trace/api_log.h"
#include "vtx.h"

namespace {

int CountRecord(const uint8_t* /*record*/, void* arg) {
  ++*static_cast<size_t*>(arg);
  return 0;
}

void Prepare(VtxDialArgs* args, const std::string& file, const std::string& number) {
  *args = VtxDialArgs{};
  snprintf(args->texts.db_file, sizeof args->texts.db_file, "%s", file.c_str());
  snprintf(args->texts.raw_number, sizeof args->texts.raw_number, "%s", number.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/fuzz_dialdb_" + std::to_string(getpid()) + ".db";
  static const uint32_t quiet = vtx::trace::ExchangeMask(0);
  (void)quiet;
  CV_API_SET_VER();
  if (size < 2) return 0;
  const size_t number_len = data[0] % 64;
  if (size < 2 + number_len) return 0;
  const std::string number(reinterpret_cast<const char*>(data + 1), number_len);
  const uint8_t control = data[1 + number_len];
  const size_t at = 2 + number_len;

  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  fwrite(data + at, 1, size - at, file);
  fclose(file);

  VtxLine line;
  line.config.settings = vtx::kDefaultLineSettings;
  line.config.settings.country_code = (control & 0x80) != 0 ? 0x810 : 0x10;
  line.ordinal = control & 7;
  vtx::SetDefaultCountryParams(&line);
  line.config.country[174] = static_cast<uint8_t>(((control >> 3) & 0x0F) | 1);

  VtxDialArgs args;
  size_t records = 0;
  Prepare(&args, path, number);
  args.db_func = CountRecord;
  args.arg = &records;
  VtxDialDBList(&args);
  Prepare(&args, path, number);
  VtxDialDBCheck(&line, &args);
  static const VtxResult kOutcomes[] = {{0, 301}, {0, 317}, {0, 339}, {4, 3}};
  Prepare(&args, path, number);
  args.db_res = (control & 0x40) != 0 ? nullptr : &kOutcomes[(control >> 1) & 3];
  VtxDialDBUpdate(&line, &args);
  unlink(path.c_str());
  return 0;
}
