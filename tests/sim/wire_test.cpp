#include "sim/wire.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "vtx.h"

namespace {

using sim::wire::Bytes;

TEST(WireTest, MessageBlocksCarryTheirBytesNotTheirPointers) {
  uint8_t packet[5] = {1, 2, 3, 4, 5};
  VtxDrvMsgBlock send{};
  send.session = 0x101;
  send.buffer = packet;
  send.length = sizeof packet;
  send.timeout_ms = 30;
  Bytes request;
  sim::wire::EncodeRequest(VTX_DRV_MSG_SEND, &send, request);
  const uint8_t expected[] = {12, 0, 0, 0, 44, 0, 0, 0, 0x01, 1, 0, 0,
                              0,  0, 0, 0, 5,  0, 0, 0, 30,   0, 0, 0};
  ASSERT_GE(request.size(), sizeof expected);
  EXPECT_EQ(0, memcmp(request.data(), expected, sizeof expected));
  sim::wire::Request decoded;
  ASSERT_TRUE(sim::wire::DecodeRequest(request.data(), request.size(), decoded));
  EXPECT_EQ(decoded.data, Bytes(packet, packet + 5));

  // A receive answer larger than the caller's buffer is refused, not copied.
  uint8_t buffer[4];
  VtxDrvMsgBlock receive{};
  receive.buffer = buffer;
  receive.length = sizeof buffer;
  Bytes block(44, 0);
  sim::wire::SetWord(block, 2, 5);
  Bytes response;
  sim::wire::EncodeResponse(0, block, Bytes(5, 0xAA), response);
  EXPECT_EQ(sim::wire::DecodeResponse(VTX_DRV_MSG_RECEIVE, response, &receive), EPROTO);
}

TEST(WireTest, DecodeNeverTrustsALength) {
  VtxDriverVersion version{};
  Bytes request;
  sim::wire::EncodeRequest(VTX_DRV_GET_VERSION, &version, request);
  sim::wire::Request decoded;
  for (size_t cut = 0; cut < request.size(); ++cut) {
    EXPECT_FALSE(sim::wire::DecodeRequest(request.data(), cut, decoded)) << cut;
  }
  request[4] = 0xFF;  // block length beyond the bytes
  EXPECT_FALSE(sim::wire::DecodeRequest(request.data(), request.size(), decoded));
  const uint8_t unknown[] = {99, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(sim::wire::DecodeRequest(unknown, sizeof unknown, decoded));
  EXPECT_EQ(sim::wire::DecodeResponse(VTX_DRV_GET_VERSION, Bytes{1, 2}, &version), EPROTO);
}

}  // namespace
