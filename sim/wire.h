// The marshalled form of a driver request, the same for the embedded simulator and for the
// daemon's socket: little-endian 32-bit words, pointers replaced by the bytes they designate.
//
//   request:  u32 sub-command, u32 block length, block, u32 data length, data
//   response: u32 result (0 or an errno), u32 block length, block, u32 data length, data
//
// MSG_SEND carries its packet as data; MSG_RECEIVE asks for at most its buffer size and gets the
// received bytes back as data. Every other block travels as its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::wire {

using Bytes = std::vector<uint8_t>;

// The size of a sub-command's parameter block on the wire; 0 for an unknown sub-command.
size_t BlockSize(uint32_t subcommand);

// The most bytes one message request carries: a packet's length field counts 16 bits, and of raw
// data the driver takes no more than one DATA command holds. The client sends no more.
constexpr size_t kMaxMessageBytes = 0x10000 + 16;
// The largest request there is: the largest block and a message's bytes.
size_t MaxRequestSize();

// Client side: forms the request from a parameter block in the caller's memory.
void EncodeRequest(uint32_t subcommand, const void* block, Bytes& out);
// Client side: copies a response back into the caller's block (and receive buffer). Returns the
// result word, or EPROTO when the response is malformed.
int DecodeResponse(uint32_t subcommand, const Bytes& response, void* block);

// Server side: a request taken apart. Parsing never trusts a length it read.
struct Request {
  uint32_t subcommand = 0;
  Bytes block;
  Bytes data;
};
bool DecodeRequest(const uint8_t* bytes, size_t size, Request& out);
void EncodeResponse(int result, const Bytes& block, const Bytes& data, Bytes& out);

// Reads a little-endian word of a block; the block must hold it.
uint32_t Word(const Bytes& block, size_t index);
void SetWord(Bytes& block, size_t index, uint32_t value);

}  // namespace sim::wire
