#include "ipcc/tarrowsip/sdp_media.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tarrowsip {
namespace {

constexpr char kSession[] =
    "v=0\r\no=far 1 1 IN IP4 10.0.0.9\r\ns=-\r\nc=IN IP4 10.0.0.9\r\nt=0 0\r\n";

bool Read(const std::string& body, CIPI_MediaDescription& media, std::string& why) {
  return SdpToMedia(body.data(), body.size(), media, why);
}

std::string Attribute(const CIPI_MediaDescription& media, uint32_t i) {
  return std::string(media.attributes[i].name) + "=" + media.attributes[i].value;
}

struct Readable {
  const char* what;
  std::string body;
  const char* media_class;
  uint32_t transport;
  uint16_t port;
  uint8_t address_last;
  std::vector<std::string> formats;
  std::vector<std::string> attributes;  // "name=value"
};

TEST(SdpToMediaTest, ReadsTheMediumOfferedToTheHost) {
  const std::vector<Readable> table = {
      {"a T.38 offer, flags without values, LF line ends tolerated",
       std::string(kSession) + "m=image 6000 udptl t38\na=T38FaxVersion:0\na=T38MaxBitRate:14400\n"
                               "a=T38FaxFillBitRemoval\r\n",
       "image",
       CIPI_TRANSPORT_UDPTL,
       6000,
       9,
       {"t38"},
       {"T38FaxVersion=0", "T38MaxBitRate=14400", "T38FaxFillBitRemoval="}},
      {"T.38 preferred over audio listed first; its own connection line wins",
       std::string(kSession) +
           "m=audio 5004 RTP/AVP 0 8\r\na=rtpmap:0 PCMU/8000\r\n"
           "m=image 6002 udptl t38\r\nc=IN IP4 10.0.0.7\r\na=T38FaxUdpEC:t38UDPRedundancy\r\n",
       "image",
       CIPI_TRANSPORT_UDPTL,
       6002,
       7,
       {"t38"},
       {"T38FaxUdpEC=t38UDPRedundancy"}},
      {"audio alone, a refused medium (port 0) skipped",
       std::string(kSession) + "m=image 0 udptl t38\r\nm=audio 5004 RTP/AVP 0 8 101\r\n",
       "audio",
       kTransportRtp,
       5004,
       9,
       {"0", "8", "101"},
       {}},
  };
  for (const Readable& row : table) {
    SCOPED_TRACE(row.what);
    CIPI_MediaDescription media;
    std::string why;
    ASSERT_TRUE(Read(row.body, media, why)) << why;
    EXPECT_STREQ(media.media_class, row.media_class);
    EXPECT_EQ(media.transport, row.transport);
    EXPECT_EQ(media.port, row.port);
    EXPECT_EQ(media.address[0], 10);
    EXPECT_EQ(media.address[3], row.address_last);
    ASSERT_EQ(media.format_count, row.formats.size());
    for (uint32_t i = 0; i < media.format_count; ++i) EXPECT_EQ(media.formats[i], row.formats[i]);
    ASSERT_EQ(media.attribute_count, row.attributes.size());
    for (uint32_t i = 0; i < media.attribute_count; ++i) {
      EXPECT_EQ(Attribute(media, i), row.attributes[i]);
    }
  }
}

TEST(SdpToMediaTest, RefusesWhatCannotBeDescribedWithItsReason) {
  const std::string long_value(51, '9');
  const std::vector<std::pair<std::string, std::string>> table = {
      {"", "no medium"},
      {std::string(kSession), "no medium"},
      {std::string(kSession) + "m=image 0 udptl t38\r\n", "no medium"},
      {std::string(kSession) + std::string("m=\0image 6000 udptl t38\r\n", 25), "NUL byte"},
      {std::string(kSession) + "m=audio 5004 RTP/SAVP 0\r\n", "unknown transport \"RTP/SAVP\""},
      {std::string(kSession) + "m=image 70000 udptl t38\r\n", "bad port \"70000\""},
      {std::string(kSession) + "m=image 60x0 udptl t38\r\n", "bad port"},
      {"v=0\r\nc=IN IP6 ::1\r\nm=image 6000 udptl t38\r\n", "no IPv4 connection address"},
      {"v=0\r\nc=IN IP4 10.0.0.300\r\nm=image 6000 udptl t38\r\n", "no IPv4 connection address"},
      {std::string(kSession) + "m=image 6000 udptl t38\r\na=T38MaxBitRate:" + long_value + "\r\n",
       "attribute \"T38MaxBitRate\" is longer than 50 characters"},
  };
  for (const auto& [body, reason] : table) {
    SCOPED_TRACE(body);
    CIPI_MediaDescription media;
    std::string why;
    EXPECT_FALSE(Read(body, media, why));
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

TEST(SdpToMediaTest, KeepsAsManyFormatsAndAttributesAsTheDescriptionHolds) {
  std::string body = std::string(kSession) + "m=audio 5004 RTP/AVP";
  for (int i = 0; i < 12; ++i) body += " " + std::to_string(96 + i);
  body += "\r\n";
  for (int i = 0; i < 20; ++i) body += "a=fmtp:" + std::to_string(96 + i) + "\r\n";
  CIPI_MediaDescription media;
  std::string why;
  ASSERT_TRUE(Read(body, media, why)) << why;
  EXPECT_EQ(media.format_count, CIPI_MAX_MEDIA_FORMATS);
  EXPECT_STREQ(media.formats[9], "105");
  EXPECT_EQ(media.attribute_count, CIPI_MAX_MEDIA_ATTRIBUTES);
  EXPECT_EQ(Attribute(media, 14), "fmtp=110");
}

TEST(MediaToSdpTest, WritesOurAnswerAsASessionTheFarEndReadsBack) {
  CIPI_MediaDescription answer{};
  snprintf(answer.media_class, sizeof answer.media_class, "image");
  answer.transport = CIPI_TRANSPORT_UDPTL;
  answer.format_count = 1;
  snprintf(answer.formats[0], sizeof answer.formats[0], "t38");
  answer.attribute_count = 2;
  snprintf(answer.attributes[0].name, sizeof answer.attributes[0].name, "T38MaxBitRate");
  snprintf(answer.attributes[0].value, sizeof answer.attributes[0].value, "9600");
  snprintf(answer.attributes[1].name, sizeof answer.attributes[1].name, "T38FaxFillBitRemoval");
  const uint8_t address[4] = {127, 0, 0, 1};
  memcpy(answer.address, address, 4);
  answer.port = 40002;
  std::string body;
  ASSERT_TRUE(MediaToSdp(answer, 7, 2, body));
  EXPECT_EQ(body,
            "v=0\r\no=tarrowsip 7 2 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
            "m=image 40002 udptl t38\r\na=T38MaxBitRate:9600\r\na=T38FaxFillBitRemoval\r\n");
  CIPI_MediaDescription back;
  std::string why;
  ASSERT_TRUE(Read(body, back, why)) << why;
  EXPECT_EQ(memcmp(&back, &answer, sizeof back), 0);

  answer.transport = 9;
  EXPECT_FALSE(MediaToSdp(answer, 7, 1, body));
  answer.transport = kTransportRtp;
  answer.format_count = 0;
  EXPECT_FALSE(MediaToSdp(answer, 7, 1, body));
}

}  // namespace
}  // namespace tarrowsip
