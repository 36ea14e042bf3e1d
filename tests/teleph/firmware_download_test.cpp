#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "admin.h"
#include "api/status_text.h"
#include "sim/machine.h"
#include "tests/support/capture.h"
#include "tests/teleph/board_fixture.h"

namespace {

using vtx::testing::FirmwareImage;
using vtx::testing::TraceCapture;

constexpr uint32_t kPiece = 8048;
constexpr uint32_t kFirmwareError = 0x40000000;

class FirmwareDownloadTest : public vtx::testing::BoardLineTest {
 protected:
  void SetUp() override {
    BoardLineTest::SetUp();
    vtx::SetCapability(module_, 73);  // type 3, the type of the module's bus
  }
  int Download(const std::string& path, uint32_t dl_type = 3, uint32_t config_spec = 0) {
    args_ = VtxFirmwareArgs{};
    args_.fname = path.c_str();
    args_.dl_type = dl_type;
    args_.specify_type = 1;
    args_.dl_dest = 0x10;
    args_.config_spec_value = config_spec;
    return VtxFirmwareDownload(module_, &args_);
  }
  std::string StatusText() {
    vtx::api::StatusText text{};
    vtx::api::FormStatusText(module_, args_.status, args_.line_status, &text);
    return text.description;
  }

  VtxFirmwareArgs args_{};
};

TEST_F(FirmwareDownloadTest, FileGoesOutInPiecesWithProgressThenFinishes) {
  const auto image = FirmwareImage(14 * kPiece + 1000, "6.1.0.9 2026-11-30 field update");
  const std::string path = Write(image);
  module_->fax.flow_word = 1;
  TraceCapture trace(0x4, VTX_FUNC_DBG_CALLS | VTX_FUNC_DBG_DETAIL);
  EXPECT_EQ(Download(path), 0) << args_.status << "/" << args_.line_status;
  EXPECT_EQ(args_.status, 0u);

  // Fifteen pieces, then the finishing call without a buffer.
  std::vector<std::string> calls = trace.messages("VtxFirmwareDownloadData: Called");
  ASSERT_EQ(calls.size(), 16u);
  EXPECT_NE(calls[14].find("size=1000,"), std::string::npos) << calls[14];
  EXPECT_NE(calls[15].find("buf=0x0,size=0,"), std::string::npos) << calls[15];
  EXPECT_EQ(trace.messages("download "),
            (std::vector<std::string>{"download 56336", "download 112672", "download 113672"}));

  auto starts = Sent(MILL_FACILITY_ADMIN, MILL_VERB_START, ADMIN_FIRMWARE_DOWNLOAD_MODE);
  ASSERT_EQ(starts.size(), 1u);
  ASSERT_NE(starts[0].Find(ADMIN_FIRMWARE_DL_TYPE_VAR), nullptr);
  EXPECT_EQ(starts[0].Find(ADMIN_FIRMWARE_DL_TYPE_VAR)->data, std::vector<uint8_t>{3});
  EXPECT_EQ(starts[0].Find(ADMIN_FIRMWARE_DESTINATION_VAR)->data,
            (std::vector<uint8_t>{0x10, 0, 0, 0}));
  EXPECT_EQ(Sent(MILL_FACILITY_ADMIN, MILL_VERB_DATA).size(), 15u);
  const sim::FirmwareDownloadState& received = board().maintenance().download;
  EXPECT_EQ(received.image, image);
  EXPECT_EQ(received.installed, 1u);
  EXPECT_EQ(board().report.control_proc.major, 6);
  EXPECT_EQ(board().report.control_proc.build, 9);
  EXPECT_EQ(board().report.control_proc.comment, "field update");
  EXPECT_EQ(board().reset_count, 0u) << "only a control-processor image resets the module";
  EXPECT_EQ(module_->fax.flow_word, 1u);
  EXPECT_FALSE(module_->board.fw_download);
}

TEST_F(FirmwareDownloadTest, RefusalsBeforeAnythingIsSent) {
  const std::string path = Write(FirmwareImage(100));
  TraceCapture trace(0x8);
  EXPECT_EQ(Download(path, 4), -1);
  EXPECT_EQ(args_.status, 2u);
  EXPECT_EQ(args_.line_status, 5u);
  EXPECT_EQ(Download(path, 2), -1) << "the line lacks capability 74";
  EXPECT_EQ(args_.line_status, 3u);
  EXPECT_EQ(Download(dir_.Path("missing.bin")), -1);
  EXPECT_EQ(args_.line_status, 1u);
  EXPECT_TRUE(trace.Contains("download: file open error"));

  VtxFirmwareArgs end{};
  EXPECT_EQ(VtxFirmwareDownloadData(module_, &end), -1) << "no end without a start";
  EXPECT_EQ(end.line_status, 5u);
  end.async_lp = 1;
  EXPECT_EQ(VtxFirmwareDownloadData(module_, &end), -1);
  EXPECT_EQ(end.line_status, 29u);
  EXPECT_TRUE(board().CommandLog().empty());
  EXPECT_EQ(board().reset_count, 0u);

  // A line that takes downloads without a module behind them sends nothing at all.
  vtx::SetCapability(module_, 88);
  EXPECT_EQ(Download(path, 4), 0);
  EXPECT_TRUE(board().CommandLog().empty());
}

TEST_F(FirmwareDownloadTest, CrcErrorKeepsItsTextAndRestoresTheFlow) {
  auto image = FirmwareImage(3 * kPiece, "7.0.0.1");
  image[5000] ^= 0xFF;
  module_->fax.flow_word = 1;
  TraceCapture trace(0x8);
  EXPECT_EQ(Download(Write(image)), 5);
  EXPECT_EQ(args_.status, 2u);
  EXPECT_EQ(args_.line_status, 26u);
  EXPECT_NE(StatusText().find("CRC error"), std::string::npos) << StatusText();
  EXPECT_TRUE(trace.Contains("Download error, result code 5"));
  EXPECT_EQ(module_->reset_status & kFirmwareError, kFirmwareError);
  EXPECT_EQ(module_->fax.flow_word, 1u);
  EXPECT_FALSE(module_->board.fw_download);
  EXPECT_EQ(board().maintenance().download.installed, 0u);
  EXPECT_NE(board().report.control_proc.major, 7) << "a bad image leaves the version";

  // The same image intact goes in.
  EXPECT_EQ(Download(Write(FirmwareImage(3 * kPiece, "7.0.0.1"))), 0);
  EXPECT_EQ(board().report.control_proc.major, 7);
}

TEST_F(FirmwareDownloadTest, ControlProcessorImageResetsAndReconfiguresAround) {
  vtx::SetCapability(module_, 74);
  board().maintenance().download.control_proc_reset = true;
  TraceCapture trace(0x4);
  EXPECT_EQ(Download(Write(FirmwareImage(2 * kPiece)), 2, 7), 0) << args_.line_status;
  EXPECT_EQ(args_.status, 0u);
  EXPECT_EQ(board().reset_count, 2u) << "before, and again for the flash update";
  EXPECT_EQ(board().reconfig_values, (std::vector<uint32_t>{7, 7}));
  const std::vector<std::string> steps = {
      "Pre ctrl proc firmware module reset", "Pre ctrl proc firmware module reconfig",
      "Post flash update module reset", "Post ctrl proc firmware module reconfig, conf spec 7",
      "Ctrl proc firmware download sequence done."};
  for (const auto& step : steps) EXPECT_TRUE(trace.Contains(step)) << step;
}

TEST_F(FirmwareDownloadTest, DriverFaultsAroundTheDownload) {
  vtx::SetCapability(module_, 74);
  const std::string path = Write(FirmwareImage(100));
  machine().InjectFault(VTX_DRV_MODULE_RESET, sim::Fault{0, GDI_STS_FAILED, false});
  TraceCapture trace(0x8);
  EXPECT_EQ(Download(path, 2), -1);
  EXPECT_EQ(args_.line_status, 32u);
  EXPECT_TRUE(trace.Contains("Reset error GDI_STS_FAILED"));
  EXPECT_TRUE(Sent(MILL_FACILITY_ADMIN, MILL_VERB_START).empty());

  machine().InjectFault(VTX_DRV_MODULE_RECONFIG, sim::Fault{0, GDI_STS_TIMEOUT, false});
  EXPECT_EQ(Download(path, 2), -1);
  EXPECT_EQ(args_.line_status, 34u);
  EXPECT_TRUE(trace.Contains("Reconfiguration error GDI_STS_TIMEOUT"));

  machine().InjectFault(VTX_DRV_MODULE_RESET, sim::Fault{EIO, 0, false});
  EXPECT_EQ(Download(path, 2), -1);
  EXPECT_EQ(args_.line_status, 11u);
  EXPECT_FALSE(module_->board.fw_download);
}

TEST_F(FirmwareDownloadTest, ModuleGoingAwayMidwayEndsTheDownload) {
  // The module's data flow stops after the second piece.
  VtxLine* line = module_;
  int pieces = 0;
  board().firmware().Set(MILL_FACILITY_ADMIN, MILL_VERB_DATA, sim::kAnyCode,
                         [line, &pieces](const sim::FwCommand&, sim::FwAnswer&) {
                           if (++pieces == 2) line->fax.flow_word = 0;
                         });
  module_->fax.flow_word = 1;
  EXPECT_EQ(Download(Write(FirmwareImage(4 * kPiece))), -1);
  EXPECT_EQ(pieces, 2);
  EXPECT_TRUE(Sent(MILL_FACILITY_ADMIN, MILL_VERB_FINISH).empty());
  EXPECT_EQ(module_->fax.flow_word, 1u);
  EXPECT_FALSE(module_->board.fw_download);

  // A piece of an application's own that is larger than one transfer goes out whole.
  std::vector<uint8_t> big(20000, 0x5A);
  pieces = 0;
  VtxFirmwareArgs data{};
  data.buf = big.data();
  data.size = static_cast<uint32_t>(big.size());
  data.dl_type = 3;
  board().firmware().Set(MILL_FACILITY_ADMIN, MILL_VERB_DATA, sim::kAnyCode,
                         [&pieces](const sim::FwCommand&, sim::FwAnswer&) { ++pieces; });
  EXPECT_EQ(VtxFirmwareDownloadData(module_, &data), 0);
  EXPECT_EQ(pieces, 3);
  EXPECT_TRUE(module_->board.fw_download);
  EXPECT_EQ(module_->fax.flow_word, 2u);
}

}  // namespace
