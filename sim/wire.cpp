#include "sim/wire.h"

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

// Reads "u32 length, bytes" at `pos`, advancing it; false when the bytes run short.
bool GetChunk(const uint8_t* bytes, size_t size, size_t& pos, Bytes& out) {
  if (size - pos < 4) return false;
  uint32_t length = GetWord(bytes + pos);
  pos += 4;
  if (size - pos < length) return false;
  out.assign(bytes + pos, bytes + pos + length);
  pos += length;
  return true;
}

// The message block as eleven words, the buffer pointer's word zero.
Bytes MessageWords(const VtxDrvMsgBlock& m) {
  const uint32_t words[kMsgWords] = {m.session,        0,
                                     m.length,         m.timeout_ms,
                                     m.options,        m.drv_status,
                                     m.notify_address, m.dest_address,
                                     m.src_address,    m.data_bits,
                                     m.stream};
  Bytes out;
  for (uint32_t w : words) PutWord(out, w);
  return out;
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

void EncodeRequest(uint32_t subcommand, const void* block, Bytes& out) {
  out.clear();
  PutWord(out, subcommand);
  Bytes body;
  Bytes data;
  if (IsMessage(subcommand)) {
    const auto& m = *static_cast<const VtxDrvMsgBlock*>(block);
    body = MessageWords(m);
    if (IsSend(subcommand) && m.buffer != nullptr) data.assign(m.buffer, m.buffer + m.length);
  } else {
    const auto* p = static_cast<const uint8_t*>(block);
    body.assign(p, p + BlockSize(subcommand));
  }
  PutWord(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  PutWord(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

int DecodeResponse(uint32_t subcommand, const Bytes& response, void* block) {
  size_t pos = 0;
  if (response.size() < 4) return EPROTO;
  int result = static_cast<int>(GetWord(response.data()));
  pos = 4;
  Bytes body;
  Bytes data;
  if (!GetChunk(response.data(), response.size(), pos, body) ||
      !GetChunk(response.data(), response.size(), pos, data) || pos != response.size()) {
    return EPROTO;
  }
  if (body.size() != BlockSize(subcommand)) return EPROTO;
  if (!IsMessage(subcommand)) {
    memcpy(block, body.data(), body.size());
    return result;
  }
  auto& m = *static_cast<VtxDrvMsgBlock*>(block);
  uint32_t capacity = m.length;
  m.session = Word(body, 0);
  m.length = Word(body, 2);
  m.timeout_ms = Word(body, 3);
  m.options = Word(body, 4);
  m.drv_status = Word(body, 5);
  m.notify_address = Word(body, 6);
  m.dest_address = Word(body, 7);
  m.src_address = Word(body, 8);
  m.data_bits = Word(body, 9);
  m.stream = Word(body, 10);
  if (!IsSend(subcommand)) {
    if (data.size() > capacity || m.length != data.size()) return EPROTO;
    if (!data.empty()) memcpy(m.buffer, data.data(), data.size());
  }
  return result;
}

bool DecodeRequest(const uint8_t* bytes, size_t size, Request& out) {
  if (size < 4) return false;
  out.subcommand = GetWord(bytes);
  size_t pos = 4;
  if (!GetChunk(bytes, size, pos, out.block) || !GetChunk(bytes, size, pos, out.data)) {
    return false;
  }
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
