// The SIP host module library answering T.38 calls on the loopback: the library is loaded as the
// framework loads it, a host thread answers every media offer at once, and a client of this
// program sends the INVITEs, ACKs and BYEs over UDP. Measured: the time from INVITE to 200 OK
// with 1 call and with 4 calls (the example's number_of_channels) at once, and whole calls a
// second with 4 in flight. Baseline: a datagram's round trip through a thread on the loopback,
// the floor of any exchange the stack makes.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChannels = 4;

int BoundSocket(uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

uint16_t FreePort() {
  uint16_t port = 0;
  const int fd = BoundSocket(port);
  close(fd);
  return port;
}

const uint16_t g_sip_port = FreePort();

// The library's configuration keys, as the framework's callback gives them.
int32_t Key(const char* name, int32_t* size, char* buffer) {
  std::string value;
  if (strcmp(name, "local_address") == 0) value = "127.0.0.1";
  if (strcmp(name, "sip_port") == 0) value = std::to_string(g_sip_port);
  if (strcmp(name, "max_calls") == 0) value = std::to_string(kChannels);
  if (value.empty() || static_cast<int32_t>(value.size()) >= *size) {
    *size = value.empty() ? 0 : static_cast<int32_t>(value.size() + 1);
    return value.empty() ? 0 : -1;
  }
  memcpy(buffer, value.c_str(), value.size() + 1);
  *size = static_cast<int32_t>(value.size());
  return 1;
}

// The library, opened once, and the host thread that answers its offers.
struct Host {
  uint16_t sip_port = g_sip_port;
  CIPI_GetEvent_t get = nullptr;
  CIPI_SendCommand_t send = nullptr;
  CIPI_CloseLibrary_t close = nullptr;
  std::atomic<bool> running{true};
  std::thread thread;
  bool ok = false;

  Host() {
    void* library = dlopen(TARROWSIP_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto open = reinterpret_cast<CIPI_OpenLibrary_t>(dlsym(library, "CIPI_OpenLibrary"));
    get = reinterpret_cast<CIPI_GetEvent_t>(dlsym(library, "CIPI_GetEvent"));
    send = reinterpret_cast<CIPI_SendCommand_t>(dlsym(library, "CIPI_SendCommand"));
    close = reinterpret_cast<CIPI_CloseLibrary_t>(dlsym(library, "CIPI_CloseLibrary"));
    char version[CIPI_INFO_TEXT_SIZE];
    ok = open && get && send && close && open(nullptr, Key, -1, version) == 0;
    if (ok) thread = std::thread([this] { Answer(); });
  }

  ~Host() {
    if (!ok) return;
    running = false;
    thread.join();
    close(-1);
  }

  void Command(uint32_t command, uint32_t call, const void* data, uint32_t length) {
    std::vector<uint8_t> record(sizeof(CIPI_CommandHeader) + length);
    const CIPI_CommandHeader header{command, call, length};
    memcpy(record.data(), &header, sizeof header);
    if (length) memcpy(record.data() + sizeof header, data, length);
    send(record.data());
  }

  // Every offer is answered with the offered medium at our own address and port.
  void Answer() {
    std::vector<uint8_t> buffer(CIPI_EVENT_SIZE);
    while (running) {
      if (get(100, buffer.data()) != 0) continue;
      CIPI_EventHeader header;
      memcpy(&header, buffer.data(), sizeof header);
      CIPI_MediaDescription media;
      if (header.event != Event_CIPI_MediaOffer || header.length < sizeof media) continue;
      memcpy(&media, buffer.data() + sizeof header, sizeof media);
      memset(media.address, 0, sizeof media.address);
      media.port = 0;
      Command(Command_CIPI_MediaAnswer, header.call, &media, sizeof media);
      Command(Command_CIPI_Answer, header.call, nullptr, 0);
    }
  }
};

Host& TheHost() {
  static Host host;
  return host;
}

// A SIP user agent of the simplest kind: calls numbered by the benchmark, one request at a time
// each, their responses told apart by Call-ID and CSeq.
class Client {
 public:
  explicit Client(uint16_t target) : target_(target) { fd_ = BoundSocket(port_); }
  ~Client() { close(fd_); }

  void Invite(int call) {
    const std::string sdp =
        "v=0\r\no=bench 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
        "m=image 6000 udptl t38\r\na=T38FaxVersion:0\r\na=T38MaxBitRate:14400\r\n"
        "a=T38FaxRateManagement:transferredTCF\r\na=T38FaxUdpEC:t38UDPRedundancy\r\n";
    Send(Request("INVITE", call, 1, "") + "Content-Type: application/sdp\r\nContent-Length: " +
         std::to_string(sdp.size()) + "\r\n\r\n" + sdp);
  }

  void Hangup(int call, const std::string& to_tag) {
    Send(Request("ACK", call, 1, to_tag) + "Content-Length: 0\r\n\r\n");
    Send(Request("BYE", call, 2, to_tag) + "Content-Length: 0\r\n\r\n");
  }

  // The next final response to `method`: its call, status and the To tag; false on silence.
  bool Final(const char* method, int& call, int& status, std::string& to_tag) {
    char text[4096];
    for (;;) {
      pollfd ready{fd_, POLLIN, 0};
      if (poll(&ready, 1, 2000) <= 0) return false;
      const ssize_t got = recv(fd_, text, sizeof text - 1, 0);
      if (got <= 0) return false;
      text[got] = '\0';
      status = atoi(text + 8);
      const char* id = strstr(text, "Call-ID: bench-");
      const char* cseq = strstr(text, "CSeq: ");
      if (strncmp(text, "SIP/2.0 ", 8) != 0 || status < 200 || !id || !cseq ||
          !strstr(cseq, method)) {
        continue;
      }
      call = atoi(id + 15);
      const char* tag = strstr(text, ";tag=");
      const char* to = strstr(text, "\nTo:");
      tag = to ? strstr(to, ";tag=") : tag;
      to_tag = tag ? std::string(tag + 5, strcspn(tag + 5, "\r\n;>")) : "";
      return true;
    }
  }

 private:
  std::string Request(const char* method, int call, int cseq, const std::string& to_tag) {
    const std::string me = "127.0.0.1:" + std::to_string(port_);
    const std::string uri = "sip:fax@127.0.0.1:" + std::to_string(target_);
    return std::string(method) + " " + uri + " SIP/2.0\r\nVia: SIP/2.0/UDP " + me +
           ";branch=z9hG4bK-" + method + std::to_string(++branch_) + "\r\nFrom: <sip:bench@" + me +
           ">;tag=b" + std::to_string(call) + "\r\nTo: <" + uri + ">" +
           (to_tag.empty() ? "" : ";tag=" + to_tag) + "\r\nCall-ID: bench-" + std::to_string(call) +
           "@127.0.0.1\r\nCSeq: " + std::to_string(cseq) + " " + method +
           "\r\nContact: <sip:bench@" + me + ">\r\nMax-Forwards: 70\r\n";
  }

  void Send(const std::string& message) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(target_);
    (void)sendto(fd_, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
  }

  uint16_t target_;
  uint16_t port_ = 0;
  int fd_ = -1;
  uint64_t branch_ = 0;
};

// `calls` INVITEs sent at once, answered, then hung up: the seconds until the last 200 OK, or a
// negative number when a call was not answered.
double AnswerCalls(Client& client, int& next_call, int calls) {
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) client.Invite(next_call + i);
  std::vector<std::string> tags(static_cast<size_t>(calls));
  double seconds = 0;
  for (int answered = 0; answered < calls; ++answered) {
    int call = 0, status = 0;
    std::string tag;
    if (!client.Final("INVITE", call, status, tag) || status != 200 || call < next_call ||
        call >= next_call + calls) {
      return -1;
    }
    tags[static_cast<size_t>(call - next_call)] = tag;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  for (int i = 0; i < calls; ++i) client.Hangup(next_call + i, tags[static_cast<size_t>(i)]);
  for (int ended = 0; ended < calls; ++ended) {
    int call = 0, status = 0;
    std::string tag;
    if (!client.Final("BYE", call, status, tag)) return -1;
  }
  next_call += calls;
  return seconds;
}

void BM_InviteTo200(benchmark::State& state) {
  Host& host = TheHost();
  if (!host.ok) return state.SkipWithError("the SIP library did not open");
  Client client(host.sip_port);
  static int next_call = 1;
  const int calls = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const double seconds = AnswerCalls(client, next_call, calls);
    if (seconds < 0) return state.SkipWithError("a call was not answered");
    state.SetIterationTime(seconds);
  }
  state.counters["calls_at_once"] = calls;
}
BENCHMARK(BM_InviteTo200)->Arg(1)->Arg(kChannels)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_CallsPerSecond(benchmark::State& state) {
  Host& host = TheHost();
  if (!host.ok) return state.SkipWithError("the SIP library did not open");
  Client client(host.sip_port);
  static int next_call = 1000000;
  for (auto _ : state) {
    if (AnswerCalls(client, next_call, kChannels) < 0) {
      return state.SkipWithError("a call was not answered");
    }
  }
  state.counters["calls_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kChannels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CallsPerSecond)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: a datagram to a thread that sends it back.
void BM_LoopbackRoundTrip(benchmark::State& state) {
  uint16_t echo_port = 0, port = 0;
  const int echo = BoundSocket(echo_port);
  const int fd = BoundSocket(port);
  std::thread echoing([echo] {
    char byte[512];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    for (;;) {
      const ssize_t got =
          recvfrom(echo, byte, sizeof byte, 0, reinterpret_cast<sockaddr*>(&from), &size);
      if (got <= 1) return;
      sendto(echo, byte, static_cast<size_t>(got), 0, reinterpret_cast<sockaddr*>(&from), size);
    }
  });
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(echo_port);
  char message[400] = "INVITE";
  for (auto _ : state) {
    sendto(fd, message, sizeof message, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    recv(fd, message, sizeof message, 0);
  }
  sendto(fd, message, 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  echoing.join();
  close(fd);
  close(echo);
}
BENCHMARK(BM_LoopbackRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
