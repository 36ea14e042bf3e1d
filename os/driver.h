// Device open, close and request: the one door to the board driver. The transport behind it is
// chosen once per process by TARROW_DRIVER: the real device node, the embedded simulator, or the
// simulator daemon on a Unix socket. All three take the same requests and report POSIX-style:
// 0 or a handle on success, -1 with errno set on failure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace os {

int DeviceOpen(const char* device_name);
int DeviceClose(int handle);
int DeviceRequest(int handle, uint32_t subcommand, void* block);

// One way of reaching the driver.
class DriverTransport {
 public:
  virtual ~DriverTransport() = default;
  virtual int Open(const char* device_name) = 0;  // handle, or -1 with errno
  virtual int Close(int handle) = 0;              // 0, or -1 with errno
  virtual int Request(int handle, uint32_t subcommand, void* block) = 0;  // 0, or -1 with errno
  virtual std::string Description() const = 0;
  virtual bool Simulated() const = 0;
  // Why the settings that chose this transport cannot serve ("" when they can): a refused
  // machine file, a TARROW_DRIVER value that names no transport.
  virtual std::string SettingProblem() const { return ""; }
};

// The transports: the device node here, the simulator inside the process and the simulator
// daemon in sim/, beside the simulator they talk to.
std::unique_ptr<DriverTransport> MakeDeviceTransport();
std::unique_ptr<DriverTransport> MakeEmbeddedTransport();
std::unique_ptr<DriverTransport> MakeDaemonTransport(const std::string& socket_path);

// The daemon's default socket: tarrow-simd.sock in DaemonSocketFolder() (os/private_folder.h).
// Everything that looks for the daemon without being told where asks this one function. On
// Windows, where there is no daemon, a text that says so.
std::string DefaultDaemonSocket();

// The transport of a process that does not choose one: the real device when it is there, else
// the daemon on the default socket when one listens (not on Windows), else none (simulation is
// never chosen for a host that did not ask for it).
std::unique_ptr<DriverTransport> MakeDefaultTransport();

// No transport: every open fails with `error`, and the first one writes `reason` on standard
// error; `setting` when the settings are wrong, rather than nothing found.
std::unique_ptr<DriverTransport> MakeNoTransport(std::string reason, int error, bool setting);

// The transport in use, chosen on first use from TARROW_DRIVER: "device", "sim", "sim:SOCKET";
// unset, MakeDefaultTransport().
DriverTransport& Driver();
std::string DriverDescription();
bool DriverIsSimulated();
// The transport's SettingProblem.
std::string DriverSettingProblem();
// Why the board cannot be reached, "" when the driver opens: the device or socket with the
// system's error ("simulator daemon at PATH: Connection refused"), or, when nothing was found,
// "no board: /dev/tarrow: No such file or directory; no simulator daemon at PATH; set
// TARROW_DRIVER=sim for the built-in simulated machine".
std::string DriverProblem();
// Tests replace the transport (null: choose again from the environment on next use).
void SetDriverForTesting(std::unique_ptr<DriverTransport> transport);

// Raising the process priority, done once on the first successful open of the board device.
// Tests observe how often it was asked for.
void RaiseProcessPriority();
uint32_t PriorityRaiseCount();
// The system call behind it: high priority class on Windows, a lower nice value here (refused
// quietly without the privilege).
void RaiseSystemPriority();

// The POSIX error number of a Windows system error (GetLastError), as the driver layer reports it.
int ErrnoFromSystemError(uint32_t system_error);

}  // namespace os
