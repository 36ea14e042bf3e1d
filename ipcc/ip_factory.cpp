#include "ipcc/ip_factory.h"

#include <atomic>

#include "trace/cc_trace.h"

namespace vtx::ipcc {
namespace {

std::atomic<IpObjectMaker> g_maker{nullptr};

}  // namespace

void RegisterIpObjectMaker(IpObjectMaker maker) {
  g_maker = maker;
}

std::unique_ptr<callctrl::CallControlObject> CreateIpObject(uint32_t module_number,
                                                            uint32_t host_cc) {
  const IpObjectMaker maker = g_maker;
  if (maker == nullptr) {
    trace::cc::Trace(trace::cc::kInternalTrace, trace::cc::kLevelWarning,
                     "No IP call-control objects in this build: host_cc.%u of module 0x%X "
                     "has no IP channels",
                     host_cc, module_number);
    return nullptr;
  }
  return maker(host_cc);
}

}  // namespace vtx::ipcc
