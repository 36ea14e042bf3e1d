// tarrow t38 negotiate, run as an administrator runs it.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/program.h"

namespace {

using vtx::testing::RunTarrow;

bool Has(const std::string& output, const std::string& text) {
  return output.find(text) != std::string::npos;
}

TEST(T38Command, AnOfferSettlesAtTheLimitsAndItsSelectionIsRefused) {
  std::string output;
  EXPECT_EQ(RunTarrow("t38 negotiate --limits t38_max_bit_rate=9600 t38_fax_max_buffer=256 "
                      "--offer T38MaxBitRate:14400 T38FaxMaxBuffer:1000 --select",
                      &output),
            1)
      << output;
  EXPECT_TRUE(Has(output, "limits:  t38_version=0,t38_max_bit_rate=3,")) << output;
  EXPECT_TRUE(Has(output,
                  "offer:   t38_version=0,t38_max_bit_rate=3,t38_fax_fill_bit_removal=0,"
                  "t38_fax_transcoding_MMR=0,t38_fax_transcoding_JBIG=0,"
                  "t38_fax_rate_management=9,t38_fax_max_buffer=256,"));
  EXPECT_TRUE(Has(output, "select:  refused: [0,0] Invalid T38 fax max bit rate: 14400(5)"));

  EXPECT_EQ(RunTarrow("t38 negotiate --offer t38maxbitrate:9600 --select", &output), 0) << output;
  EXPECT_TRUE(Has(output, "select:  accepted"));
}

TEST(T38Command, BadLimitsAndOffersAreRefusedWithTheirReason) {
  std::string output;
  EXPECT_EQ(
      RunTarrow("t38 negotiate --limits t38_fax_max_buffer=10 --offer T38MaxBitRate:9600", &output),
      1);
  EXPECT_TRUE(Has(output,
                  "tarrow t38: --limits t38_fax_max_buffer=10: The setting '10' for the "
                  "mandatory parameter 't38_fax_max_buffer' is incorrect."))
      << output;
  EXPECT_EQ(RunTarrow("t38 negotiate --limits speed=1 --offer T38MaxBitRate:9600", &output), 1);
  EXPECT_TRUE(Has(output, "tarrow t38: --limits speed=1: no such T.38 key")) << output;
  EXPECT_EQ(RunTarrow("t38 negotiate --offer T38MaxBitRate:" + std::string(51, '9'), &output), 1);
  EXPECT_TRUE(Has(output, "expected NAME:VALUE of 1 to 50 and 0 to 50 characters")) << output;
  EXPECT_EQ(RunTarrow("t38 negotiate", &output), 2);
  EXPECT_EQ(RunTarrow("t38 settle --offer a:b", &output), 2);
}

}  // namespace
