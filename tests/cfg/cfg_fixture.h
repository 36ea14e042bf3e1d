// A configuration under test: files in a private temporary folder and every message the
// configuration reports, with its kind and line number.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cfg/cfg_configuration.h"
#include "cfg/cfg_error.h"

namespace vtx::cfg::testing {

// The text of the cfgError that `operation` raises.
template <typename Operation>
std::string Raised(Operation&& operation) {
  try {
    operation();
  } catch (const cfgError& e) {
    return e.what();
  }
  return "<no exception>";
}

struct Reported {
  int kind;
  int line;
  std::string text;
};

class CfgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("cfg_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<absent>";
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  cfgConfiguration& Make(bool escape = false, uint8_t mask = 0xF) {
    config_ = std::make_unique<cfgConfiguration>(1, mask, &CfgTest::Collect, this, '=', escape);
    return *config_;
  }

  // Parses `bytes` as the file "in.cfg" into a new configuration.
  cfgConfiguration& Parse(const std::string& bytes, bool escape = false) {
    cfgConfiguration& config = Make(escape);
    result_ = config.parseFile(WriteFile("in.cfg", bytes).c_str());
    return config;
  }

  // Stores the configuration into "out.cfg" and returns what reached the disk.
  std::string Store(bool force = false) {
    std::filesystem::remove(Path("out.cfg"));
    cfgTextFile out(Path("out.cfg").c_str());
    out.open(cfgTextFile::kWrite);
    stored_ = config_->store(out, force);
    out.close();
    return ReadFile(Path("out.cfg"));
  }

  std::string Read(const char* path, bool fold = false) {
    cfgString value;
    return config_->read(path, value, fold) ? std::string(value.view()) : "<missing>";
  }

  std::vector<std::string> Texts(int kind) const {
    std::vector<std::string> texts;
    for (const auto& m : messages_) {
      if (m.kind == kind) texts.push_back(m.text);
    }
    return texts;
  }

  std::vector<Reported> messages_;
  int abortOnError_ = 0;
  int result_ = 0;
  bool stored_ = false;
  std::unique_ptr<cfgConfiguration> config_;

 private:
  static int Collect(int kind, const cfgMessage* message) {
    auto* self = static_cast<CfgTest*>(message->userData);
    self->messages_.push_back({kind, message->line, message->text});
    return kind == cfgConfiguration::kError ? self->abortOnError_ : 0;
  }

  std::filesystem::path dir_;
};

}  // namespace vtx::cfg::testing
