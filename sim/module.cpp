#include "sim/module.h"

#include "sim/default_firmware.h"

namespace sim {
namespace {

constexpr uint8_t kKindChannel = 2;  // byte 1 of an address naming a channel

}  // namespace

uint32_t ChannelOf(const FwCommand& command) {
  return command.address[1] == kKindChannel ? command.address[3] : kModuleItself;
}

Module::Module(uint8_t number) : number_(number), log_size_(kDefaultCommandLogSize) {
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
  std::vector<FwCommand> commands;
  commands.reserve(log_count_);
  for (size_t i = log_count_; i > 0; --i) {
    commands.push_back(log_[(log_next_ + log_size_ - i) % log_size_]);
  }
  return commands;
}

void Module::ClearCommandLog() {
  std::lock_guard<std::mutex> hold(log_lock_);
  log_count_ = 0;
}

void Module::LogCommand(const FwCommand& command) {
  std::lock_guard<std::mutex> hold(log_lock_);
  if (log_size_ == 0) return;
  // Until the ring is full the next slot is a new one; after that the oldest slot takes the
  // command by assignment, which reuses the buffers of the command it held.
  if (log_next_ == log_.size()) {
    log_.push_back(command);
  } else {
    log_[log_next_] = command;
  }
  log_next_ = (log_next_ + 1) % log_size_;
  if (log_count_ < log_size_) ++log_count_;
}

size_t Module::CommandLogSize() const {
  std::lock_guard<std::mutex> hold(log_lock_);
  return log_size_;
}

void Module::SetCommandLogSize(size_t size) {
  std::lock_guard<std::mutex> hold(log_lock_);
  log_.clear();
  log_.shrink_to_fit();
  log_size_ = size;
  log_next_ = 0;
  log_count_ = 0;
}

}  // namespace sim
