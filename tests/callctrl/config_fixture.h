// A call-control configuration under test: the file written into a private folder, opened with
// a callback that keeps every message with its kind and line.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "callctrl/config/callctrl_config.h"
#include "tests/support/temp_dir.h"

namespace vtx::callctrl::testing {

struct Message {
  int kind;
  int line;
  std::string text;
};

class ConfigTest : public ::testing::Test {
 protected:
  ~ConfigTest() override { CloseCallCtrlConfig(config_); }

  static int Keep(int kind, const cfg::cfgMessage* message) {
    static_cast<std::vector<Message>*>(message->userData)
        ->push_back({kind, message->line, message->text});
    return 0;
  }

  CallCtrlConfig* Open(const std::string& text) {
    std::string path = dir_.Path("callctrl.cfg");
    std::ofstream(path) << text;
    CloseCallCtrlConfig(config_);
    messages_.clear();
    config_ = OpenCallCtrlConfig(path.c_str(), false, Keep, &messages_);
    return config_;
  }

  // The messages of a kind whose text contains `part`.
  std::vector<Message> Find(int kind, const std::string& part) const {
    std::vector<Message> found;
    for (const Message& m : messages_) {
      if (m.kind == kind && m.text.find(part) != std::string::npos) found.push_back(m);
    }
    return found;
  }
  // Whether exactly one message of `kind` contains `part`.
  bool Once(int kind, const std::string& part) const { return Find(kind, part).size() == 1; }
  int Count(int kind) const {
    int n = 0;
    for (const Message& m : messages_) n += m.kind == kind;
    return n;
  }

  static constexpr int kWarning = cfg::cfgConfiguration::kWarning;
  static constexpr int kError = cfg::cfgConfiguration::kError;
  static constexpr int kInfo = cfg::cfgConfiguration::kInfo;

  vtx::testing::TempDir dir_{"callctrl_config"};
  CallCtrlConfig* config_ = nullptr;
  std::vector<Message> messages_;
};

}  // namespace vtx::callctrl::testing
