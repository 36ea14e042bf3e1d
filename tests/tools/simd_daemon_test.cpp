// tarrow-simd as other processes meet it: what it refuses to replace, who may connect, the
// limits a client runs into, and clients that die or wait while the daemon stops.
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "os/driver.h"
#include "tests/support/program.h"
#include "tests/tools/simd_process.h"
#include "vtx.h"

namespace vtx::testing {
namespace {

constexpr uint8_t kOwnAddress[4] = {0x40, 0x03, 0x01, 0x55};

bool Exited(int status, int code) {
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

// Waits up to five seconds for `text` in the daemon's log.
bool LogSays(const SimdProcess& simd, const std::string& text) {
  for (int i = 0; i < 500; ++i) {
    if (simd.Log().find(text) != std::string::npos) return true;
    usleep(10000);
  }
  return false;
}

// A session with the own address kOwnAddress on a connection of this process: its driver status.
uint32_t CreateSession(int handle) {
  VtxDrvSessionBlock block{};
  memcpy(block.address, kOwnAddress, 4);
  if (os::DeviceRequest(handle, VTX_DRV_SESSION_CREATE, &block) != 0) return 0xFFFFFFFF;
  return block.drv_status;
}

// A child process that holds a session with kOwnAddress and waits without limit for a packet:
// its pid once its session exists (-1 if it failed). It exits 0 when the wait ended because the
// daemon went away.
pid_t WaitingClient(const std::string& socket) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid != 0) {
    close(ready[1]);
    char byte;
    const bool made = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    return made ? pid : -1;
  }
  close(ready[0]);
  os::SetDriverForTesting(os::MakeDaemonTransport(socket));
  int handle = os::DeviceOpen(VTX_DRIVER_DEVICE);
  VtxDrvSessionBlock session{};
  memcpy(session.address, kOwnAddress, 4);
  if (handle < 0 || os::DeviceRequest(handle, VTX_DRV_SESSION_CREATE, &session) != 0 ||
      session.drv_status != GDI_STS_OK) {
    _exit(2);
  }
  [[maybe_unused]] ssize_t n = write(ready[1], "r", 1);
  uint8_t buffer[MILL_RECEIVE_BUFFER];
  VtxDrvMsgBlock receive{};
  receive.session = session.session;
  receive.buffer = buffer;
  receive.length = sizeof buffer;
  receive.timeout_ms = 0xFFFFFFFF;
  const int result = os::DeviceRequest(handle, VTX_DRV_MSG_RECEIVE, &receive);
  _exit(result == -1 && errno == EIO ? 0 : 3);
}

TEST(SimdDaemon, HelpVersionAndUsageErrors) {
  const std::string simd = std::string(TARROW_BINARY_DIR) + "/bin/tarrow-simd";
  std::string out;
  EXPECT_EQ(RunCommand(simd + " -h", &out), 0);
  EXPECT_NE(out.find("--max-clients N"), std::string::npos) << out;
  EXPECT_NE(out.find("example: "), std::string::npos) << out;
  EXPECT_EQ(RunCommand(simd + " --version", &out), 0);
  EXPECT_EQ(out.rfind("tarrow-simd 5.", 0), 0u) << out;
  EXPECT_EQ(RunCommand(simd + " --bogus 2>&1", &out), 2);
  EXPECT_NE(out.find("unrecognized option '--bogus'"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(simd + " --max-clients 0x 2>&1", &out), 2);
  EXPECT_NE(out.find("'--max-clients': expected a positive number"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(simd + " --socket 2>&1", &out), 2);
  EXPECT_NE(out.find("requires an argument"), std::string::npos) << out;
}

TEST(SimdDaemon, ReplacesOnlyAStaleSocket) {
  TempDir dir("simd");
  SimdProcess simd(dir);
  { std::ofstream(simd.socket()) << "keep me"; }
  EXPECT_TRUE(Exited(simd.Start({}), 1));
  EXPECT_NE(simd.Log().find("exists and is not a socket"), std::string::npos) << simd.Log();
  EXPECT_EQ(ReadFileBytes(simd.socket()), "keep me");
  unlink(simd.socket().c_str());

  // A socket that nobody listens on any more is stale and replaced.
  int stale = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  strncpy(address.sun_path, simd.socket().c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(stale);
  ASSERT_EQ(simd.Start({}), -1) << simd.Log();

  // A second daemon on the live socket is refused and the first keeps serving.
  SimdProcess second(dir, "second.log");
  EXPECT_TRUE(Exited(second.Start({}), 1)) << second.Log();
  EXPECT_NE(second.Log().find("address already in use"), std::string::npos) << second.Log();
  int fd = ConnectTo(simd.socket());
  EXPECT_EQ(OpenOn(fd), 0);
  close(fd);
  EXPECT_TRUE(Exited(simd.Stop(), 0));
  struct stat info {};
  EXPECT_NE(lstat(simd.socket().c_str(), &info), 0) << "the daemon removes its socket";
}

TEST(SimdDaemon, OnlyItsOwnUserRootAndItsGroupConnect) {
  ASSERT_EQ(geteuid(), 0u) << "the test runs a client as another user";
  TempDir dir("simd");
  chmod(dir.path().c_str(), 0755);
  SimdProcess simd(dir);
  ASSERT_EQ(simd.Start({"-v"}, [] { umask(0); }), -1) << simd.Log();
  struct stat info {};
  ASSERT_EQ(lstat(simd.socket().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "whatever the umask";

  // Another user reaches the socket only through a mode it does not have; the daemon checks the
  // peer itself, so the client is refused even where the file would let it in.
  chmod(simd.socket().c_str(), 0666);
  auto open_as_nobody = [&] {
    pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
      int fd = ConnectTo(simd.socket());
      _exit(fd < 0 ? 101 : OpenOn(fd) == EACCES ? 0 : 102);
    }
    return WaitFor(child, 5000);
  };
  EXPECT_TRUE(Exited(open_as_nobody(), 0));
  EXPECT_TRUE(LogSays(simd, "refused pid")) << simd.Log();
  int fd = ConnectTo(simd.socket());
  EXPECT_EQ(OpenOn(fd), 0) << "root may connect";
  close(fd);
  EXPECT_TRUE(LogSays(simd, "disconnected")) << simd.Log();
  EXPECT_TRUE(Exited(simd.Stop(), 0));

  const group* nogroup = getgrgid(65534);
  if (nogroup == nullptr) return;
  ASSERT_EQ(simd.Start({"--group", nogroup->gr_name}), -1) << simd.Log();
  ASSERT_EQ(lstat(simd.socket().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0660u);
  EXPECT_EQ(info.st_gid, 65534u);
  pid_t member = fork();
  if (member == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    int member_fd = ConnectTo(simd.socket());
    _exit(member_fd >= 0 && OpenOn(member_fd) == 0 ? 0 : 101);
  }
  EXPECT_TRUE(Exited(WaitFor(member, 5000), 0)) << "a member of the group may connect";
}

TEST(SimdDaemon, EachLimitRefusesOnlyTheClientBeyondIt) {
  TempDir dir("simd");
  SimdProcess simd(dir);
  ASSERT_EQ(simd.Start({"--max-clients", "3", "--frame-timeout", "300", "--max-frame", "1000"}), -1)
      << simd.Log();
  int held[3];
  for (int& fd : held) {
    fd = ConnectTo(simd.socket());
    EXPECT_EQ(OpenOn(fd), 0);
  }
  int beyond = ConnectTo(simd.socket());
  EXPECT_EQ(OpenOn(beyond), EAGAIN) << "one connection too many is refused";
  close(beyond);
  EXPECT_TRUE(LogSays(simd, "too many connections")) << simd.Log();

  // A frame larger than the largest accepted ends its connection.
  const uint8_t too_large[4] = {0xE9, 0x03, 0, 0};  // 1001 bytes announced
  ASSERT_EQ(write(held[0], too_large, 4), 4);
  sim::wire::Bytes answer;
  EXPECT_FALSE(sim::ReadFrame(held[0], answer));
  close(held[0]);
  EXPECT_TRUE(LogSays(simd, "a frame of 1001 bytes (at most 1000)")) << simd.Log();

  // Half a frame, then nothing: the connection is closed after the time-out.
  const uint8_t half[7] = {20, 0, 0, 0, 'R', 0, 0};
  ASSERT_EQ(write(held[1], half, sizeof half), 7);
  pollfd closed{held[1], POLLIN, 0};
  ASSERT_EQ(poll(&closed, 1, 5000), 1);
  char byte;
  EXPECT_EQ(read(held[1], &byte, 1), 0);
  close(held[1]);
  EXPECT_TRUE(LogSays(simd, "idle for 300 ms inside a frame")) << simd.Log();

  // The freed places serve new clients; the idle connection was never disturbed.
  int again = -1;
  for (int i = 0; i < 100 && again < 0; ++i) {
    int fd = ConnectTo(simd.socket());
    if (OpenOn(fd) == 0) {
      again = fd;
    } else {
      close(fd);
      usleep(20000);
    }
  }
  EXPECT_GE(again, 0);
  VtxDriverVersion version{};
  sim::wire::Bytes request;
  sim::wire::EncodeRequest(VTX_DRV_GET_VERSION, &version, request);
  request.insert(request.begin(), sim::kFrameRequest);
  ASSERT_TRUE(sim::WriteFrame(held[2], request.data(), request.size()));
  ASSERT_TRUE(sim::ReadFrame(held[2], answer));
  EXPECT_EQ(sim::wire::DecodeResponse(VTX_DRV_GET_VERSION, answer, &version), 0);
  EXPECT_EQ(version.interface_version, 30u);
  close(held[2]);
  close(again);
}

// The CPU time the process has used, in clock ticks.
long CpuTicks(pid_t pid) {
  std::string stat = ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
  size_t end = stat.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(end + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
  long user = 0, system = 0;
  fields >> user >> system;
  return user + system;
}

TEST(SimdDaemon, AtTheFileLimitItNeitherSpinsNorStopsServing) {
  TempDir dir("simd");
  SimdProcess simd(dir);
  ASSERT_EQ(simd.Start({"--max-clients", "100"},
                       [] {
                         rlimit limit{16, 16};
                         setrlimit(RLIMIT_NOFILE, &limit);
                       }),
            -1)
      << simd.Log();
  std::vector<int> clients;
  for (int i = 0; i < 24; ++i) clients.push_back(ConnectTo(simd.socket()));
  EXPECT_TRUE(LogSays(simd, "out of file descriptors")) << simd.Log();
  const long before = CpuTicks(simd.pid());
  usleep(500000);
  const long used = CpuTicks(simd.pid()) - before;
  EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 4) << "the accept loop must not spin";
  for (int fd : clients) close(fd);
  bool served = false;
  for (int i = 0; i < 100 && !served; ++i) {
    int fd = ConnectTo(simd.socket());
    served = OpenOn(fd) == 0;
    close(fd);
    if (!served) usleep(20000);
  }
  EXPECT_TRUE(served) << simd.Log();
}

TEST(SimdDaemon, AClientKilledInAnUnlimitedWaitLeavesNoSession) {
  TempDir dir("simd");
  SimdProcess simd(dir);
  ASSERT_EQ(simd.Start({}), -1) << simd.Log();
  const pid_t client = WaitingClient(simd.socket());
  ASSERT_GT(client, 0);
  kill(client, SIGKILL);
  waitpid(client, nullptr, 0);

  // Its own address is free again once the daemon has seen it go.
  os::SetDriverForTesting(os::MakeDaemonTransport(simd.socket()));
  int handle = os::DeviceOpen(VTX_DRIVER_DEVICE);
  ASSERT_GE(handle, 0);
  uint32_t status = GDI_STS_ADDRESS_IN_USE;
  for (int i = 0; i < 250 && status == GDI_STS_ADDRESS_IN_USE; ++i) {
    status = CreateSession(handle);
    if (status == GDI_STS_ADDRESS_IN_USE) usleep(20000);
  }
  EXPECT_EQ(status, GDI_STS_OK);
  os::DeviceClose(handle);
  os::SetDriverForTesting(nullptr);
}

TEST(SimdDaemon, SigtermEndsItWhileAClientWaitsAndTheClientIsTold) {
  TempDir dir("simd");
  SimdProcess simd(dir);
  ASSERT_EQ(simd.Start({}), -1) << simd.Log();
  const pid_t client = WaitingClient(simd.socket());
  ASSERT_GT(client, 0);
  usleep(50000);  // the client's receive reaches the daemon
  EXPECT_TRUE(Exited(simd.Stop(), 0)) << simd.Log();
  const int status = WaitFor(client, 5000);
  if (status == -1) {
    kill(client, SIGKILL);
    waitpid(client, nullptr, 0);
  }
  EXPECT_TRUE(Exited(status, 0)) << "the waiting client gets EIO, not a hang";
}

}  // namespace
}  // namespace vtx::testing
