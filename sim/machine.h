// One host's simulated boards and their driver: the modules by number, the driver connections
// and their sessions, and the faults a test asks for. Every driver request arrives marshalled
// (sim/wire.h), from the embedded transport or from the daemon's socket, and is served by Serve().
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/module.h"
#include "sim/wire.h"
#include "vtx.h"

namespace sim {

// A fault for the next request of one sub-command: fail at the system level with an errno, or
// answer with a driver status.
struct Fault {
  int error = 0;            // non-zero: the request fails with this errno
  uint32_t drv_status = 0;  // otherwise: the driver status reported in the block
};

class Machine {
 public:
  Machine();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // The built-in default machine: a GANTRY chassis module 2 and a CORBEL module 3.
  static std::unique_ptr<Machine> Default();

  // What GET_VERSION reports.
  void SetDriverVersion(const VtxDriverVersion& version);
  VtxDriverVersion DriverVersion() const;
  bool FullByteAddressMode() const;

  // Modules by number; a module added here exists and has hardware.
  Module& AddModule(uint8_t number);
  Module* FindModule(uint8_t number);
  std::vector<uint8_t> ModuleNumbers() const;

  // Fault injection: the next request of `subcommand` (on any connection) gets `fault`.
  void InjectFault(uint32_t subcommand, const Fault& fault);

  // Driver connections. Open fails with ENOENT for a device name the machine does not serve.
  int Open(const std::string& device_name, int& error);
  void Close(int connection);
  size_t OpenConnections() const;

  // Serves one marshalled request of a connection; the response is always well-formed.
  void Serve(int connection, const uint8_t* request, size_t size, wire::Bytes& response);

  // Counts of every sub-command served, for tests and benchmarks.
  uint64_t RequestCount(uint32_t subcommand) const;

 private:
  struct Session;
  struct Connection;

  int Dispatch(Connection& connection, wire::Request& request, wire::Bytes& data_out);
  int SessionCreate(Connection& connection, wire::Bytes& block);
  int SessionDestroy(Connection& connection, wire::Bytes& block);
  int AddressAssoc(Connection& connection, wire::Bytes& block);
  int ModuleInfo(wire::Bytes& block);
  int ConfigSpecs(wire::Bytes& block);
  int AddressCheck(wire::Bytes& block);
  int Deactivate(wire::Bytes& block);
  int ModuleControl(uint32_t subcommand, wire::Bytes& block);
  // Resolves an address as the driver does: an ordinal address names a channel by ordinal, the
  // any-facility value matches any facility. Returns false when nothing answers to it.
  bool Resolve(const uint8_t in[4], uint8_t out[4]) const;

  mutable std::mutex lock_;
  VtxDriverVersion version_{};
  std::map<uint8_t, std::unique_ptr<Module>> modules_;
  std::map<uint32_t, Fault> faults_;
  std::map<int, std::unique_ptr<Connection>> connections_;
  std::map<uint32_t, std::unique_ptr<Session>> sessions_;
  std::map<uint32_t, uint64_t> request_counts_;
  int next_connection_ = 3;
  uint32_t next_session_ = 0x100;
  uint8_t next_own_unit_ = 1;
};

}  // namespace sim
