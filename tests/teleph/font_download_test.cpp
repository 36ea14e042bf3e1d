#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "admin.h"
#include "api/reset_status.h"
#include "api/status_text.h"
#include "fax.h"
#include "sim/fax_firmware.h"
#include "tests/support/capture.h"
#include "tests/teleph/board_fixture.h"

namespace {

using vtx::testing::TraceCapture;

// A line attached to module 2 itself, where fonts are downloaded.
class FontDownloadTest : public vtx::testing::BoardLineTest {
 protected:
  std::string FontFile(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    font_ = bytes;
    return Write(bytes, "font.fz8");
  }
  // A piece of three bytes of font `font_no`.
  static VtxFontArgs Piece(int32_t font_no) {
    static const uint8_t kPiece[3] = {9, 8, 7};
    VtxFontArgs args{};
    args.buf = kPiece;
    args.size = sizeof kPiece;
    args.font_no = font_no;
    return args;
  }
  std::vector<sim::FwCommand> Sent(uint32_t verb) {
    return BoardLineTest::Sent(MILL_FACILITY_FAX, verb);
  }

  std::vector<uint8_t> font_;
};

TEST_F(FontDownloadTest, FileGoesOutInPiecesBetweenStartAndFinish) {
  TraceCapture trace(0x4);
  VtxFontArgs args{};
  const std::string path = FontFile(2 * 1006 + 100);
  args.fname = path.c_str();
  args.font_no = 255;
  EXPECT_EQ(VtxFaxDownloadFont(module_, &args), 0) << args.status << "/" << args.line_status;
  EXPECT_EQ(args.status, CV_STATUS_OK);

  auto starts = Sent(MILL_VERB_START);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].code, static_cast<uint32_t>(FAX_FONT_DOWNLOAD_MODE));
  ASSERT_NE(starts[0].Find(FAX_FONT_NUM_VAR), nullptr);
  EXPECT_EQ(starts[0].Find(FAX_FONT_NUM_VAR)->data, std::vector<uint8_t>{0xFF});
  auto data = Sent(MILL_VERB_DATA);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data[0].data_bits, 8u * 1006);
  EXPECT_EQ(data[2].data.size(), 100u);
  EXPECT_EQ(Sent(MILL_VERB_FINISH).size(), 1u);
  EXPECT_EQ(board().fax().fonts[255], font_);

  EXPECT_EQ(
      trace.messages("download_font "),
      (std::vector<std::string>{"download_font 1006", "download_font 2012", "download_font 2112"}));
  EXPECT_FALSE(module_->fax.font_download);
}

TEST_F(FontDownloadTest, RefusalsBeforeStarting) {
  TraceCapture trace(0x4);
  VtxFontArgs args{};
  const std::string missing = dir_.Path("missing.fz8");
  args.fname = missing.c_str();
  EXPECT_EQ(VtxFaxDownloadFont(module_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_FILEIO);
  EXPECT_EQ(module_->reset_status & vtx::kResetFontFile, vtx::kResetFontFile);
  EXPECT_TRUE(trace.Contains("download_font: file open error " + missing));

  const uint8_t piece[4] = {1, 2, 3, 4};
  args = VtxFontArgs{};
  args.buf = piece;
  args.size = sizeof piece;
  args.font_no = 31;
  EXPECT_EQ(VtxFaxDownloadFontData(module_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
  args.font_no = 3;
  args.buf = nullptr;
  EXPECT_EQ(VtxFaxDownloadFontData(module_, &args), -1) << "no end without a start";
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
  EXPECT_EQ(module_->reset_status & vtx::kResetFontRefused, vtx::kResetFontRefused);

  args.buf = piece;
  EXPECT_EQ(VtxFaxDownloadFontData(line_, &args), -1) << "a channel line";
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_EQ(line_->reset_status & vtx::kResetFontRefused, vtx::kResetFontRefused);

  sim::MarkFontInUse(board(), 3, true);
  args.status = 0;
  EXPECT_EQ(VtxFaxDownloadFontData(module_, &args), -1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_BUSY);
  EXPECT_EQ(module_->reset_status & vtx::kResetFontInUse, vtx::kResetFontInUse);
  EXPECT_TRUE(Sent(MILL_VERB_START).empty());
  EXPECT_FALSE(module_->fax.font_download);

  // Another font is free; the default font reads bit 31.
  sim::MarkFontInUse(board(), 255, true);
  args.font_no = 4;
  EXPECT_EQ(VtxFaxDownloadFontData(module_, &args), 0);
  EXPECT_TRUE(module_->fax.font_download);
}

TEST_F(FontDownloadTest, FirmwareFailureKeepsItsTextAndRestoresTheFlow) {
  board().fax().font_result = 2;
  module_->fax.flow_word = 1;
  VtxFontArgs args = Piece(0);
  ASSERT_EQ(VtxFaxDownloadFontData(module_, &args), 0);
  EXPECT_EQ(module_->fax.flow_word, 2u);

  TraceCapture trace(0x8);
  args.buf = nullptr;
  EXPECT_EQ(VtxFaxDownloadFontData(module_, &args), -1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_FIRMWARE_ERR_DETECTED);
  EXPECT_EQ(module_->reset_status & vtx::kResetFirmwareError, vtx::kResetFirmwareError);
  EXPECT_TRUE(trace.Contains("Font Download error, result code 2"));
  vtx::api::StatusText text{};
  vtx::api::FormStatusText(module_, args.status, args.line_status, &text);
  EXPECT_NE(std::string(text.description).find("Font in use"), std::string::npos)
      << text.description;
  EXPECT_EQ(module_->fax.flow_word, 1u);
  EXPECT_FALSE(module_->fax.font_download);
  EXPECT_EQ(board().fax().fonts.count(0), 0u);
}

}  // namespace
