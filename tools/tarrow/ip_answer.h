// tarrow callctrl as the application on the IP channels of the board modules this process
// started, as a fax application would be: a line on each channel hears the channel's calls on
// the IP_CC facility, answers each call offered (a CONNECT request) and shows what happens to it.
#pragma once

#include <cstdint>
#include <vector>

#include "vtx.h"

namespace tarrow {

class IpAnswerer {
 public:
  IpAnswerer() = default;
  ~IpAnswerer();  // detaches the lines
  IpAnswerer(const IpAnswerer&) = delete;
  IpAnswerer& operator=(const IpAnswerer&) = delete;

  // Attaches a line to every channel of the IP call-control objects of the modules this process
  // is master of, printing which: the number of lines.
  size_t Attach();
  // Takes what the lines received without waiting: one printed line per IP_CC event, and the
  // answer to each SETUP_IND.
  void Poll();

 private:
  struct Channel {
    uint32_t module;
    uint32_t channel;
    VtxLine* line;
  };
  void Handle(const Channel& channel, MillArgs& received);
  std::vector<Channel> channels_;
};

}  // namespace tarrow
