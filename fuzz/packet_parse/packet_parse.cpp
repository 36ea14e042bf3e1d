// Arbitrary bytes through header, command, tag and integer parsing, nested lists included.
// The first byte chooses the address mode and the packet's direction; the rest is the packet,
// copied into a buffer of exactly its size so that any read past it is caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "api/address_mode.h"
#include "trace/api_log.h"
#include "vtx.h"

namespace {

void ReadTags(MillArgs& args, int depth) {
  while (MillGetTag(&args) == 1) {
    if ((args.tag_type & MILL_TYPE_BASE_MASK) == MILL_TYPE_LIST) {
      if (depth < 8) {
        MillArgs list{};
        list.tag_ptr = args.tag_data_ptr;
        list.tags_left = args.tag_data_len;
        ReadTags(list, depth + 1);
      }
      continue;
    }
    MillArgs elements = args;
    while (elements.value_len > 0 && elements.status == 0) MillGetTagInt(&elements);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint32_t quiet = vtx::trace::ExchangeMask(0);
  (void)quiet;
  if (size == 0) return 0;
  vtx::SetFullByteAddressMode((data[0] & 1) != 0);
  std::vector<uint8_t> packet(data + 1, data + size);

  MillArgs args{};
  args.pkt_buf = packet.data();
  args.pkt_len = static_cast<uint32_t>(packet.size());
  args.outgoing = (data[0] >> 1) & 1;
  while (MillGetCmd(&args) == 1) {
    if (MillParseCmd(&args) != 1) break;
    ReadTags(args, 0);
  }

  // The same bytes as raw values.
  MillArgs values{};
  values.value_ptr = packet.data();
  values.value_len = static_cast<uint32_t>(packet.size());
  while (values.value_len > 0 && values.status == 0) MillGetVarint(&values);
  values = MillArgs{};
  values.value_ptr = packet.data();
  values.value_len = static_cast<uint32_t>(packet.size());
  while (values.value_len > 0 && values.status == 0) MillGetVarint15(&values);
  return 0;
}
