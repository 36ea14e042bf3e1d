// Firmware download throughput of a 4 MB image, inside the process and through the daemon,
// against the baseline of writing the same bytes in the same pieces over a Unix stream socket
// to a reader that only drains them.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "admin.h"
#include "api/line.h"
#include "bench/simulated_machine.h"
#include "sim/embedded.h"

namespace {

constexpr size_t kImageSize = 4 << 20;
constexpr size_t kPiece = 8048;  // what the library reads and sends at a time

std::vector<uint8_t> Image() {
  std::vector<uint8_t> image(kImageSize);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(kImageSize - 4));
  for (size_t i = 0; i < 4; ++i) image[kImageSize - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
  return image;
}

std::string ImageFile() {
  static const std::string path = [] {
    const std::string name = "/tmp/tarrow-bench-image-" + std::to_string(getpid()) + ".bin";
    const std::vector<uint8_t> image = Image();
    FILE* file = fopen(name.c_str(), "wb");
    if (file != nullptr) {
      fwrite(image.data(), 1, image.size(), file);
      fclose(file);
    }
    return name;
  }();
  return path;
}

void Downloads(benchmark::State& state) {
  const std::string path = ImageFile();
  VtxLineArgs attach{};
  attach.dest_addr[0] = MILL_FACILITY_ADMIN;
  attach.dest_addr[1] = 1;
  attach.dest_addr[2] = 2;
  VtxLine* line = VtxSessionAttach(&attach);
  if (line == nullptr) {
    state.SkipWithError("attach failed");
    return;
  }
  vtx::SetCapability(line, 73);
  for (auto _ : state) {
    VtxFirmwareArgs args{};
    args.fname = path.c_str();
    args.dl_type = 3;
    if (VtxFirmwareDownload(line, &args) != 0) {
      state.SkipWithError("download failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageSize));
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
}

void BM_DownloadEmbedded(benchmark::State& state) {
  bench::OnEmbeddedMachine(sim::Machine::Default(), [&](sim::Machine&) { Downloads(state); });
}
BENCHMARK(BM_DownloadEmbedded)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DownloadThroughDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, sim::Machine::Default(), "fw",
                       [&](sim::Machine&) { Downloads(state); });
}
BENCHMARK(BM_DownloadThroughDaemon)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: the image's bytes in the same pieces over a Unix stream socket, drained by a
// reader thread.
void BM_PlainSocketWrite(benchmark::State& state) {
  const std::vector<uint8_t> image = Image();
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
    state.SkipWithError("socketpair failed");
    return;
  }
  std::thread reader([fd = fds[1]] {
    std::vector<uint8_t> buffer(64 * 1024);
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
  });
  for (auto _ : state) {
    for (size_t sent = 0; sent < image.size();) {
      const size_t piece = image.size() - sent < kPiece ? image.size() - sent : kPiece;
      const ssize_t wrote = write(fds[0], image.data() + sent, piece);
      if (wrote <= 0) break;
      sent += static_cast<size_t>(wrote);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageSize));
  close(fds[0]);
  reader.join();
  close(fds[1]);
}
BENCHMARK(BM_PlainSocketWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(ImageFile().c_str());  // made on first use; made here if no download ran
  return 0;
}
