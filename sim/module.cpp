#include "sim/module.h"

#include "sim/default_firmware.h"

namespace sim {
namespace {

constexpr uint8_t kKindChannel = 2;  // byte 1 of an address naming a channel

}  // namespace

uint32_t ChannelOf(const FwCommand& command) {
  return command.address[1] == kKindChannel ? command.address[3] : kModuleItself;
}

Module::Module(uint8_t number) : number_(number) {
  info_.mod_num = number;
  info_.exists = 1;
  info_.hardware = 1;
  InstallDefaultFirmware(*this);
}

void Module::SetName(const std::string& name) {
  for (auto& unit : info_.name) unit = 0;
  // The driver keeps 64 UTF-16 units; the last one stays zero as a terminator.
  size_t count = name.size() < 63 ? name.size() : 63;
  for (size_t i = 0; i < count; ++i) info_.name[i] = static_cast<unsigned char>(name[i]);
}

std::string Module::Name() const {
  std::string name;
  for (uint16_t unit : info_.name) {
    if (unit == 0) break;
    name += static_cast<char>(unit & 0xFF);
  }
  return name;
}

std::vector<FwCommand> Module::CommandLog() const {
  std::lock_guard<std::mutex> hold(log_lock_);
  return log_;
}

void Module::ClearCommandLog() {
  std::lock_guard<std::mutex> hold(log_lock_);
  log_.clear();
}

void Module::LogCommand(const FwCommand& command) {
  std::lock_guard<std::mutex> hold(log_lock_);
  log_.push_back(command);
}

}  // namespace sim
