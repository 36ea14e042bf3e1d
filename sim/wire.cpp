#include "sim/wire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "vtx.h"

namespace sim::wire {
namespace {

constexpr size_t kMsgWords = 11;

bool IsMessage(uint32_t subcommand) {
  return subcommand == VTX_DRV_MSG_SEND || subcommand == VTX_DRV_MSG_RECEIVE ||
         subcommand == VTX_DRV_MSG_SEND_ASYNC || subcommand == VTX_DRV_MSG_RECEIVE_ASYNC;
}

bool IsSend(uint32_t subcommand) {
  return subcommand == VTX_DRV_MSG_SEND || subcommand == VTX_DRV_MSG_SEND_ASYNC;
}

void PutWord(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetWord(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The message block as eleven words, the buffer pointer's word zero.
void PutMessageWords(const VtxDrvMsgBlock& m, Bytes& out) {
  const uint32_t words[kMsgWords] = {m.session,        0,
                                     m.length,         m.timeout_ms,
                                     m.options,        m.drv_status,
                                     m.notify_address, m.dest_address,
                                     m.src_address,    m.data_bits,
                                     m.stream};
  for (uint32_t w : words) PutWord(out, w);
}

// Finds "u32 length, bytes" at `pos` without copying; false when the bytes run short.
bool FindChunk(const uint8_t* bytes, size_t size, size_t& pos, const uint8_t*& chunk,
               size_t& length) {
  if (size - pos < 4) return false;
  length = GetWord(bytes + pos);
  pos += 4;
  if (size - pos < length) return false;
  chunk = bytes + pos;
  pos += length;
  return true;
}

}  // namespace

size_t BlockSize(uint32_t subcommand) {
  if (IsMessage(subcommand)) return kMsgWords * 4;
  switch (subcommand) {
    case VTX_DRV_GET_VERSION:
      return sizeof(VtxDriverVersion);
    case VTX_DRV_SESSION_CREATE:
    case VTX_DRV_SESSION_DESTROY:
      return sizeof(VtxDrvSessionBlock);
    case VTX_DRV_ADDRESS_ASSOC:
      return sizeof(VtxDrvAssocBlock);
    case VTX_DRV_CLEAR_OUTPUT:
    case VTX_DRV_CLEAR_INPUT:
      return sizeof(VtxDrvClearBlock);
    case VTX_DRV_MODULE_INFO:
      return sizeof(VtxDrvModuleInfoBlock);
    case VTX_DRV_MODULE_RECONFIG:
    case VTX_DRV_MODULE_RESET:
    case VTX_DRV_ASYNC_CANCEL:
      return sizeof(VtxDrvModuleCtlBlock);
    case VTX_DRV_ADDRESS_CHECK:
      return sizeof(VtxDrvAddressCheckBlock);
    case VTX_DRV_MODULE_DEACTIVATE:
      return sizeof(VtxDrvDeactivateBlock);
    case VTX_DRV_MODULE_CONFIG_SPECS:
      return sizeof(VtxDrvConfigSpecsBlock);
    default:
      return 0;
  }
}

size_t MaxRequestSize() {
  size_t largest = 0;
  for (uint32_t subcommand = 0; subcommand <= VTX_DRV_CLEAR_INPUT; ++subcommand) {
    largest = std::max(largest, BlockSize(subcommand));
  }
  return 3 * 4 + largest + kMaxMessageBytes;
}

// Both ends keep their buffers between requests: nothing here allocates once they have grown.
void EncodeRequest(uint32_t subcommand, const void* block, Bytes& out) {
  out.clear();
  PutWord(out, subcommand);
  PutWord(out, static_cast<uint32_t>(BlockSize(subcommand)));
  const uint8_t* data = nullptr;
  uint32_t data_size = 0;
  if (IsMessage(subcommand)) {
    const auto& m = *static_cast<const VtxDrvMsgBlock*>(block);
    PutMessageWords(m, out);
    if (IsSend(subcommand) && m.buffer != nullptr) {
      data = m.buffer;
      data_size = static_cast<uint32_t>(std::min<size_t>(m.length, kMaxMessageBytes));
    }
  } else {
    const auto* p = static_cast<const uint8_t*>(block);
    out.insert(out.end(), p, p + BlockSize(subcommand));
  }
  PutWord(out, data_size);
  if (data_size != 0) out.insert(out.end(), data, data + data_size);
}

int DecodeResponse(uint32_t subcommand, const Bytes& response, void* block) {
  if (response.size() < 4) return EPROTO;
  int result = static_cast<int>(GetWord(response.data()));
  size_t pos = 4;
  const uint8_t* body;
  size_t body_size;
  const uint8_t* data;
  size_t data_size;
  if (!FindChunk(response.data(), response.size(), pos, body, body_size) ||
      !FindChunk(response.data(), response.size(), pos, data, data_size) ||
      pos != response.size()) {
    return EPROTO;
  }
  if (body_size != BlockSize(subcommand)) return EPROTO;
  if (!IsMessage(subcommand)) {
    memcpy(block, body, body_size);
    return result;
  }
  auto& m = *static_cast<VtxDrvMsgBlock*>(block);
  uint32_t capacity = m.length;
  m.session = GetWord(body);
  m.length = GetWord(body + 8);
  m.timeout_ms = GetWord(body + 12);
  m.options = GetWord(body + 16);
  m.drv_status = GetWord(body + 20);
  m.notify_address = GetWord(body + 24);
  m.dest_address = GetWord(body + 28);
  m.src_address = GetWord(body + 32);
  m.data_bits = GetWord(body + 36);
  m.stream = GetWord(body + 40);
  if (!IsSend(subcommand)) {
    if (data_size > capacity || m.length != data_size) return EPROTO;
    if (data_size != 0) memcpy(m.buffer, data, data_size);
  }
  return result;
}

bool DecodeRequest(const uint8_t* bytes, size_t size, Request& out) {
  if (size < 4) return false;
  out.subcommand = GetWord(bytes);
  size_t pos = 4;
  const uint8_t* block;
  size_t block_size;
  const uint8_t* data;
  size_t data_size;
  if (!FindChunk(bytes, size, pos, block, block_size) ||
      !FindChunk(bytes, size, pos, data, data_size)) {
    return false;
  }
  out.block.assign(block, block + block_size);
  out.data.assign(data, data + data_size);
  return pos == size && BlockSize(out.subcommand) != 0 &&
         out.block.size() == BlockSize(out.subcommand);
}

void EncodeResponse(int result, const Bytes& block, const Bytes& data, Bytes& out) {
  out.clear();
  PutWord(out, static_cast<uint32_t>(result));
  PutWord(out, static_cast<uint32_t>(block.size()));
  out.insert(out.end(), block.begin(), block.end());
  PutWord(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

uint32_t Word(const Bytes& block, size_t index) {
  return GetWord(block.data() + 4 * index);
}

void SetWord(Bytes& block, size_t index, uint32_t value) {
  for (int i = 0; i < 4; ++i) block[4 * index + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace sim::wire
