#include "sim/machine.h"

#include <cerrno>
#include <cstring>

#include "api/address_mode.h"
#include "os/thread_scratch.h"
#include "sim/default_machine.h"
#include "sim/machine_session.h"

namespace sim {

namespace {

constexpr int kMsgLengthWord = 2;
constexpr int kMsgStatusWord = 5;

// The word of a sub-command's block where the driver writes its status (or result).
int StatusWordIndex(uint32_t subcommand) {
  switch (subcommand) {
    case VTX_DRV_SESSION_CREATE:
    case VTX_DRV_SESSION_DESTROY:
    case VTX_DRV_CLEAR_OUTPUT:
    case VTX_DRV_CLEAR_INPUT:
      return 3;
    case VTX_DRV_ADDRESS_ASSOC:
    case VTX_DRV_MODULE_RESET:
    case VTX_DRV_MODULE_RECONFIG:
    case VTX_DRV_ASYNC_CANCEL:
      return 2;
    case VTX_DRV_ADDRESS_CHECK:
    case VTX_DRV_MODULE_DEACTIVATE:
    case VTX_DRV_MODULE_CONFIG_SPECS:
      return 1;
    case VTX_DRV_MSG_SEND:
    case VTX_DRV_MSG_RECEIVE:
    case VTX_DRV_MSG_SEND_ASYNC:
    case VTX_DRV_MSG_RECEIVE_ASYNC:
      return 5;
    default:
      return -1;
  }
}

// The requests that change the routing state, served with the machine's lock held exclusively.
bool ChangesRouting(uint32_t subcommand) {
  switch (subcommand) {
    case VTX_DRV_SESSION_CREATE:
    case VTX_DRV_SESSION_DESTROY:
    case VTX_DRV_ADDRESS_ASSOC:
    case VTX_DRV_MODULE_DEACTIVATE:
    case VTX_DRV_MODULE_RESET:
    case VTX_DRV_MODULE_RECONFIG:
      return true;
    default:
      return false;
  }
}

template <typename Block>
Block Load(const wire::Bytes& bytes) {
  Block block;
  memcpy(&block, bytes.data(), sizeof block);
  return block;
}

template <typename Block>
void Store(const Block& block, wire::Bytes& bytes) {
  memcpy(bytes.data(), &block, sizeof block);
}

}  // namespace

Machine::Machine() {
  version_.driver_version = 5;
  version_.driver_build = 17;
  version_.pipr_version = 3;
  version_.interface_version = VTX_DRIVER_INTERFACE;
  version_.full_byte_address_mode = 0;
  // The firmware reads and forms packets with the library's own packet code, whose address
  // width is process-wide: in the daemon nothing else sets it.
  vtx::SetFullByteAddressMode(false);
}

Machine::~Machine() = default;

std::unique_ptr<Machine> Machine::Default() {
  auto machine = std::make_unique<Machine>();
  BuildDefaultMachine(*machine);
  return machine;
}

void Machine::SetDriverVersion(const VtxDriverVersion& version) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  version_ = version;
  vtx::SetFullByteAddressMode(version.full_byte_address_mode != 0);
}

VtxDriverVersion Machine::DriverVersion() const {
  std::shared_lock<std::shared_mutex> hold(lock_);
  return version_;
}

bool Machine::FullByteAddressMode() const {
  std::shared_lock<std::shared_mutex> hold(lock_);
  return version_.full_byte_address_mode != 0;
}

Module& Machine::AddModule(uint8_t number) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  auto& slot = modules_[number];
  slot = std::make_unique<Module>(number);
  return *slot;
}

Module* Machine::FindModule(uint8_t number) {
  std::shared_lock<std::shared_mutex> hold(lock_);
  auto found = modules_.find(number);
  return found == modules_.end() ? nullptr : found->second.get();
}

std::vector<uint8_t> Machine::ModuleNumbers() const {
  std::shared_lock<std::shared_mutex> hold(lock_);
  std::vector<uint8_t> numbers;
  for (const auto& entry : modules_) numbers.push_back(entry.first);
  return numbers;
}

void Machine::InjectFault(uint32_t subcommand, const Fault& fault) {
  std::lock_guard<std::mutex> hold(faults_lock_);
  faults_[subcommand].push_back(fault);
  ++faults_pending_;
}

std::optional<Fault> Machine::TakeFault(uint32_t subcommand) {
  if (faults_pending_.load() == 0) return std::nullopt;
  std::lock_guard<std::mutex> hold(faults_lock_);
  auto found = faults_.find(subcommand);
  if (found == faults_.end() || found->second.empty()) return std::nullopt;
  Fault fault = found->second.front();
  found->second.erase(found->second.begin());
  --faults_pending_;
  return fault;
}

int Machine::Open(const std::string& device_name, int& error) {
  if (device_name != VTX_DRIVER_DEVICE && device_name != VTX_CONTROL_DEVICE) {
    error = ENOENT;
    return -1;
  }
  std::lock_guard<std::shared_mutex> hold(lock_);
  auto connection = std::make_unique<Connection>();
  connection->id = next_connection_++;
  connection->device = device_name;
  int id = connection->id;
  connections_[id] = std::move(connection);
  error = 0;
  return id;
}

void Machine::Close(int connection) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  // A closed connection takes its sessions with it, as when a process dies.
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (it->second->connection == connection) {
      ForgetSession(*it->second);
      it = sessions_.erase(it);
    } else {
      ++it;
    }
  }
  connections_.erase(connection);
}

size_t Machine::OpenConnections() const {
  std::shared_lock<std::shared_mutex> hold(lock_);
  return connections_.size();
}

uint64_t Machine::RequestCount(uint32_t subcommand) const {
  return subcommand < kCountedSubcommands ? request_counts_[subcommand].load() : 0;
}

void Machine::Serve(int connection, const uint8_t* request, size_t size, wire::Bytes& response) {
  ServeRequest(connection, request, size, response, nullptr);
}

bool Machine::ServeWithoutWaiting(int connection, const uint8_t* request, size_t size,
                                  wire::Bytes& response, ParkedReceive& parked) {
  parked.waiting = false;
  parked.fault_status = false;
  ServeRequest(connection, request, size, response, &parked);
  return !parked.waiting;
}

void Machine::ServeRequest(int connection, const uint8_t* request, size_t size,
                           wire::Bytes& response, ParkedReceive* parked) {
  // Per thread, so that requests reuse their buffers instead of allocating.
  OS_THREAD_SCRATCH(wire::Request, decoded);
  OS_THREAD_SCRATCH(wire::Bytes, data_out);
  data_out.clear();
  if (!wire::DecodeRequest(request, size, decoded)) {
    wire::EncodeResponse(EINVAL, {}, {}, response);
    return;
  }
  int result = EBADF;
  {
    RequestLock hold(lock_, ChangesRouting(decoded.subcommand));
    auto found = connections_.find(connection);
    if (found != connections_.end()) {
      if (decoded.subcommand < kCountedSubcommands) ++request_counts_[decoded.subcommand];
      result = Dispatch(hold, *found->second, decoded, data_out, parked);
    }
  }
  if (parked != nullptr && parked->waiting) {
    std::swap(parked->request, decoded);
    return;
  }
  wire::EncodeResponse(result, decoded.block, data_out, response);
}

bool Machine::Resume(int connection, ParkedReceive& parked, wire::Bytes& response) {
  OS_THREAD_SCRATCH(wire::Bytes, data_out);
  data_out.clear();
  int result = EBADF;
  {
    RequestLock hold(lock_, false);
    auto found = connections_.find(connection);
    if (found != connections_.end()) {
      result = MsgReceive(hold, *found->second, parked.request.block, data_out, &parked);
      if (parked.waiting) return false;
    }
  }
  parked.waiting = false;
  if (parked.fault_status) wire::SetWord(parked.request.block, kMsgStatusWord, parked.drv_status);
  wire::EncodeResponse(result, parked.request.block, data_out, response);
  return true;
}

void Machine::SetQueueLimit(size_t packets) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  queue_limit_ = packets;
  for (auto& entry : sessions_) entry.second->queue->SetLimit(packets);
}

int Machine::Dispatch(RequestLock& hold, Connection& connection, wire::Request& request,
                      wire::Bytes& data_out, ParkedReceive* parked) {
  if (const std::optional<Fault> fault = TakeFault(request.subcommand)) {
    const Fault& f = *fault;
    const int index = StatusWordIndex(request.subcommand);
    const bool message = index == kMsgStatusWord;
    if (f.error != 0 || !f.serve) {
      // Nothing was done: a message request moved no bytes.
      if (message) wire::SetWord(request.block, kMsgLengthWord, 0);
      if (f.error != 0) return f.error;
    }
    if (index >= 0) {
      int result = f.serve ? Perform(hold, connection, request, data_out, parked) : 0;
      if (parked != nullptr && parked->waiting) {
        parked->fault_status = true;
        parked->drv_status = f.drv_status;
      }
      wire::SetWord(request.block, static_cast<size_t>(index), f.drv_status);
      const bool async = request.subcommand == VTX_DRV_MSG_SEND_ASYNC ||
                         request.subcommand == VTX_DRV_MSG_RECEIVE_ASYNC;
      if (async && f.drv_status == GDI_STS_PENDING)
        CompleteQueuedRequest(connection, request.block);
      return result;
    }
  }
  return Perform(hold, connection, request, data_out, parked);
}

int Machine::Perform(RequestLock& hold, Connection& connection, wire::Request& request,
                     wire::Bytes& data_out, ParkedReceive* parked) {
  switch (request.subcommand) {
    case VTX_DRV_MSG_SEND:
    case VTX_DRV_MSG_SEND_ASYNC:  // a simulated send never has to wait
      return MsgSend(connection, request.block, request.data);
    case VTX_DRV_MSG_RECEIVE:
      return MsgReceive(hold, connection, request.block, data_out, parked);
    case VTX_DRV_MSG_RECEIVE_ASYNC:
      return MsgReceiveAsync(hold, connection, request.block, data_out);
    case VTX_DRV_ASYNC_CANCEL:
      return AsyncCancel(connection, request.block);
    case VTX_DRV_CLEAR_INPUT:
    case VTX_DRV_CLEAR_OUTPUT:
      return Clear(request.subcommand, connection, request.block);
    case VTX_DRV_GET_VERSION:
      Store(version_, request.block);
      return 0;
    case VTX_DRV_SESSION_CREATE:
      return SessionCreate(connection, request.block);
    case VTX_DRV_SESSION_DESTROY:
      return SessionDestroy(connection, request.block);
    case VTX_DRV_ADDRESS_ASSOC:
      return AddressAssoc(connection, request.block);
    case VTX_DRV_MODULE_INFO:
      return ModuleInfo(request.block);
    case VTX_DRV_MODULE_CONFIG_SPECS:
      return ConfigSpecs(request.block);
    case VTX_DRV_ADDRESS_CHECK:
      return AddressCheck(request.block);
    case VTX_DRV_MODULE_DEACTIVATE:
      return Deactivate(request.block);
    case VTX_DRV_MODULE_RESET:
    case VTX_DRV_MODULE_RECONFIG:
      return ModuleControl(request.subcommand, request.block);
    default:
      return EINVAL;  // a request this driver does not know
  }
}

int Machine::SessionCreate(Connection& connection, wire::Bytes& bytes) {
  auto block = Load<VtxDrvSessionBlock>(bytes);
  auto session = std::make_unique<Session>();
  session->connection = connection.id;
  session->flags = block.flags;
  bool requested = block.address[0] || block.address[1] || block.address[2] || block.address[3];
  if (requested) {
    if (AddressHeld(block.address)) {
      block.drv_status = GDI_STS_ADDRESS_IN_USE;
      Store(block, bytes);
      return 0;
    }
    memcpy(session->own, block.address, 4);
  } else if (!FreeHostAddress(session->own)) {
    block.drv_status = GDI_STS_RESOURCES;
    Store(block, bytes);
    return 0;
  }
  session->queue->SetLimit(queue_limit_);
  session->handle = next_session_++;
  block.session = session->handle;
  memcpy(block.address, session->own, 4);
  block.drv_status = GDI_STS_OK;
  sessions_[session->handle] = std::move(session);
  Store(block, bytes);
  return 0;
}

bool Machine::AddressHeld(const uint8_t address[4]) const {
  const uint8_t mask = Mask();
  auto same = [mask](const uint8_t* a, const uint8_t* b, int from) {
    for (int i = from; i < 4; ++i) {
      if ((a[i] & mask) != (b[i] & mask)) return false;
    }
    return true;
  };
  for (const auto& entry : sessions_) {
    const Session& other = *entry.second;
    // An own address that is another's, or the board address another session talks to (of any
    // facility there): packets meant for that session or that board would reach this one.
    if (same(other.own, address, 0) || (other.associated && same(other.remote, address, 1))) {
      return true;
    }
  }
  return false;
}

bool Machine::OwnedBoardAddress(const uint8_t board[4], uint32_t asking) const {
  const uint8_t mask = Mask();
  for (const auto& [handle, other] : sessions_) {
    if (handle == asking) continue;
    bool same = true;
    for (int i = 1; i < 4; ++i) same = same && (other->own[i] & mask) == (board[i] & mask);
    if (same) return true;
  }
  return false;
}

bool Machine::FreeHostAddress(uint8_t own[4]) {
  // A host address: facility 0x40, type 3, host 1, the next unit that no live session holds.
  const uint8_t units = Mask();
  for (int tried = 0; tried < units; ++tried) {
    const uint8_t candidate[4] = {0x40, 0x03, 0x01, next_own_unit_};
    next_own_unit_ = static_cast<uint8_t>(next_own_unit_ % units + 1);
    if (!AddressHeld(candidate)) {
      memcpy(own, candidate, 4);
      return true;
    }
  }
  return false;
}

int Machine::SessionDestroy(Connection& connection, wire::Bytes& bytes) {
  auto block = Load<VtxDrvSessionBlock>(bytes);
  auto found = sessions_.find(block.session);
  if (found == sessions_.end() || found->second->connection != connection.id) {
    block.drv_status = GDI_STS_SESSIONHANDLEBAD;
  } else {
    ForgetSession(*found->second);
    sessions_.erase(found);
    block.drv_status = GDI_STS_OK;
  }
  Store(block, bytes);
  return 0;
}

bool Machine::Resolve(const uint8_t in[4], uint8_t out[4]) const {
  uint8_t mask = version_.full_byte_address_mode ? 0xFF : 0x7F;
  uint8_t any = mask;
  if ((in[2] & mask) == 0) {
    // An ordinal address: the channel whose ordinal is byte 0 * 256 + byte 1.
    uint32_t ordinal = static_cast<uint32_t>(in[0]) * 256 + in[1];
    for (const auto& [number, module] : modules_) {
      const auto& info = module->info();
      if (module->deactivated || ordinal < info.ordinal_start ||
          ordinal >= info.ordinal_start + info.num_ordinals) {
        continue;
      }
      out[0] = 0;
      out[1] = 2;
      out[2] = number;
      out[3] = static_cast<uint8_t>(ordinal - info.ordinal_start);
      return true;
    }
    return false;
  }
  auto found = modules_.find(static_cast<uint8_t>(in[2] & mask));
  if (found == modules_.end() || found->second->deactivated) return false;
  const Module& module = *found->second;
  uint8_t facility = in[0] & mask;
  if (facility != any && module.facilities().count(facility) == 0) return false;
  uint8_t kind = in[1] & mask;
  if (kind != 1 && !(kind == 2 && in[3] < module.info().num_channels)) return false;
  memcpy(out, in, 4);
  return true;
}

int Machine::AddressAssoc(Connection& connection, wire::Bytes& bytes) {
  auto block = Load<VtxDrvAssocBlock>(bytes);
  auto found = sessions_.find(block.session);
  uint8_t resolved[4];
  if (found == sessions_.end() || found->second->connection != connection.id) {
    block.drv_status = GDI_STS_SESSIONHANDLEBAD;
  } else if (!Resolve(block.address, resolved)) {
    block.drv_status = GDI_STS_NODATA;
  } else if (OwnedBoardAddress(resolved, block.session)) {
    // Another session took this board address as its own: what this one sent would reach it.
    block.drv_status = GDI_STS_ADDRESS_IN_USE;
  } else {
    memcpy(block.address, resolved, 4);
    block.drv_status = GDI_STS_OK;
    // A session that wants its destination to itself finds an address that another session
    // has associated in use; the holder keeps it. Other sessions share it.
    const bool unique = (found->second->flags & VTX_SESSION_UNIQUE) != 0;
    for (const auto& [handle, other] : sessions_) {
      if (unique && handle != block.session && other->associated &&
          memcmp(other->remote + 1, resolved + 1, 3) == 0) {
        block.drv_status = GDI_STS_ADDRESS_IN_USE;
      }
    }
    if (block.drv_status == GDI_STS_OK || !(found->second->flags & VTX_SESSION_UNIQUE)) {
      found->second->associated = true;
      memcpy(found->second->remote, resolved, 4);
    }
  }
  Store(block, bytes);
  return 0;
}

Module* Machine::ModuleNumbered(uint32_t number) const {
  if (number > (version_.full_byte_address_mode ? 254u : 126u)) return nullptr;
  auto found = modules_.find(static_cast<uint8_t>(number));
  return found == modules_.end() ? nullptr : found->second.get();
}

int Machine::ModuleInfo(wire::Bytes& bytes) {
  auto block = Load<VtxDrvModuleInfoBlock>(bytes);
  if (const Module* module = ModuleNumbered(block.mod_num)) {
    block = module->info();
  } else {
    uint32_t number = block.mod_num;
    block = VtxDrvModuleInfoBlock{};
    block.mod_num = number;
  }
  Store(block, bytes);
  return 0;
}

int Machine::ConfigSpecs(wire::Bytes& bytes) {
  auto block = Load<VtxDrvConfigSpecsBlock>(bytes);
  Module* module = ModuleNumbered(block.mod_num);
  block.result = 1;
  if (module != nullptr) {
    auto& specs = module->config_specs();
    auto spec = specs.find(block.spec_num);
    if (spec != specs.end()) {
      block.result = 0;
      block.value = spec->second.value;
      memset(block.desc, 0, sizeof block.desc);
      strncpy(block.desc, spec->second.description.c_str(), sizeof block.desc - 1);
    }
  }
  Store(block, bytes);
  return 0;
}

int Machine::AddressCheck(wire::Bytes& bytes) {
  auto block = Load<VtxDrvAddressCheckBlock>(bytes);
  uint8_t resolved[4];
  block.result = Resolve(block.address, resolved) ? 0 : 1;
  Store(block, bytes);
  return 0;
}

int Machine::Deactivate(wire::Bytes& bytes) {
  auto block = Load<VtxDrvDeactivateBlock>(bytes);
  Module* module = ModuleNumbered(block.mod_num);
  if (module == nullptr) {
    block.drv_status = GDI_STS_PORTNOTEXIST;
  } else {
    module->deactivated = true;
    block.drv_status = GDI_STS_OK;
  }
  Store(block, bytes);
  return 0;
}

int Machine::ModuleControl(uint32_t subcommand, wire::Bytes& bytes) {
  auto block = Load<VtxDrvModuleCtlBlock>(bytes);
  Module* found = ModuleNumbered(block.word0);
  if (found == nullptr) {
    block.drv_status = GDI_STS_PORTNOTEXIST;
  } else {
    Module& module = *found;
    if (subcommand == VTX_DRV_MODULE_RESET) {
      ++module.reset_count;
      module.deactivated = false;
    } else {
      module.reconfig_values.push_back(block.config_value);
    }
    block.drv_status = GDI_STS_OK;
  }
  Store(block, bytes);
  return 0;
}

}  // namespace sim
