// Every --json output of tarrow against the schema that docs/json.md gives for it, run as a program
// on a machine that the test serves: each key present with its type, nothing else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/served_machine.h"

namespace vtx::testing {
namespace {

using Json = nlohmann::json;

// The schemas of docs/json.md: each "### NAME" heading with the ```json block that follows it.
std::map<std::string, Json> Schemas() {
  std::ifstream in(std::string(TARROW_SOURCE_DIR) + "/docs/json.md");
  std::map<std::string, Json> schemas;
  std::string name, block;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("### ", 0) == 0) name = line.substr(4);
    if (inside && line == "```") {
      schemas[name] = Json::parse(block);
      inside = false;
    } else if (inside) {
      block += line + "\n";
    } else if (line == "```json") {
      inside = true;
      block.clear();
    }
  }
  return schemas;
}

bool HasType(const Json& value, const std::string& type) {
  return (type == "boolean" && value.is_boolean()) ||
         (type == "integer" && value.is_number_integer()) ||
         (type == "string" && value.is_string()) || (type == "null" && value.is_null());
}

// What in `value` differs from `schema`, each problem with its path.
void Compare(const Json& value, const Json& schema, const std::string& path,
             std::vector<std::string>& problems) {
  if (schema.is_string()) {
    std::istringstream types(schema.get<std::string>());
    for (std::string type; std::getline(types, type, '|');) {
      if (HasType(value, type)) return;
    }
    problems.push_back(path + ": expected " + schema.get<std::string>() + ", got " + value.dump());
  } else if (schema.is_array()) {
    if (!value.is_array()) return problems.push_back(path + ": expected a list");
    for (size_t i = 0; i < value.size(); ++i) {
      Compare(value[i], schema[0], path + "[" + std::to_string(i) + "]", problems);
    }
  } else {
    if (!value.is_object()) return problems.push_back(path + ": expected an object");
    size_t keys = 0;
    for (const auto& [key, shape] : schema.items()) {
      const bool nullable = key.back() == '?';
      const std::string name = nullable ? key.substr(0, key.size() - 1) : key;
      if (!value.contains(name)) {
        problems.push_back(path + ": no \"" + name + "\"");
        continue;
      }
      ++keys;
      if (!(nullable && value[name].is_null()))
        Compare(value[name], shape, path + "." + name, problems);
    }
    if (keys != value.size())
      problems.push_back(path + ": keys beyond the schema: " + value.dump());
  }
}

class JsonSchemas : public ServedMachineTest {
 protected:
  // An E1 trunk for the signalling commands; images taken without their CRC.
  void Prepare(sim::Module& board) override {
    board.telephony().hardware[1].port_types = 0x80;
    board.maintenance().download.check_crc = false;
  }
  TempDir dir_{"json_schema"};
};

TEST_F(JsonSchemas, EveryCommandWritesWhatItsSchemaSays) {
  std::string out;
  // Something to list: two connections (one IP) and a dialling database record.
  ASSERT_EQ(Run("connect 2 0:1:0:1 1:2:1:2", &out), 0) << err_;
  ASSERT_EQ(Run("connect 2 3 --ip rtp --remote 198.51.100.9:6000", &out), 0) << err_;
  const std::string db = dir_.Path("dial.db");
  ASSERT_EQ(Run("dialdb update " + db + " 5550100 --outcome busy", &out), 0) << err_;
  const std::string examples = std::string(TARROW_SOURCE_DIR) + "/callctrl/examples/";
  const std::string image = dir_.Write("image.bin", std::string(5000, 'x'));
  const std::map<std::string, std::vector<std::string>> runs = {
      {"error", {"board 9 --json", "ports 300 --json", "net 2 --netmask 255.0.255.0 --json"}},
      {"modules", {"modules --json", "modules --all --json"}},
      {"versions", {"versions 2 --json"}},
      {"features", {"features 2 --json", "features 3 --json"}},
      {"ports", {"ports 2 --json"}},
      {"connections", {"connections 2 --json"}},
      {"net", {"net 2 --json"}},
      {"board", {"board 2 --json"}},
      {"board-test", {"board-test 2 --json"}},
      {"reset", {"reset 2 1 --json"}},
      {"telephony", {"telephony 2 --configure " + examples + "callctrl.cfg --json"}},
      {"details",
       {"details --json",
        "details --location 'GANTRY PCI bus 3, device 0, function 0' "
        "--press-configure --json"}},
      {"lookup", {"lookup 'GANTRY PCI bus 3, device 0, function 0' --json"}},
      {"dialdb", {"dialdb list " + db + " --json"}},
      {"check-config", {"check-config " + examples + "callctrl.cfg --json"}},
      {"check-prefs", {"check-prefs " + examples + "cvcall.cfg --json"}},
      {"connect", {"connect 2 0:4:0:4 1:5:1:5 --json", "connect 2 5 --ip udptl --json"}},
      {"disconnect-all", {"disconnect-all 2 --json"}},
      {"firmware", {"firmware 2 " + image + " --json"}},
      {"font", {"font 2 " + image + " --number 3 --json"}},
      {"signaling",
       {"signaling 2 1 1 5 --set 7 --json",
        "signaling 2 1 1 5 --set 7 --duration 100 "
        "--then 3 --json"}},
      {"signaling --monitor --once", {"signaling 2 1 1 5 --monitor --once --json"}},
      {"telephony --unlock", {"telephony 2 --unlock --json"}},
  };
  const std::map<std::string, Json> schemas = Schemas();
  for (const auto& [command, usage] : TarrowCommandHelp()) {
    if (usage.find("--json") == std::string::npos) continue;
    EXPECT_EQ(schemas.count(command), 1u) << "docs/json.md has no schema of " << command;
  }
  for (const auto& [name, schema] : schemas) {
    ASSERT_EQ(runs.count(name), 1u) << "no run of the schema " << name;
    for (const std::string& arguments : runs.at(name)) {
      Run(arguments, &out);
      Json value;
      ASSERT_NO_THROW(value = Json::parse(out)) << arguments << ": " << out << err_;
      std::vector<std::string> problems;
      Compare(value, schema, arguments, problems);
      EXPECT_THAT(problems, ::testing::IsEmpty()) << out;
      EXPECT_EQ(value["simulated"], true) << arguments;
    }
  }
}

}  // namespace
}  // namespace vtx::testing
