#include "api/module_queries.h"

#include <cstring>

#include "api/driver_access.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

// The driver connection of one query: the line's own, or one opened with the handshake for this
// call alone and closed with it.
class QueryConnection {
 public:
  explicit QueryConnection(VtxLine* line) : line_(line) {
    ready_ = line != nullptr || DriverOpenHandshake(&own_, nullptr) == kDriverReady;
  }
  ~QueryConnection() { DriverClose(&own_); }
  QueryConnection(const QueryConnection&) = delete;
  QueryConnection& operator=(const QueryConnection&) = delete;

  bool ready() const { return ready_; }
  bool Request(uint32_t subcommand, void* block, const char* request_name) {
    return DriverRequest(line_, own_, subcommand, block, request_name);
  }

 private:
  VtxLine* line_;
  int own_ = -1;
  bool ready_;
};

void CopyModuleInfo(const VtxDrvModuleInfoBlock& block, VtxModuleInfoArgs* args) {
  args->exists = block.exists;
  args->num_channels = block.num_channels;
  args->hardware = block.hardware;
  args->bus_type = block.bus_type;
  args->hw_type = block.hw_type;
  args->hw_id = block.hw_id;
  args->ordinal_start = block.ordinal_start;
  args->num_ordinals = block.num_ordinals;
  args->num_ordinals_init = block.num_ordinals_init;
  args->pci_vend_id = block.pci_vend_id;
  args->pci_dev_id = block.pci_dev_id;
  args->pci_sub_vend_id = block.pci_sub_vend_id;
  args->pci_sub_id = block.pci_sub_id;
  args->pci_interf_type = static_cast<uint8_t>(block.pci_interf_type);
  args->boot_ver_major = static_cast<uint8_t>(block.boot_ver_major);
  args->boot_ver_middle = static_cast<uint8_t>(block.boot_ver_middle);
  args->boot_ver_minor = static_cast<uint8_t>(block.boot_ver_minor);
  args->boot_ver_build = static_cast<uint8_t>(block.boot_ver_build);
  args->boot_ver_auto_num = static_cast<uint16_t>(block.boot_ver_auto_num);
  memcpy(args->boot_ver_date, block.boot_ver_date, sizeof args->boot_ver_date);
  memcpy(args->boot_ver_comment, block.boot_ver_comment, sizeof args->boot_ver_comment);
  args->pci_runtime_start = block.pci_runtime_start;
  args->pci_runtime_size = block.pci_runtime_size;
  args->pci_mem_start = block.pci_mem_start;
  args->pci_mem_size = block.pci_mem_size;
  args->pci_modctrl_start = block.pci_modctrl_start;
  args->pci_modctrl_size = block.pci_modctrl_size;
  args->pci_io_start = block.pci_io_start;
  args->pci_io_size = block.pci_io_size;
  args->pci_irq = block.pci_irq;
  args->hw_info = block.hw_info;
  memcpy(args->name, block.name, sizeof args->name);
}

// The date and comment texts are fixed fields: print at most their size.
void TraceModuleInfoReturn(VtxLine* line, const VtxModuleInfoArgs* a) {
  const char* name = "VtxModuleInfo";
  // Without argument detail the four return traces would read alike: one "Return" line stands
  // for them.
  if (trace::FunctionOptions() & trace::kFuncDetail) {
    trace::CallReturn(line, name, a,
                      "exists=%u,num_channels=%u,hardware=%u,bus_type=%u,hw_type=0x%X,hw_id=0x%X,"
                      "ordinal_start=%u,num_ordinals=%u,num_ordinals_init=%u",
                      a->exists, a->num_channels, a->hardware, a->bus_type, a->hw_type, a->hw_id,
                      a->ordinal_start, a->num_ordinals, a->num_ordinals_init);
    trace::CallReturn(line, name, a,
                      "pci_vend_id=0x%X,pci_dev_id=0x%X,pci_sub_vend_id=0x%X,pci_sub_id=0x%X,"
                      "pci_interf_type=0x%X",
                      a->pci_vend_id, a->pci_dev_id, a->pci_sub_vend_id, a->pci_sub_id,
                      a->pci_interf_type);
    trace::CallReturn(line, name, a,
                      "pci_runtime_start=0x%X,pci_runtime_size=0x%X,pci_mem_start=0x%X,"
                      "pci_mem_size=0x%X,pci_modctrl_start=0x%X,pci_modctrl_size=0x%X,"
                      "pci_io_start=0x%X,pci_io_size=0x%X,pci_irq=0x%X",
                      a->pci_runtime_start, a->pci_runtime_size, a->pci_mem_start, a->pci_mem_size,
                      a->pci_modctrl_start, a->pci_modctrl_size, a->pci_io_start, a->pci_io_size,
                      a->pci_irq);
  }
  trace::CallReturn(line, name, a,
                    "boot_ver_major=%u,boot_ver_middle=%u,boot_ver_minor=%u,boot_ver_build=%u,"
                    "boot_ver_auto_num=%u,boot_ver_date=%.20s,boot_ver_comment=%.50s,hw_info=0x%X",
                    a->boot_ver_major, a->boot_ver_middle, a->boot_ver_minor, a->boot_ver_build,
                    a->boot_ver_auto_num, a->boot_ver_date, a->boot_ver_comment, a->hw_info);
}

// A module that exists with hardware, asked without a line; false also when the query fails.
bool ModuleHasHardware(uint32_t mod_num) {
  VtxModuleInfoArgs info{};
  info.mod_num = mod_num;
  VtxModuleInfo(nullptr, &info);
  return info.status == CV_STATUS_OK && info.exists && info.hardware;
}

}  // namespace

int ModuleInfoWorker(VtxLine* line, VtxModuleInfoArgs* args) {
  trace::CallEntry(line, "VtxModuleInfo", "mod_num=0x%X", args->mod_num);
  QueryConnection connection(line);
  if (!connection.ready()) {
    Fail(args, APIERR_DRV_OPEN_ERR);
    trace::CallReturn(line, "VtxModuleInfo", args, nullptr);
    return -1;
  }
  VtxDrvModuleInfoBlock block{};
  block.mod_num = args->mod_num;
  bool sent = connection.Request(VTX_DRV_MODULE_INFO, &block, "MODULE_INFO");
  if (sent) {
    CopyModuleInfo(block, args);
  } else {
    Fail(args, APIERR_DRV_IOCTL_ERR);
  }
  TraceModuleInfoReturn(line, args);
  return sent ? 0 : -1;
}

int ModuleConfigSpecsGetWorker(VtxLine* line, VtxModuleArgs* args) {
  const char* name = "VtxModuleConfigSpecsGet";
  trace::CallEntry(line, name, "mod_num=0x%X,config_spec_num=%u", args->mod_num,
                   args->config_spec_num);
  QueryConnection connection(line);
  if (!connection.ready()) {
    Fail(args, APIERR_DRV_OPEN_ERR);
    trace::CallReturn(line, name, args, "ret=%d", -1);
    return -1;
  }
  VtxDrvConfigSpecsBlock block{};
  block.mod_num = args->mod_num;
  block.spec_num = args->config_spec_num;
  int ret;
  if (!connection.Request(VTX_DRV_MODULE_CONFIG_SPECS, &block, "MODULE_CONFIG_SPECS")) {
    Fail(args, APIERR_DRV_IOCTL_ERR);
    ret = -1;
  } else if (block.result == 0) {
    args->config_spec_value = block.value;
    memcpy(args->config_spec_desc, block.desc, sizeof args->config_spec_desc);
    args->config_spec_desc[sizeof args->config_spec_desc - 1] = '\0';
    ret = 1;
  } else {
    ret = 0;
  }
  trace::CallReturn(line, name, args, "ret=%d,config_spec_value=%u,config_spec_desc=%.52s", ret,
                    args->config_spec_value, args->config_spec_desc);
  return ret;
}

int CheckAddressWorker(VtxLine* line, VtxModuleArgs* args) {
  const uint8_t* a = args->m_addr;
  trace::CallEntry(line, "VtxCheckAddress", "m_addr=%02X %02X %02X %02X", a[0], a[1], a[2], a[3]);
  QueryConnection connection(line);
  int ret = 0;
  if (!connection.ready()) {
    Fail(args, APIERR_DRV_OPEN_ERR);
    ret = -1;
  } else {
    VtxDrvAddressCheckBlock block{};
    memcpy(block.address, args->m_addr, 4);
    if (connection.Request(VTX_DRV_ADDRESS_CHECK, &block, "ADDRESS_CHECK")) {
      args->exists = block.result == 0 ? 1 : 0;
    } else {
      Fail(args, APIERR_DRV_IOCTL_ERR);
      ret = -1;
    }
  }
  trace::CallReturn(line, "VtxCheckAddress", args, "exists=%u", args->exists);
  return ret;
}

int CheckFacilityWorker(VtxLine* line, VtxModuleArgs* args) {
  trace::CallEntry(line, "VtxCheckFacility", "facility=0x%X", args->facility);
  int ret = -1;
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
  } else {
    memcpy(args->m_addr, line->dest_addr, 4);
    args->m_addr[0] = static_cast<uint8_t>(args->facility & 0xFF);
    ret = VtxCheckAddress(line, args);
  }
  trace::CallReturn(line, "VtxCheckFacility", args, "exists=%u", args->exists);
  return ret;
}

namespace {

// The half-open range of module numbers that a deactivation names, or false after setting the
// result words.
bool DeactivationRange(VtxModuleArgs* args, uint32_t& first, uint32_t& end) {
  if ((args->mod_num == 0 && args->slot_num <= 0) || (args->mod_num > 0 && args->slot_num > 0) ||
      args->slot_num >= 31) {
    Fail(args, APIERR_BADPARAMETER);
    return false;
  }
  if (args->mod_num != 0) {
    // Modules from 32 up sit in groups of eight that go out of service together.
    if (args->deact_mode == 1 && args->mod_num >= 32) {
      first = args->mod_num & ~7u;
      end = first + 8;
    } else {
      first = args->mod_num;
      end = first + 1;
    }
    return true;
  }
  uint32_t slot = static_cast<uint32_t>(args->slot_num);
  if (ModuleHasHardware(slot + 1)) {
    first = slot + 1;
    end = first + 1;
    return true;
  }
  first = slot * 8 + 24;
  end = first + 8;
  for (uint32_t m = first; m < end; ++m) {
    if (ModuleHasHardware(m)) return true;
  }
  Fail(args, APIERR_INVALID_DEST_ADDR);
  return false;
}

}  // namespace

int ModuleDeactivateWorker(VtxModuleArgs* args) {
  const char* name = "VtxModuleDeactivate";
  trace::CallEntry(nullptr, name, "mod_num=0x%X,slot_num=%u,deact_mode=%d", args->mod_num,
                   static_cast<uint32_t>(args->slot_num), args->deact_mode);
  VtxModuleInfoArgs info{};
  info.mod_num = args->mod_num;
  VtxModuleInfo(nullptr, &info);
  uint32_t first = 0;
  uint32_t end = 0;
  int own = -1;
  if (info.status == CV_STATUS_OK && info.exists && info.bus_type == 3) {
    Fail(args, APIERR_BOARDCAPABILITY);
  } else if (!DeactivationRange(args, first, end)) {
    // result words set by the range
  } else if (DriverOpenHandshake(&own, nullptr) != kDriverReady) {
    Fail(args, APIERR_DRV_OPEN_ERR);
  } else {
    bool sent = false;
    uint32_t last_status = GDI_STS_OK;
    for (uint32_t m = first; m < end; ++m) {
      if (!ModuleHasHardware(m)) continue;
      VtxDrvDeactivateBlock block{};
      block.mod_num = m;
      if (DriverRequest(nullptr, own, VTX_DRV_MODULE_DEACTIVATE, &block, "MODULE_DEACTIVATE")) {
        sent = true;
        last_status = block.drv_status;
      } else {
        Fail(args, APIERR_DRV_IOCTL_ERR);
      }
    }
    if (sent) VtxDrvStatusToApiError(ResultOf(args), last_status);
    DriverClose(&own);
  }
  trace::CallReturn(nullptr, name, nullptr, nullptr);
  return args->status == CV_STATUS_OK ? 0 : -1;
}

}  // namespace vtx

extern "C" {

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

int VtxModuleInfo(VtxLine* line, VtxModuleInfoArgs* args) {
  return Framed<Family::kModule, Carry::kOutput>(vtx::ModuleInfoWorker, line, args);
}
int VtxModuleConfigSpecsGet(VtxLine* line, VtxModuleArgs* args) {
  return Framed<Family::kModule, Carry::kOutput>(vtx::ModuleConfigSpecsGetWorker, line, args);
}
int VtxCheckAddress(VtxLine* line, VtxModuleArgs* args) {
  return Framed<Family::kModule, Carry::kOutput>(vtx::CheckAddressWorker, line, args);
}
int VtxCheckFacility(VtxLine* line, VtxModuleArgs* args) {
  return Framed<Family::kModule, Carry::kOutput>(vtx::CheckFacilityWorker, line, args);
}
int VtxModuleDeactivate(VtxModuleArgs* args) {
  return Framed<Family::kModule, Carry::kInputOnly>(vtx::ModuleDeactivateWorker, args);
}

}  // extern "C"
