#include "ipcc/t38_negotiation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ipcc/t38_params.h"
#include "tests/support/temp_dir.h"
#include "trace/cc_trace.h"

namespace vtx::ipcc::testing {
namespace {

// The host's limits: 9600 bit/s, a 512-byte buffer, 256-byte datagrams, no flags.
VtxT38Params Limits() {
  VtxT38Params limits{};
  limits.t38_max_bit_rate = 3;
  limits.t38_fax_rate_management = kRateTransferredTcf;
  limits.t38_fax_max_buffer = 512;
  limits.t38_fax_max_datagram_recv = 1024;
  limits.t38_fax_udp_EC = kUdpRedundancy;
  limits.t38_fax_max_datagram_send = 256;
  limits.t38_UDPTL_redundancy_depth_control = 5;
  limits.t38_UDPTL_redundancy_depth_image = 2;
  return limits;
}

CIPI_MediaDescription T38Media(const std::vector<std::pair<const char*, const char*>>& attributes) {
  CIPI_MediaDescription media{};
  strcpy(media.media_class, "Image");
  media.transport = CIPI_TRANSPORT_UDPTL;
  media.format_count = 1;
  strcpy(media.formats[0], "t38");
  for (const auto& [name, value] : attributes) {
    CIPI_MediaAttribute& attribute = media.attributes[media.attribute_count++];
    strcpy(attribute.name, name);
    strcpy(attribute.value, value);
  }
  return media;
}

class T38Test : public ::testing::Test {
 protected:
  void SetUp() override {
    trace::cc::SetTraceFile(trace_.c_str());
    trace::cc::SetCategory(trace::cc::kHostModuleTrace, trace::cc::kLevelVerbose,
                           trace::cc::kToFile);
  }
  void TearDown() override {
    trace::cc::SetTraceFile(nullptr);
    trace::cc::SetCategory(trace::cc::kHostModuleTrace, 0, 0);
  }
  std::string Trace() const {
    std::ifstream in(trace_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  vtx::testing::TempDir dir_{"t38"};
  std::string trace_ = dir_.Path("trace.log");
};

// One far-end description, as an offer and as a selection of the host's offer.
struct Case {
  const char* what;
  std::vector<std::pair<const char*, const char*>> attributes;
  // The offer settles at: bit rate, fill bit removal, rate management, buffer, EC.
  std::array<uint32_t, 5> settled;
  const char* refusal;  // the selection's message, or null when it is accepted
};
// Where an offer settles that asks for no less than the host's limits.
constexpr std::array<uint32_t, 5> kAtLimits = {3, 0, 9, 512, 6};

TEST_F(T38Test, OffersSettleDownToTheLimitsAndSelectionsAreCheckedStrictly) {
  const Case cases[] = {
      {"14400 to a 9600 host",
       {{"T38MaxBitRate", "14400"}},
       kAtLimits,
       "[2,5] Invalid T38 fax max bit rate: 14400(5)"},
      {"within every limit",
       {{"T38MaxBitRate", "4800"}, {"T38FaxMaxBuffer", "300"}},
       {1, 0, 9, 300, 6},
       nullptr},
      {"localTCF",
       {{"T38FaxRateManagement", "localTCF"}},
       kAtLimits,
       "[2,5] Invalid T38 fax rate management: localTCF(8)"},
      {"a flag present with the value false",
       {{"T38FaxFillBitRemoval", "false"}},
       kAtLimits,
       nullptr},
      {"t38UDPFEC",
       {{"T38FaxUdpEC", "t38UDPFEC"}},
       kAtLimits,
       "[2,5] Invalid T38 fax UDP EC: t38UDPFEC(7)"},
      {"a buffer of 32",
       {{"T38FaxMaxBuffer", "32"}},
       kAtLimits,
       "[2,5] Invalid T38 fax max buffer: min=64, max=512, recv=32"},
      {"names of any case",
       {{"t38maxbitrate", "9600"}, {"T38FAXUDPEC", "T38udpREDUNDANCY"}},
       kAtLimits,
       nullptr},
      {"an unknown bit rate",
       {{"T38MaxBitRate", "fast"}},
       kAtLimits,
       "[2,5] Invalid T38 fax max bit rate: Unknown(-1)"},
      {"version 1", {{"T38FaxVersion", "1"}}, kAtLimits, "[2,5] Invalid T38 fax version: 1"},
      {"a datagram over the limit",
       {{"T38FaxMaxDatagram", "300"}},
       kAtLimits,
       "[2,5] Invalid T38 fax max datagram send: min=1, max=256, recv=300"},
      {"an empty buffer value",
       {{"T38FaxMaxBuffer", ""}},
       kAtLimits,
       "[2,5] Invalid T38 fax max buffer: min=64, max=512, recv=-1"},
      {"a non-numeric buffer",
       {{"T38FaxMaxBuffer", "lots"}},
       kAtLimits,
       "[2,5] Invalid T38 fax max buffer: min=64, max=512, recv=-1"},
  };
  const CallPlace place{2, 5};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CIPI_MediaDescription media = T38Media(c.attributes);
    MediaRecord offered{true, 0x10, {}};
    EXPECT_TRUE(ProcessMediaT38Params(place, 7, Event_CIPI_MediaOffer, media, Limits(), offered));
    const std::array<uint32_t, 5> settled = {
        offered.t38.t38_max_bit_rate, offered.t38.t38_fax_fill_bit_removal,
        offered.t38.t38_fax_rate_management, offered.t38.t38_fax_max_buffer,
        offered.t38.t38_fax_udp_EC};
    EXPECT_EQ(settled, c.settled);

    trace::cc::SetTraceFile(nullptr);
    trace::cc::SetTraceFile(trace_.c_str());
    MediaRecord selected{true, 0x11, {}};
    const bool accepted =
        ProcessMediaT38Params(place, 7, Event_CIPI_MediaSelected, media, Limits(), selected);
    EXPECT_EQ(accepted, c.refusal == nullptr);
    if (c.refusal != nullptr) {
      EXPECT_NE(Trace().find(c.refusal), std::string::npos) << Trace();
    }
  }
}

TEST_F(T38Test, AFlagPresentWithFalseCountsAsTrueAndIsKeptOnlyWhenTheHostAllowsIt) {
  VtxT38Params read = Limits();
  ReadFarEndT38Params(T38Media({{"t38faxfillbitremoval", "false"}}), read);
  EXPECT_EQ(read.t38_fax_fill_bit_removal, 1u);
  EXPECT_EQ(read.t38_fax_transcoding_MMR, 0u) << "absent flags are 0";
  VtxT38Params allowing = Limits();
  allowing.t38_fax_fill_bit_removal = 1;
  NegotiateT38Offer(read, allowing);
  EXPECT_EQ(read.t38_fax_fill_bit_removal, 1u);
}

TEST_F(T38Test, TheWriterPutsNineAttributesInItsOrder) {
  CIPI_MediaDescription media = T38Media({{"old", "gone"}});
  VtxT38Params own = Limits();
  own.t38_fax_fill_bit_removal = 1;
  WriteOwnT38Params(media, own);
  ASSERT_EQ(media.attribute_count, 9u);
  const char* expected[9][2] = {{"T38FaxVersion", "0"},
                                {"T38MaxBitRate", "9600"},
                                {"T38FaxFillBitRemoval", "true"},
                                {"T38FaxTranscodingMMR", "false"},
                                {"T38FaxTranscodingJBIG", "false"},
                                {"T38FaxRateManagement", "transferredTCF"},
                                {"T38FaxMaxBuffer", "512"},
                                {"T38FaxMaxDatagram", "256"},
                                {"T38FaxUdpEC", "t38UDPRedundancy"}};
  for (int i = 0; i < 9; ++i) {
    EXPECT_STREQ(media.attributes[i].name, expected[i][0]);
    EXPECT_STREQ(media.attributes[i].value, expected[i][1]);
  }
  // What the writer wrote reads back as the same words, except that the three flags are always
  // written and so read as present.
  VtxT38Params back = own;
  back.t38_max_bit_rate = back.t38_fax_max_buffer = back.t38_fax_max_datagram_send = 0;
  back.t38_fax_rate_management = back.t38_fax_udp_EC = 0;
  ReadFarEndT38Params(media, back);
  VtxT38Params as_read = own;
  as_read.t38_fax_transcoding_MMR = as_read.t38_fax_transcoding_JBIG = 1;
  EXPECT_EQ(T38TraceLine(back), T38TraceLine(as_read));

  CIPI_MediaDescription audio = media;
  strcpy(audio.media_class, "audio");
  audio.attribute_count = 1;
  WriteOwnT38Params(audio, own);
  EXPECT_EQ(audio.attribute_count, 1u) << "only T.38 descriptions are written";
}

TEST_F(T38Test, TextsFillingTheirWholeFieldAreReadAsFiftyCharacters) {
  CIPI_MediaDescription media = T38Media({{"T38MaxBitRate", "x"}});
  memset(media.attributes[0].value, '9', sizeof media.attributes[0].value);  // no NUL
  media.attribute_count = 99;  // more than the record holds
  VtxT38Params read = Limits();
  ReadFarEndT38Params(media, read);
  EXPECT_EQ(read.t38_max_bit_rate, kUnknownValue);
  EXPECT_EQ(kBitRateNames.ValueOf("9600 and more"), kUnknownValue);
  EXPECT_EQ(kRateManagementNames.ValueOf("LOCALtcf"), kRateLocalTcf);
  EXPECT_STREQ(kErrorCorrectionNames.NameOf(3), "Unknown");
}

TEST_F(T38Test, OtherEventsAndInvalidMediaRecordsAreRefused) {
  const CIPI_MediaDescription media = T38Media({});
  MediaRecord record{true, 0x21, {}};
  EXPECT_FALSE(ProcessMediaT38Params({3, 4}, 0x9, Event_CIPI_CallOffered, media, Limits(), record));
  MediaRecord invalid{false, 0x22, {}};
  EXPECT_FALSE(ProcessMediaT38Params({3, 4}, 0x9, Event_CIPI_MediaOffer, media, Limits(), invalid));
  const std::string trace = Trace();
  EXPECT_NE(trace.find("[3,4] ProcessMediaOfferT38Params:unexpected media event: hmc=0x9, "
                       "event=Event_CIPI_CallOffered(1)"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("[3,4] ProcessMediaOfferT38Params:invalid media record: hmc=0x9, hmr=0x22"),
            std::string::npos);
  EXPECT_EQ(T38TraceLine(Limits()),
            "t38_version=0,t38_max_bit_rate=3,t38_fax_fill_bit_removal=0,"
            "t38_fax_transcoding_MMR=0,t38_fax_transcoding_JBIG=0,t38_fax_rate_management=9,"
            "t38_fax_max_buffer=512,t38_fax_max_datagram_recv=1024,t38_fax_udp_EC=6,"
            "t38_fax_max_datagram_send=256,t38_UDPTL_redundancy_depth_control=5,"
            "t38_UDPTL_redundancy_depth_image=2,t38_t30_fast_notify=0)");
  EXPECT_TRUE(IsT38Description(media));
  CIPI_MediaDescription rtp = media;
  rtp.transport = 1;
  EXPECT_FALSE(IsT38Description(rtp));
}

}  // namespace
}  // namespace vtx::ipcc::testing
