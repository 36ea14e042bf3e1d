#include "callctrl/hostmod/host_module.h"

#include <gtest/gtest.h>

#include <thread>

#include "api/line.h"
#include "callctrl/board/exchange.h"
#include "callctrl/board/master_election.h"
#include "callctrl/hostmod/library_run.h"
#include "callctrl/module_tables.h"
#include "hostctrl.h"
#include "os/library.h"
#include "tests/callctrl/hostmod/cipi_probe.h"
#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

using namespace std::chrono_literals;

// The probe library, opened by the test beside the framework so that both see one instance.
class Probe {
 public:
  Probe() : handle_(::os::LibraryOpen(CIPI_PROBE_PATH, error_)) {
    if (handle_ == nullptr) return;
    state_ = reinterpret_cast<ProbeStateFn>(::os::LibrarySymbol(handle_, "probe_state"))();
    lock_ = reinterpret_cast<ProbeLockFn>(::os::LibrarySymbol(handle_, "probe_lock"))();
    notify_ = reinterpret_cast<ProbeNotifyFn>(::os::LibrarySymbol(handle_, "probe_notify"));
    *state_ = ProbeState{};
  }
  ~Probe() { ::os::LibraryClose(handle_); }
  template <typename Change>
  void Set(Change change) {
    {
      std::lock_guard<std::mutex> hold(*lock_);
      change(*state_);
    }
    notify_();
  }
  ProbeState Get() {
    std::lock_guard<std::mutex> hold(*lock_);
    return *state_;
  }
  bool loaded() const { return state_ != nullptr; }

 private:
  std::string error_;  // why the probe did not open
  ::os::Library* handle_;
  ProbeState* state_ = nullptr;
  std::mutex* lock_ = nullptr;
  ProbeNotifyFn notify_ = nullptr;
};

class HostModuleTest : public StartTest {
 protected:
  void SetUp() override {
    StartTest::SetUp();
    ASSERT_TRUE(probe_.loaded());
    trace::cc::SetTraceFile(trace_.c_str());
    trace::cc::SetCategory(trace::cc::kInternalTrace, trace::cc::kLevelVerbose, trace::cc::kToFile);
    trace::cc::SetCategory(trace::cc::kHostModuleTrace, trace::cc::kLevelVerbose,
                           trace::cc::kToFile);
    trace::cc::SetCategory(trace::cc::kIpStackTrace, trace::cc::kLevelVerbose, trace::cc::kToFile);
  }
  HostModuleConfigRecord Record(uint32_t number, const char* library) {
    HostModuleConfigRecord record{};
    record.number = number;
    record.enabled = 1;
    snprintf(record.module_library, sizeof record.module_library, "%s", library);
    return record;
  }
  // Waits until the trace holds `text`.
  bool Eventually(const std::string& text) {
    for (int i = 0; i < 500; ++i) {
      if (Traced(text)) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }

  Probe probe_;
};

TEST_F(HostModuleTest, TheLibraryOpensWithTheKeysOfHostModules1And2Only) {
  HostModule first(1);
  ASSERT_TRUE(StartHostModule(first, Record(1, CIPI_PROBE_PATH))) << Trace();
  ProbeState seen = probe_.Get();
  EXPECT_EQ(seen.trace_level, 4) << "the IP stack trace is verbose";
  ASSERT_NE(seen.keys, nullptr);
  const int32_t length = static_cast<int32_t>(strlen(CIPI_PROBE_PATH)) + 1;
  EXPECT_EQ(seen.fit_result, 1);
  EXPECT_EQ(seen.fit_value, CIPI_PROBE_PATH);
  EXPECT_EQ(seen.fit_size, length);
  EXPECT_EQ(seen.short_result, -1) << "a buffer one byte short";
  EXPECT_EQ(seen.short_size, length) << "the size needed";
  EXPECT_EQ(seen.unknown_result, 0);
  EXPECT_EQ(seen.unknown_size, 0);
  EXPECT_TRUE(Traced("probe opened with 42")) << "the library traces through the framework";
  EXPECT_TRUE(
      Traced("CIPI version 9.8, Stack vendor Probe vendor, Stack name Probe stack, "
             "Stack version 0.1, hm=0x81"));
  StopHostModule(first);

  trace::cc::SetCategory(trace::cc::kIpStackTrace, 0, 0);
  probe_.Set([](ProbeState& state) { state = ProbeState{}; });
  HostModule third(3);
  ASSERT_TRUE(StartHostModule(third, Record(3, CIPI_PROBE_PATH)));
  seen = probe_.Get();
  EXPECT_EQ(seen.trace_level, 0) << "the IP stack trace writes nothing";
  EXPECT_EQ(seen.keys, nullptr) << "host modules 3..9 get no key callback";
}

TEST_F(HostModuleTest, EventsPostedBeforeTheStopAreHandledAndTheLibraryIsClosedFirst) {
  auto host = std::make_unique<HostModule>(1);
  ASSERT_TRUE(StartHostModule(*host, Record(1, CIPI_PROBE_PATH)));
  probe_.Set([](ProbeState& state) { state.events_to_send = 3; });
  EXPECT_TRUE(Eventually("event=Event_CIPI_CallReleased(3), hcr=0x3")) << Trace();
  host.reset();  // stops it
  const ProbeState seen = probe_.Get();
  EXPECT_EQ(seen.calls.rfind("Close "), seen.calls.size() - 6) << seen.calls;
  EXPECT_EQ(seen.calls.find("SetTrace Open GetEvent"), 0u) << seen.calls;
  EXPECT_TRUE(
      Traced("ProcessLibraryEvent:invalid call record: hm=0x81, "
             "event=Event_CIPI_CallReleased(3), hcr=0x1"));
  EXPECT_EQ(probe_.Get().get_events, seen.get_events) << "no call after the stop";
}

TEST_F(HostModuleTest, LibraryErrorsArePostedAfterAPauseWithoutSpinning) {
  HostModule host(2);
  ASSERT_TRUE(StartHostModule(host, Record(2, CIPI_PROBE_PATH)));
  probe_.Set([](ProbeState& state) { state.get_event_result = 7; });
  EXPECT_TRUE(Eventually("ProcessLibraryError: error=Unknown(7), hm=0x82")) << Trace();
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(probe_.Get().get_events, 10) << "each error is followed by a pause";
}

TEST_F(HostModuleTest, LibrariesThatDoNotOpenFailTheStart) {
  HostModule missing(1);
  EXPECT_FALSE(StartHostModule(missing, Record(1, "/nonexistent/libnothing.so")));
  EXPECT_TRUE(Traced("CM_LoadModule() failed, hm=0x81"));

  probe_.Set([](ProbeState& state) { state.open_result = 6; });
  HostModule refused(4);
  EXPECT_FALSE(StartHostModule(refused, Record(4, CIPI_PROBE_PATH)));
  EXPECT_TRUE(Traced("CM_OpenLibrary failed, hm=0x84"));
}

// Records the codes of the events that reach it.
class EventCounter : public HostHandler {
 public:
  void OnEvent(uint32_t code, PacketMessage&) override { codes.push_back(code); }
  std::vector<uint32_t> codes;  // read after the queue stopped
};

TEST_F(HostModuleTest, ADriverEventThreadPostsItsChannelsPacketsAndEndsOnAlert254) {
  HostModule host(1);
  ASSERT_TRUE(StartHostModule(host, Record(1, CIPI_PROBE_PATH)));
  EventCounter counter;
  host.queue.SetHandler(2, 5, &counter);
  ASSERT_TRUE(OpenDriverEventThread(host, 2, 5));
  ASSERT_TRUE(OpenDriverEventThread(host, 2, 5)) << "at most one per pair";
  EXPECT_FALSE(OpenDriverEventThread(host, 20, 5));
  VtxLine* sender = AttachSession(1, 2);
  ASSERT_NE(sender, nullptr);
  const Address pair{{2, 5, 0x81, 2}};
  for (uint32_t code = 1; code <= 3; ++code) {
    ASSERT_TRUE(SendCommandTo(sender, pair, 0x13, MILL_VERB_EVENT, code, nullptr, 1000));
  }
  CloseDriverEventThread(host, 2, 5);
  DetachLine(sender);
  StopHostModule(host);
  host.queue.SetHandler(2, 5, nullptr);  // the counter goes before the host module
  EXPECT_EQ(counter.codes, (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(HostModuleTest, CallCtrlInitStartsTheHostModuleAndItsScriptedEventsReachTheHandler) {
  const std::string script = Write("events.txt",
                                   "# a call offered and released\n0 call_offered 5 1000 2000\n"
                                   "10 call_released 5 16\nlater nothing\n");
  Configure(std::string("host_module_trace = verbose\nip_stack_trace = verbose\n") +
            "[host_module.1]\nenabled = true\nmodule_library = " + TARROWHM_PATH +
            "\n[host_module.1/parameters]\nevent_script = " + script +
            "\n[host_module.2]\nenabled = true\nmodule_library = /nonexistent/libnothing.so\n");
  ASSERT_EQ(Init(), 1) << Trace();
  EXPECT_TRUE(Traced("Host module 0x1 Initialised OK"));
  EXPECT_TRUE(
      Traced("CIPI version 1.0, Stack vendor Corvane Technology, Stack name Tarrow host "
             "module, Stack version 1.0.0, hm=0x81"));
  EXPECT_TRUE(Traced("Error starting host module 0x2"));
  EXPECT_EQ(HostModuleAt(2), nullptr);
  EXPECT_TRUE(Eventually("event=Event_CIPI_CallReleased(3), hcr=0x5")) << Trace();
  EXPECT_TRUE(Traced("events.txt:4: expected a delay of 0 to 3600000 ms, got \"later\""));
}

}  // namespace
}  // namespace vtx::callctrl::testing
