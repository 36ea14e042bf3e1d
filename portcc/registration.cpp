// Port call control joins the call-control framework when the library loads: module start-up
// makes its port objects through the port factory, and each module's event thread hands it the
// packets of the module's administration line.
#include "callctrl/cc_registry.h"
#include "portcc/module_dispatch.h"
#include "portcc/port_factory.h"

namespace vtx::portcc {
namespace {

bool Dispatch(uint32_t module_number, const callctrl::CcSlots& slots, const uint8_t* packet,
              uint32_t length) {
  ModuleDispatcher dispatcher(module_number, slots);
  return dispatcher.Dispatch(packet, length);
}

const bool kRegistered = [] {
  callctrl::RegisterPortObjectMaker(&CreatePortObject);
  callctrl::RegisterPacketDispatcher(&Dispatch);
  return true;
}();

}  // namespace
}  // namespace vtx::portcc
