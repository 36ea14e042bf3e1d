// One host's simulated boards and their driver: the modules by number, the driver connections
// and their sessions, delivery of packets between sessions and to the modules' firmware, the
// host controller (session end notices and the board name registry), and the faults a test asks
// for. Every driver request arrives marshalled (sim/wire.h), from the embedded transport or from
// the daemon's socket, and is served by Serve(); a receive that waits releases the machine.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/module.h"
#include "sim/session_queue.h"
#include "sim/wire.h"
#include "vtx.h"

namespace sim {

// A fault for the next request of one sub-command: fail at the system level with an errno, or
// answer with a driver status. Faults of one sub-command are used in the order injected.
struct Fault {
  int error = 0;            // non-zero: the request fails with this errno
  uint32_t drv_status = 0;  // otherwise: the driver status reported in the block
  bool serve = false;       // the request is served first, then reports `drv_status`; else
                            // nothing is done (and a message request moves no bytes)
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

  // A receive that a server with no thread per client must not wait for: held here until a
  // packet arrives or its time-out runs.
  struct ParkedReceive {
    bool waiting = false;
    wire::Request request;
    SimClock::time_point deadline{};  // when the receive times out
    SimClock::time_point retry_at{};  // the deadline, or earlier when a delayed packet is due
    bool fault_status = false;        // an injected fault's driver status, kept for the answer
    uint32_t drv_status = 0;
  };
  // As Serve, but a receive with nothing ready is not waited for: false, with the receive in
  // `parked`. Resume() completes it (true, `response` set) once a packet arrived, the session went
  // or the time-out ran; false while it still waits.
  bool ServeWithoutWaiting(int connection, const uint8_t* request, size_t size,
                           wire::Bytes& response, ParkedReceive& parked);
  bool Resume(int connection, ParkedReceive& parked, wire::Bytes& response);
  // Called, with the machine locked, whenever a packet is queued for a session or a session
  // ends: a server holding parked receives resumes them then. Null removes it.
  void SetChangeHook(std::function<void()> hook);

  // The most packets a session's input queue holds; what arrives beyond is dropped and the next
  // receive reports the overrun.
  static constexpr size_t kDefaultQueueLimit = 1024;
  void SetQueueLimit(size_t packets);

  // Counts of every sub-command served, for tests and benchmarks.
  uint64_t RequestCount(uint32_t subcommand) const;

  // Waits and delays take `scale` times their length (tests shorten long time-outs with it).
  void SetTimeScale(double scale);
  // The time-out of the last MSG_RECEIVE, as the library asked for it.
  uint32_t LastReceiveTimeout() const;

  // Unsolicited packets. InjectEvent sends `packet` from the module's channel `unit` to every
  // session associated with it (its commands need their facility) and returns how many it
  // reached; InjectRaw queues arbitrary bytes for the session whose own address is `session`.
  size_t InjectEvent(uint8_t module, uint8_t unit, const FwPacket& packet);
  bool InjectRaw(const uint8_t session[4], std::vector<uint8_t> bytes);

  // Module presence: a module that died (SESSION_SUSP), was removed (SESSION_TERM, and it is
  // gone), or whose call-control server died (SESSION_SUSP for its ECC address); each notice
  // goes to the sessions that asked to be told about the module.
  void ModuleDied(uint8_t number);
  void RemoveModule(uint8_t number);
  void EccServerDied(uint8_t number);
  size_t WatcherCount() const;

  // The board name registry of the host controller, shared by all sessions.
  std::map<std::string, std::array<uint8_t, 4>> Names() const;

 private:
  struct Session;
  struct Connection;

  // Dispatch applies an injected fault, Perform does what the driver does.
  // A receive parks in `parked` instead of waiting when it is not null.
  void ServeRequest(int connection, const uint8_t* request, size_t size, wire::Bytes& response,
                    ParkedReceive* parked);
  int Dispatch(std::unique_lock<std::mutex>& hold, Connection& connection, wire::Request& request,
               wire::Bytes& data_out, ParkedReceive* parked);
  int Perform(std::unique_lock<std::mutex>& hold, Connection& connection, wire::Request& request,
              wire::Bytes& data_out, ParkedReceive* parked);
  // A session goes away: its waiting receive wakes, its notices and names are dropped.
  void ForgetSession(Session& session);
  int SessionCreate(Connection& connection, wire::Bytes& block);
  // Whether a live session holds `address` as its own, or talks to it as a board address.
  bool AddressHeld(const uint8_t address[4]) const;
  // Whether a session other than `asking` has the board address `board` (any facility) as its
  // own address.
  bool OwnedBoardAddress(const uint8_t board[4], uint32_t asking) const;
  // The next host address that no live session holds; false when every one is held.
  bool FreeHostAddress(uint8_t own[4]);
  int SessionDestroy(Connection& connection, wire::Bytes& block);
  int AddressAssoc(Connection& connection, wire::Bytes& block);
  int ModuleInfo(wire::Bytes& block);
  int ConfigSpecs(wire::Bytes& block);
  int AddressCheck(wire::Bytes& block);
  int Deactivate(wire::Bytes& block);
  int ModuleControl(uint32_t subcommand, wire::Bytes& block);
  int MsgSend(Connection& connection, wire::Bytes& block, const wire::Bytes& data);
  int MsgReceive(std::unique_lock<std::mutex>& hold, Connection& connection, wire::Bytes& block,
                 wire::Bytes& data_out, ParkedReceive* parked);
  int Clear(uint32_t subcommand, Connection& connection, wire::Bytes& block);
  // The asynchronous receive answers at once when a packet is ready, else queues the request
  // (GDI_STS_PENDING) and notifies the session named in the block when it completes.
  int MsgReceiveAsync(std::unique_lock<std::mutex>& hold, Connection& connection,
                      wire::Bytes& block, wire::Bytes& data_out);
  int AsyncCancel(Connection& connection, wire::Bytes& block);
  // A request that a test made the driver queue completes at once: its notice is posted.
  void CompleteQueuedRequest(Connection& connection, const wire::Bytes& block);
  // The CALLBACK_NOTIFY event for `session`, formed for the notification session `to`.
  void FormNotice(const Session& session, const Session& to, uint32_t type, wire::Bytes& out) const;
  Session* SessionAt(uint32_t address_word);
  // Delivers a packet that session `from` sent: to a session, the host controller or a module.
  uint32_t Route(Session& from, const uint8_t* packet, size_t size);
  // Hands a packet for a module's ECC facility to the session registered as its server.
  bool DeliverToEccServer(const Session& from, uint8_t module, const uint8_t* packet, size_t size);
  void RunFirmware(Module& module, Session& from, const FwCommand& command);
  void HostControl(Session& from, const FwCommand& command);
  void QueueReply(Session& to, const FwPacket& packet, const uint8_t src[4], uint32_t facility,
                  uint32_t extra_delay_ms);
  void NotifyWatchers(uint8_t module, uint8_t facility, uint32_t event);
  Session* FindSession(uint32_t handle, const Connection* owner);
  SimClock::time_point After(uint32_t ms) const;
  uint8_t Mask() const { return version_.full_byte_address_mode ? 0xFF : 0x7F; }
  // The module of a number the driver asks about, or null: numbers past the address mode's
  // highest (126, or 254 in full-byte mode) name no module whatever the machine holds.
  Module* ModuleNumbered(uint32_t number) const;

  // Resolves an address as the driver does: an ordinal address names a channel by ordinal, the
  // any-facility value matches any facility. Returns false when nothing answers to it.
  bool Resolve(const uint8_t in[4], uint8_t out[4]) const;

  mutable std::mutex lock_;
  VtxDriverVersion version_{};
  std::map<uint8_t, std::unique_ptr<Module>> modules_;
  std::map<uint32_t, std::vector<Fault>> faults_;
  std::map<int, std::unique_ptr<Connection>> connections_;
  std::map<uint32_t, std::unique_ptr<Session>> sessions_;
  struct Watcher {
    uint32_t session;
    uint8_t address[4];  // masked
    uint32_t context;
  };
  std::vector<Watcher> watchers_;
  std::map<std::string, std::array<uint8_t, 4>> names_;
  double time_scale_ = 1.0;
  uint32_t last_receive_timeout_ = 0;
  std::map<uint32_t, uint64_t> request_counts_;
  int next_connection_ = 3;
  uint32_t next_session_ = 0x100;
  uint8_t next_own_unit_ = 1;
  size_t queue_limit_ = kDefaultQueueLimit;
  std::function<void()> change_hook_;
};

}  // namespace sim
