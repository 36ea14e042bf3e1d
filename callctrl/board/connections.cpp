#include "callctrl/board/connections.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "os/file.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelError;
using trace::cc::kLevelVerbose;

constexpr size_t kLineSize = 512;  // lines of up to 511 characters
// The largest connections file read: every slot of a module connected many times over.
constexpr uint64_t kConnectionsFileLimit = 4 << 20;
constexpr uint32_t kHostPortClass = 0;  // the module's host channels
constexpr uint32_t kLinePortClass = 1;  // a telephony port's time slots
constexpr uint32_t kHostStream = 0;
constexpr uint32_t kLineStream = 1;
constexpr uint32_t kDuplex = 0;

struct FileCloser {
  FILE* file;
  ~FileCloser() { fclose(file); }
};

// Connects the channels `first`..`end`-1 of an object, whose line units start at `base`, to the
// next host channels while the module has any: line unit N sits on the line stream at slot N,
// host channel N on the host stream at slot N. False when a connection failed.
bool ConnectObject(BoardModule& module, uint32_t base, uint32_t first, uint32_t end,
                   uint32_t& host_channel) {
  for (uint32_t channel = first; channel < end && host_channel < module.channel_count;
       ++channel, ++host_channel) {
    VtxTelephArgs args{};
    args.conn_mode = kDuplex;
    args.src_port_class = kLinePortClass;
    args.src_port_unit = base + channel;
    args.src_stream = kLineStream;
    args.src_slot = base + channel;
    args.dest_port_class = kHostPortClass;
    args.dest_port_unit = host_channel;
    args.dest_stream = kHostStream;
    args.dest_slot = host_channel;
    if (VtxCallSWConnect(module.admin, &args) != 0 || args.status != CV_STATUS_OK) return false;
    ++module.connections_made;
  }
  return true;
}

}  // namespace

ConnectionLine ReadConnectionLine(const char* text, VtxTelephArgs& args) {
  char keyword[kLineSize];
  const int fields =
      sscanf(text, "%511s %x %x %u %u %u %x %u %u %u", keyword, &args.conn_mode,
             &args.src_port_class, &args.src_port_unit, &args.src_stream, &args.src_slot,
             &args.dest_port_class, &args.dest_port_unit, &args.dest_stream, &args.dest_slot);
  if (fields <= 0) return ConnectionLine::kBlank;
  if (fields == 10 && strcmp(keyword, "connect") == 0) return ConnectionLine::kConnect;
  return keyword[0] == '#' ? ConnectionLine::kComment : ConnectionLine::kUnreadable;
}

bool FollowConnectionsFile(BoardModule& module, const char* file_name) {
  std::string error;
  FILE* file = os::OpenRegularFile(file_name, true, kConnectionsFileLimit, error);
  if (file == nullptr) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Error making connections, cannot find connections file %s. Module 0x%X",
                     file_name, module.module_number);
    if (errno != ENOENT) trace::cc::Trace(kInternalTrace, kLevelError, "%s", error.c_str());
    return false;
  }
  FileCloser closer{file};
  char line[kLineSize];
  for (int number = 1; fgets(line, sizeof line, file) != nullptr; ++number) {
    VtxTelephArgs args{};
    switch (ReadConnectionLine(line, args)) {
      case ConnectionLine::kConnect:
        VtxCallSWConnect(module.admin, &args);
        if (args.status == CV_STATUS_OK) {
          ++module.connections_made;
        } else {
          trace::cc::Trace(kInternalTrace, kLevelError,
                           "Connection failed (status %d) file %s, line %d. Module 0x%X",
                           static_cast<int>(args.status), file_name, number, module.module_number);
        }
        break;
      case ConnectionLine::kUnreadable:
        trace::cc::Trace(kInternalTrace, kLevelError,
                         "Cannot parse connection file %s, line %d. Module 0x%X", file_name, number,
                         module.module_number);
        break;
      default:
        break;
    }
  }
  return true;
}

bool MakeAutoConnections(BoardModule& module) {
  const ModuleConfigRecord& record = module.record;
  uint32_t host_channel = 0;  // the port objects' channels first, then the IP objects'
  if (record.connections[0] != '\0') {
    if (!FollowConnectionsFile(module, record.connections)) return false;
  } else if (record.auto_connect != 0 && module.port0_typed && module.port_count > 0) {
    uint32_t base = 0;  // the first line unit of the port
    for (uint32_t index = 1; index < kMaxPorts; ++index) {
      if (module.objects[index] == nullptr) continue;
      const PortConfigRecord& port = record.ports[index - 1];
      const auto first = static_cast<uint32_t>(port.fractional_start_channel);
      uint32_t end = module.port_channels[index];
      if (port.fractional_channel_count != -1 &&
          first + static_cast<uint32_t>(port.fractional_channel_count) < end) {
        end = first + static_cast<uint32_t>(port.fractional_channel_count);
      }
      const bool connected = ConnectObject(module, base, first, end, host_channel);
      base += module.port_channels[index];
      if (!connected) {
        trace::cc::Trace(kInternalTrace, kLevelError, "Error making connections, module 0x%X",
                         module.module_number);
        return false;
      }
    }
  }
  uint32_t ip_units = 0;
  for (uint32_t slot = module.ip_base; slot < kCcSlots; ++slot) {
    const CallControlObject* object = module.objects[slot].get();
    if (object == nullptr) continue;
    const bool connected = ConnectObject(module, ip_units, 0, object->ChannelCount(), host_channel);
    ip_units += object->ChannelCount();
    if (!connected) {
      trace::cc::Trace(kInternalTrace, kLevelError, "Error making IP connections, module 0x%X",
                       module.module_number);
      return false;
    }
  }
  trace::cc::Trace(kInternalTrace, kLevelVerbose, "Autoconnect OK, module 0x%X",
                   module.module_number);
  return true;
}

}  // namespace vtx::callctrl
