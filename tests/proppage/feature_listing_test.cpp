#include "proppage/feature_listing.h"

#include <gtest/gtest.h>

#include <string>

#include "admin.h"
#include "tests/support/simulated_board.h"

namespace vtx::testing {
namespace {

class FeatureListingTest : public SimulatedBoardTest {
 protected:
  std::string List(int module, size_t limit = 8192) {
    std::string box(limit, '\0');
    size_t written = proppage::ListFeatures(module, &box[0], limit);
    EXPECT_LT(written, limit);
    return box.substr(0, written);
  }
  sim::Module& board() { return *machine().FindModule(2); }
  size_t ChannelResets() {
    return Received(board(), sim::kAnyFacility, kAnyVerb, ADMIN_CHANNEL_RESET_REQUEST).size();
  }
};

TEST_F(FeatureListingTest, ListsEveryFeatureInTheKeyColumn) {
  board().report.features = {"Fax#T", "V34#F", "Channels=8", "Model$GANTRY-8"};
  EXPECT_EQ(List(2),
            "Fax        : True\r\n"
            "V34        : False\r\n"
            "Channels   : 8\r\n"
            "Model      : GANTRY-8\r\n");
  EXPECT_EQ(ChannelResets(), 1u);
}

TEST_F(FeatureListingTest, BusyChannelFallsBackToTheModuleSession) {
  VtxLine* holder = AttachSession(2, 2);
  ASSERT_NE(holder, nullptr);
  board().report.features = {"Fax#T"};
  EXPECT_EQ(List(2), "Fax        : True\r\n");
  EXPECT_EQ(ChannelResets(), 0u);  // the module line is not reset on the board
  VtxLineArgs detach{};
  EXPECT_EQ(VtxLineDetach(holder, &detach), 0);
}

TEST_F(FeatureListingTest, LimitsAndFailures) {
  board().report.features = {"Fax#T", "V34#T"};
  EXPECT_EQ(List(2, 20), "Fax        : True\r\n");  // 18 characters and the terminator
  EXPECT_EQ(List(2, 18), "");

  board().report.features = {"Fax#T", "Odd?1", "V34#T"};
  EXPECT_EQ(List(2),
            "Fax        : True\r\n"
            "The hardware or firmware does not have a required capability.\r\n");

  board().report.capabilities[MILL_FACILITY_ADMIN].tags.clear();
  EXPECT_EQ(List(2), "The hardware or firmware does not have a required capability.\r\n");

  std::string untouched(16, 'x');
  EXPECT_EQ(proppage::ListFeatures(0x40, &untouched[0], untouched.size()), 0u);
  EXPECT_EQ(untouched, std::string(16, 'x'));
}

}  // namespace
}  // namespace vtx::testing
