// The host module's own handler of its library's messages: events and errors that the CIPI
// thread posted. Events go to the IP call control of the host module's channels; one that no
// call took is traced as an event for an invalid call record.
#pragma once

#include "callctrl/hostmod/host_module.h"

namespace vtx::callctrl {

class LibraryHandler : public HostHandler {
 public:
  explicit LibraryHandler(HostModule& host) : host_(host) {}
  void OnLibraryEvent(uint32_t kind, const void* data, uint32_t length) override;

 private:
  void OnLibraryEventRecord(const void* data, uint32_t length);
  void OnLibraryError(const void* data, uint32_t length);

  HostModule& host_;
};

}  // namespace vtx::callctrl
