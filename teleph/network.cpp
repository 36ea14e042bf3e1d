// Network configuration of a module's ethernet interfaces: set, get and save.
#include <cstring>

#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "common.h"
#include "packet/command_reader.h"
#include "packet/line_io.h"
#include "tele_ctrl.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint16_t kFamilyInet = 2;
constexpr uint32_t kMaxSpeed = 2, kMinDuplex = 1, kMaxDuplex = 2, kMaxFlowControl = 3;
constexpr uint32_t kSetErrorClass = 10, kSaveErrorClass = 9;
constexpr uint32_t kTypeMsecLong = MILL_TYPE_LONG | (MILL_UNIT_MSEC << MILL_TYPE_UNIT_SHIFT);
constexpr uint32_t kTypeBoolByte = MILL_TYPE_BYTE | (MILL_UNIT_BOOLEAN << MILL_TYPE_UNIT_SHIFT);
constexpr size_t kMaxSetTags = 10;

#define NET_ADDR_FORMAT "(sin_fam=%d,sin_port=%u,sin_addr=(%u,%u,%u,%u))"
#define NET_ADDR_ARGS(a) \
  (a).sin_fam, (a).sin_port, (a).sin_addr[0], (a).sin_addr[1], (a).sin_addr[2], (a).sin_addr[3]

// The tags of a set request in order, each only when its flag is raised; false (the result
// words set) at the first value the module would not take.
bool SetTags(VtxLine* line, VtxNetworkArgs* args, MillTagItem* items) {
  size_t n = 0;
  auto add = [&](uint32_t id, uint32_t type, uint32_t len, const void* data) {
    items[n++] = {id, type, len, data};
  };
  add(TELE_CTRL_UNIT_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->unit));
  if (args->set_localNetmask) add(TELE_CTRL_NETMASK_VAR, 0, 4, args->localNetmask.sin_addr);
  if (args->set_gateway1) add(TELE_CTRL_GATEWAY1_VAR, 0, 4, args->gateway1.sin_addr);
  bool ok = true;
  if (args->set_localAddr) {
    if (args->localAddr.sin_fam != kFamilyInet) {
      trace::Message(line, trace::kLevelError, "Bad network address family value %d.\n",
                     args->localAddr.sin_fam);
      ok = false;
    } else {
      add(TELE_CTRL_ADDRESS_FAMILY_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(kFamilyInet));
      add(TELE_CTRL_LOCAL_ADDRESS_VAR, 0, 4, args->localAddr.sin_addr);
    }
  }
  if (ok && args->set_speed) {
    ok = args->speed <= kMaxSpeed;
    add(TELE_CTRL_SPEED_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->speed));
  }
  if (ok && args->set_duplex) {
    ok = args->duplex >= kMinDuplex && args->duplex <= kMaxDuplex;
    add(TELE_CTRL_DUPLEX_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->duplex));
  }
  if (ok && args->set_flowControl) {
    ok = args->flowControl <= kMaxFlowControl;
    add(TELE_CTRL_FULLDUP_FLOW_CTRL_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->flowControl));
  }
  if (args->set_ARPTimeout) {
    add(TELE_CTRL_ARP_TIMEOUT_VAR, kTypeMsecLong, 0, MILL_TAG_VALUE(args->ARPTimeout));
  }
  if (args->ARPflush) add(TELE_CTRL_FLUSH_ARP_VAR, kTypeBoolByte, 0, MILL_TAG_VALUE(1));
  items[n] = {0, 0, 0, nullptr};
  if (!ok) Fail(args, APIERR_BADPARAMETER);
  return ok;
}

// Sends a request with `tags`, waits for `event` and reads its RESULT_CODE: the code, or -1.
int Exchange(VtxLine* line, VtxNetworkArgs* args, uint32_t request, uint32_t event,
             const MillTagItem* tags) {
  if (!SendRequest(line, MILL_FACILITY_TELE_CTRL, request, tags, ResultOf(args))) return -1;
  MillArgs wait;
  if (WaitEvent(line, &wait, MILL_FACILITY_TELE_CTRL, event, packet::kForever) != 1) {
    CopyResult(args, wait);
    return -1;
  }
  const uint32_t code = CommandTagInt(wait, COMMON_RESULT_CODE_VAR);
  if (!DrainRest(line, &wait, ResultOf(args))) return -1;
  return static_cast<int>(code);
}

int NetworkConfigSet(VtxLine* line, VtxNetworkArgs* args) {
  if (!HasCapability(line, kCapNetwork)) {
    Fail(args, APIERR_BOARDCAPABILITY);
    return -1;
  }
  if (args->unit == 0) {
    Fail(args, APIERR_BADPARAMETER);
    return -1;
  }
  --args->unit;
  MillTagItem tags[kMaxSetTags + 1];
  if (!SetTags(line, args, tags)) return -1;
  const int code = Exchange(line, args, TELE_CTRL_NETWORK_CONFIG_SET_REQUEST,
                            TELE_CTRL_NETWORK_CONFIG_DONE_EVENT, tags);
  if (code > 0) {
    FirmwareRefused(line, ResultOf(args), kSetErrorClass, static_cast<uint32_t>(code),
                    "Network configuration setup error %d.");
  }
  return code;
}

// One setting of a NETWORK_CONFIG_INFO event into the record: 1 taken, 0 not a setting, -1 a
// value the record cannot hold.
int TakeSetting(const packet::Tag& tag, VtxNetworkArgs* args) {
  uint8_t* address = nullptr;
  uint32_t* value = nullptr;
  switch (tag.id) {
    case TELE_CTRL_ADDRESS_FAMILY_VAR:
      args->localAddr.sin_fam = static_cast<uint16_t>(tag.Int());
      return args->localAddr.sin_fam == kFamilyInet ? 1 : -1;
    case TELE_CTRL_LOCAL_ADDRESS_VAR:
      address = args->localAddr.sin_addr;
      break;
    case TELE_CTRL_NETMASK_VAR:
      address = args->localNetmask.sin_addr;
      break;
    case TELE_CTRL_GATEWAY1_VAR:
      address = args->gateway1.sin_addr;
      break;
    case TELE_CTRL_SPEED_VAR:
      value = &args->speed;
      break;
    case TELE_CTRL_DUPLEX_VAR:
      value = &args->duplex;
      break;
    case TELE_CTRL_FULLDUP_FLOW_CTRL_VAR:
      value = &args->flowControl;
      break;
    case TELE_CTRL_ARP_TIMEOUT_VAR:
      value = &args->ARPTimeout;
      break;
    case TELE_CTRL_MAC_ADDR_VAR:
      if (tag.data_len != sizeof args->MAC) return -1;
      memcpy(args->MAC, tag.data, sizeof args->MAC);
      return 1;
    default:
      return 0;
  }
  if (value != nullptr) {
    *value = static_cast<uint32_t>(tag.Int());
    return 1;
  }
  if (tag.data_len > 4) return -1;
  memcpy(address, tag.data, tag.data_len);
  return 1;
}

int NetworkConfigGet(VtxLine* line, VtxNetworkArgs* args) {
  if (args->unit == 0) {
    Fail(args, APIERR_BADPARAMETER);
    return -1;
  }
  --args->unit;
  const MillTagItem tags[] = {{TELE_CTRL_UNIT_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->unit)},
                              {0, 0, 0, nullptr}};
  if (!SendRequest(line, MILL_FACILITY_TELE_CTRL, TELE_CTRL_NETWORK_CONFIG_GET_REQUEST, tags,
                   ResultOf(args))) {
    return -1;
  }
  MillArgs wait;
  if (WaitEvent(line, &wait, MILL_FACILITY_TELE_CTRL, TELE_CTRL_NETWORK_CONFIG_INFO_EVENT,
                packet::kForever) != 1) {
    CopyResult(args, wait);
    return -1;
  }
  int reported = 0;
  packet::TagReader settings(wait.tag_ptr, wait.tags_left, false);
  packet::Tag tag;
  while (settings.Next(tag)) {
    const int taken = TakeSetting(tag, args);
    if (taken < 0) {
      Fail(args, APIERR_INVALID_BOARD_PARAM);
      return -1;
    }
    reported += taken;
  }
  if (settings.failed()) {
    Fail(args, APIERR_PACKET_PARSE);
    return -1;
  }
  if (!DrainRest(line, &wait, ResultOf(args))) return -1;
  return reported > 0 ? 1 : 0;
}

int NetworkConfigSave(VtxLine* line, VtxNetworkArgs* args) {
  if (!HasCapability(line, kCapNetwork)) {
    Fail(args, APIERR_BOARDCAPABILITY);
    return -1;
  }
  const int code = Exchange(line, args, TELE_CTRL_NETWORK_CONFIG_SAVE_REQUEST,
                            TELE_CTRL_NETWORK_CONFIG_SAVED_EVENT, nullptr);
  if (code > 0) {
    FirmwareRefused(line, ResultOf(args), kSaveErrorClass, static_cast<uint32_t>(code),
                    "Network config parameter save error, result code %d");
  }
  return code;
}

int SetWorker(VtxLine* line, VtxNetworkArgs* args) {
  const char* name = "VtxNetworkConfigSet";
  trace::CallEntry(
      line, name,
      "unit=%u,set_localNetmask=%u,localNetmask=" NET_ADDR_FORMAT
      ",set_gateway1=%u,gateway1=" NET_ADDR_FORMAT ",set_localAddr=%u,localAddr=" NET_ADDR_FORMAT
      ",set_speed=%u,speed=%u,set_duplex=%u,duplex=%u,set_flowControl=%u,"
      "flowControl=%u,set_ARPTimeout=%u,ARPTimeout=%u,ARPflush=%u",
      args->unit, args->set_localNetmask, NET_ADDR_ARGS(args->localNetmask), args->set_gateway1,
      NET_ADDR_ARGS(args->gateway1), args->set_localAddr, NET_ADDR_ARGS(args->localAddr),
      args->set_speed, args->speed, args->set_duplex, args->duplex, args->set_flowControl,
      args->flowControl, args->set_ARPTimeout, args->ARPTimeout, args->ARPflush);
  const int ret = NetworkConfigSet(line, args);
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

int GetWorker(VtxLine* line, VtxNetworkArgs* args) {
  const char* name = "VtxNetworkConfigGet";
  trace::CallEntry(line, name, "unit=%u", args->unit);
  const int ret = NetworkConfigGet(line, args);
  if (ret < 0) {
    trace::CallReturn(line, name, args, "ret=%d", ret);
    return ret;
  }
  const uint8_t* mac = args->MAC;
  trace::CallReturn(line, name, args,
                    "ret=%d,localNetmask=" NET_ADDR_FORMAT ",localAddr=" NET_ADDR_FORMAT
                    ",gateway1=" NET_ADDR_FORMAT
                    ",speed=%u,duplex=%u,flowControl=%u,ARPTimeout=%u,"
                    "MAC=(%02X %02X %02X %02X %02X %02X)",
                    ret, NET_ADDR_ARGS(args->localNetmask), NET_ADDR_ARGS(args->localAddr),
                    NET_ADDR_ARGS(args->gateway1), args->speed, args->duplex, args->flowControl,
                    args->ARPTimeout, mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return ret;
}

int SaveWorker(VtxLine* line, VtxNetworkArgs* args) {
  const char* name = "VtxNetworkConfigSave";
  trace::CallEntry(line, name, nullptr);
  const int ret = NetworkConfigSave(line, args);
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

#undef NET_ADDR_FORMAT
#undef NET_ADDR_ARGS

}  // namespace
}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxNetworkConfigSet(VtxLine* line, VtxNetworkArgs* args) {
  return Framed<Family::kNetwork, Carry::kInputOnly>(vtx::teleph::SetWorker, line, args);
}

extern "C" int VtxNetworkConfigGet(VtxLine* line, VtxNetworkArgs* args) {
  return Framed<Family::kNetwork, Carry::kOutput>(vtx::teleph::GetWorker, line, args);
}

extern "C" int VtxNetworkConfigSave(VtxLine* line, VtxNetworkArgs* args) {
  return Framed<Family::kNetwork, Carry::kInputOnly>(vtx::teleph::SaveWorker, line, args);
}
