#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "callctrl/hostlib/cipi_events.h"
#include "callctrl/hostlib/host_module_library.h"
#include "ipcc/tarrowhm/event_script.h"
#include "tests/support/temp_dir.h"

namespace vtx::callctrl::testing {
namespace {

CIPI_EventHeader HeaderOf(const void* record) {
  CIPI_EventHeader header;
  memcpy(&header, record, sizeof header);
  return header;
}

TEST(TarrowhmScriptTest, LinesBecomeEventRecordsOrSayWhatIsWrong) {
  tarrowhm::ScriptEvent event;
  std::string error;
  ASSERT_EQ(tarrowhm::ParseScriptLine("  250 call_offered 7 1000 2000", event, error), 1);
  EXPECT_EQ(event.delay_ms, 250u);
  const CIPI_EventHeader header = HeaderOf(event.record.data());
  EXPECT_EQ(header.event, static_cast<uint32_t>(Event_CIPI_CallOffered));
  EXPECT_EQ(header.call, 7u);
  ASSERT_EQ(header.length, sizeof(CIPI_CallParties));
  CIPI_CallParties parties;
  memcpy(&parties, event.record.data() + sizeof header, sizeof parties);
  EXPECT_STREQ(parties.calling, "1000");
  EXPECT_STREQ(parties.called, "2000");
  ASSERT_EQ(tarrowhm::ParseScriptLine("0 call_released 7", event, error), 1);
  uint32_t cause = 0;
  memcpy(&cause, event.record.data() + sizeof header, sizeof cause);
  EXPECT_EQ(cause, 16u) << "normal clearing when no cause is given";

  ASSERT_EQ(
      tarrowhm::ParseScriptLine("0 media_offer 7 T38MaxBitRate:14400 t38faxudpec:", event, error),
      1)
      << error;
  CIPI_MediaDescription media;
  ASSERT_EQ(HeaderOf(event.record.data()).length, sizeof media);
  memcpy(&media, event.record.data() + sizeof header, sizeof media);
  EXPECT_STREQ(media.media_class, "image");
  EXPECT_EQ(media.transport, static_cast<uint32_t>(CIPI_TRANSPORT_UDPTL));
  ASSERT_EQ(media.attribute_count, 2u);
  EXPECT_STREQ(media.attributes[0].name, "T38MaxBitRate");
  EXPECT_STREQ(media.attributes[0].value, "14400");
  EXPECT_STREQ(media.attributes[1].value, "") << "an empty value is kept as it is";

  EXPECT_EQ(tarrowhm::ParseScriptLine("", event, error), 0);
  EXPECT_EQ(tarrowhm::ParseScriptLine("   # a comment", event, error), 0);
  const struct {
    const char* line;
    const char* error;
  } bad[] = {
      {"soon call_connected 1", "expected a delay of 0 to 3600000 ms, got \"soon\""},
      {"3600001 call_connected 1", "expected a delay of 0 to 3600000 ms, got \"3600001\""},
      {"5 ringing 1",
       "expected call_offered, call_connected, call_released, media_offer or "
       "media_selected, got \"ringing\""},
      {"5 media_offer 1 T38MaxBitRate", "expected an attribute NAME:VALUE"},
      {"5 media_offer 1 :9600", "expected an attribute NAME:VALUE"},
      {"5 call_connected 0", "expected a call identifier of 1 or more, got \"0\""},
      {"5 call_connected 99999999999", "expected a call identifier of 1 or more"},
      {"5 call_released 2 300", "expected a cause of 0 to 127, got \"300\""},
      {"5 call_connected 2 now", "unexpected \"now\" after the event"},
  };
  for (const auto& line : bad) {
    error.clear();
    EXPECT_EQ(tarrowhm::ParseScriptLine(line.line, event, error), -1) << line.line;
    EXPECT_EQ(error.rfind(line.error, 0), 0u) << line.line << ": " << error;
  }
  EXPECT_EQ(
      tarrowhm::ParseScriptLine("1 call_offered 1 " + std::string(64, '9') + " 2", event, error),
      -1);
}

std::string g_script;  // what the key callback answers for "event_script"

int32_t ScriptKey(const char* name, int32_t* size, char* buffer) {
  if (strcmp(name, "event_script") != 0) {
    *size = 0;
    return 0;
  }
  const auto needed = static_cast<int32_t>(g_script.size() + 1);
  if (*size < needed) {
    *size = needed;
    return -1;
  }
  memcpy(buffer, g_script.c_str(), static_cast<size_t>(needed));
  *size = needed;
  return 1;
}

// The library runs for real: its script's events in order, a command answered, nothing after
// the close.
TEST(TarrowhmTest, ScriptedEventsThenCommandsThenNothingAfterTheClose) {
  vtx::testing::TempDir dir("tarrowhm");
  g_script = dir.Path("script.txt");
  std::ofstream(g_script) << "0 call_offered 3 100 200\n5 call_connected 3\n";
  HostModuleLibrary library;
  ASSERT_TRUE(library.Load(TARROWHM_PATH));
  char version[CIPI_INFO_TEXT_SIZE];
  ASSERT_EQ(0, library.OpenLibrary(nullptr, ScriptKey, -1, version));
  std::vector<uint8_t> event(CIPI_EVENT_SIZE);
  ASSERT_EQ(0, library.GetEvent(5000, event.data()));
  EXPECT_EQ(HeaderOf(event.data()).event, static_cast<uint32_t>(Event_CIPI_CallOffered));
  ASSERT_EQ(0, library.GetEvent(5000, event.data()));
  EXPECT_EQ(HeaderOf(event.data()).event, static_cast<uint32_t>(Event_CIPI_CallConnected));
  EXPECT_EQ(CIPI_EVENT_TIMEOUT, library.GetEvent(1, event.data())) << "the script is done";

  const CIPI_CommandHeader answer{Command_CIPI_Answer, 3, 0};
  ASSERT_EQ(0, library.SendCommand(&answer));
  ASSERT_EQ(0, library.GetEvent(1000, event.data()));
  EXPECT_EQ(HeaderOf(event.data()).event, static_cast<uint32_t>(Event_CIPI_CommandDone));
  EXPECT_EQ(HeaderOf(event.data()).call, 3u);
  CIPI_CommandResult result;
  memcpy(&result, event.data() + sizeof(CIPI_EventHeader), sizeof result);
  EXPECT_EQ(result.command, static_cast<uint32_t>(Command_CIPI_Answer));
  EXPECT_EQ(result.result, 0);

  EXPECT_EQ(0, library.CloseLibrary(-1));
  EXPECT_NE(0, library.SendCommand(&answer));
  EXPECT_NE(0, library.GetEvent(1, event.data()));
  EXPECT_NE(CIPI_EVENT_TIMEOUT, library.GetEvent(1, event.data()));
}

}  // namespace
}  // namespace vtx::callctrl::testing
