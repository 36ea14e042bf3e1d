// Finds what the framework will never read: after the schema's readers have asked for every key
// they know (and every key the host module libraries reported), an entry nobody asked for is a
// typo or a setting in the wrong section, and a section of a shape no reader walks is dropped
// whole.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "callctrl/config/config_internal.h"
#include "cfg/cfg_closest.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;
using cfg::cfgSection;

// Which reader walks a section, and so which sub-sections it may hold.
enum class Shape { kRoot, kModule, kHostModule, kLeaf };

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool HasPrefix(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && Lower(name.substr(0, prefix.size())) == prefix;
}

std::string NumberPart(std::string_view name) {
  const size_t dot = name.find('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

class Lint {
 public:
  explicit Lint(CallCtrlConfig* config) : config_(config) {
    for (const std::string& path : config->keys_asked) {
      all_keys_.push_back(path.substr(path.rfind('/') + 1));
    }
  }

  std::vector<UnusedEntry> Run() {
    Walk(config_->model->root(), Shape::kRoot);
    std::stable_sort(found_.begin(), found_.end(),
                     [](const UnusedEntry& a, const UnusedEntry& b) { return a.line < b.line; });
    return std::move(found_);
  }

 private:
  void Walk(const cfgSection& section, Shape shape) {
    CheckKeys(section);
    for (size_t i = 0; i < section.subsectionCount(); ++i) {
      const cfgSection& sub = section.subsection(i);
      if (sub.lineNumber() <= 0) continue;  // made by a read, not written in the file
      std::string name(sub.name().view());
      std::vector<std::string> known;
      Shape inner = Shape::kLeaf;
      bool recognised = false;
      switch (shape) {
        case Shape::kRoot:
          known = {"module" + NumberPart(name), "host_module" + NumberPart(name)};
          if (HasPrefix(name, "module.")) {
            recognised = true;
            inner = Shape::kModule;
            CheckModuleNumber(sub, name);
          } else if (HasPrefix(name, "host_module.")) {
            recognised = true;
            inner = Shape::kHostModule;
          }
          break;
        case Shape::kModule:
          known = {"clock_config", "port" + NumberPart(name), "ethernet" + NumberPart(name),
                   "host_cc" + NumberPart(name)};
          recognised = Lower(name) == "clock_config" || HasPrefix(name, "port.") ||
                       HasPrefix(name, "ethernet.") || HasPrefix(name, "host_cc.");
          break;
        case Shape::kHostModule:
          known = {"parameters", "t38parameters"};
          recognised = Lower(name) == "parameters" || Lower(name) == "t38parameters";
          break;
        case Shape::kLeaf:
          break;
      }
      if (recognised) {
        Walk(sub, inner);
      } else {
        UnknownSection(sub, known);
      }
    }
  }

  void UnknownSection(const cfgSection& section, const std::vector<std::string>& known) {
    std::string path = Display(section);
    std::string text = "unknown section [" + path + "]";
    std::string near = cfg::closestName(section.name().view(), known);
    if (!near.empty()) {
      std::string parent = Display(*section.parent());
      text += "; did you mean [" + (parent.empty() ? near : parent + "/" + near) + "]?";
    }
    text += " Nothing in it is read.";
    found_.push_back({section.lineNumber(), cfgConfiguration::kError, text, true});
  }

  void CheckModuleNumber(const cfgSection& section, const std::string& name) {
    long number = 0;
    if (!SectionNumber(name.c_str(), &number)) return;  // the reading said so already
    if (number == 1 || number > 0x7f) {
      found_.push_back({section.lineNumber(), cfgConfiguration::kWarning,
                        "section [" + name + "] is never started: board module numbers run from " +
                            "module.2 to module.7f (module.0 holds defaults for the others)",
                        false});
    }
  }

  void CheckKeys(const cfgSection& section) {
    std::string base = Lower(section.path()) + "/";
    std::vector<std::string> here;
    for (auto it = config_->keys_asked.lower_bound(base);
         it != config_->keys_asked.end() && it->compare(0, base.size(), base) == 0; ++it) {
      if (it->find('/', base.size()) == std::string::npos) here.push_back(it->substr(base.size()));
    }
    // Nothing asked: a section the reading refused, or whose library did not load.
    if (here.empty()) return;
    for (size_t i = 0; i < section.itemCount(); ++i) {
      const cfg::cfgItem& item = section.item(i);
      if (item.lineNumber() <= 0) continue;
      std::string name = Lower(item.name().view());
      if (std::find(here.begin(), here.end(), name) != here.end()) continue;
      std::string where = section.parent() ? "section [" + Display(section) + "]" : "the top level";
      if (std::find(all_keys_.begin(), all_keys_.end(), name) != all_keys_.end()) {
        found_.push_back({item.lineNumber(), cfgConfiguration::kWarning,
                          "key '" + name + "' is not used in " + where, false});
        continue;
      }
      std::string text = "unknown key '" + std::string(item.name().view()) + "' in " + where;
      std::string near = cfg::closestName(name, here);
      if (!near.empty()) text += "; did you mean '" + near + "'?";
      found_.push_back({item.lineNumber(), cfgConfiguration::kError, text, false});
    }
  }

  static std::string Display(const cfgSection& section) {
    std::string path = section.path();
    return path.empty() ? path : path.substr(1);
  }

  CallCtrlConfig* config_;
  std::vector<std::string> all_keys_;
  std::vector<UnusedEntry> found_;
};

}  // namespace

std::vector<UnusedEntry> FindUnusedEntries(CallCtrlConfig* config) {
  if (!Valid(config)) return {};
  return Lint(config).Run();
}

}  // namespace vtx::callctrl
