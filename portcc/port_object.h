// The call-control object of one port of a board module. Every kind keeps its settings from
// initialise, serves a fixed number of channels and reports in the call-control trace what the
// board and the timers hand it; the kinds whose signalling comes from files (analog and CAS)
// read and check them at initialise and send them to the board at start.
//
// Channels per kind: T1 kinds 24, E1 kinds (ISDN, CAS, R2 CAS, DPNSS) 30, BRI 2, analog the
// channel count it is initialised with; inactive ports and the bus interfaces (MVIP, H.100)
// carry no channels of their own.
#pragma once

#include <cstdint>

#include "callctrl/cc_object.h"

namespace vtx::portcc {

class PortObject : public callctrl::CallControlObject {
 public:
  // A port of `port_config` serving `channels` channels, or with kInitialisedCount the count it
  // is initialised with.
  static constexpr uint32_t kInitialisedCount = 0xFFFFFFFF;
  PortObject(int32_t port_config, uint32_t channels);

  bool Initialise(const callctrl::CcInit& init) final;
  uint32_t ChannelCount() const final { return channel_count_; }
  bool Start() override;
  void Shutdown() override;
  bool OnPacket(const callctrl::CcPacket& packet) override;
  bool OnTimer(uint32_t context) override;
  bool OnLibraryEvent(const callctrl::CcLibraryEvent& event) override;

  int32_t port_config() const { return port_config_; }

 protected:
  // What a kind reads once its settings are kept; false fails the initialise.
  virtual bool Prepare() { return true; }
  const callctrl::PortInit& settings() const { return init_; }
  // The identifier byte that leads the port's messages to the board.
  uint8_t port_id() const { return static_cast<uint8_t>(init_.port_index); }

 private:
  int32_t port_config_;
  uint32_t fixed_channels_;
  uint32_t channel_count_ = 0;
  callctrl::PortInit init_;
};

}  // namespace vtx::portcc
