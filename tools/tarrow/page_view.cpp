// Drawing a page: a dialog unit is a quarter of a character across and an eighth of a line down,
// so the dialog's 258 x 207 units become 64 columns and 25 lines inside the frame.
#include "tools/tarrow/page_view.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "tools/tarrow/command.h"

namespace tarrow {
namespace {

constexpr int kHardwareNameText = 1001;
constexpr int kConfigureButton = 1021;
constexpr int kFeatureBox = 1023;

class Canvas {
 public:
  Canvas(int columns, int rows) : rows_(rows, std::string(columns, ' ')) {}

  void Put(int column, int row, const std::string& text, int width) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    std::string& line = rows_[row];
    for (int i = 0; i < width && i < static_cast<int>(text.size()); ++i) {
      const int at = column + i;
      if (at >= 0 && at < static_cast<int>(line.size())) line[at] = text[i];
    }
  }

  void Frame(int column, int row, int width, int height, const std::string& title) {
    if (width < 2 || height < 2) return;
    const std::string edge = "+" + std::string(width - 2, '-') + "+";
    Put(column, row, edge, width);
    Put(column + 2, row, title.empty() ? "" : " " + title + " ", width - 4);
    for (int r = row + 1; r < row + height - 1; ++r) {
      Put(column, r, "|", 1);
      Put(column + width - 1, r, "|", 1);
    }
    Put(column, row + height - 1, edge, width);
  }

  std::string Text() const {
    std::string out;
    for (const std::string& line : rows_)
      out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    return out;
  }

 private:
  std::vector<std::string> rows_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void DrawControl(Canvas& canvas, const HWND__& control) {
  // Controls sit inside the frame: one column and one line in.
  const int column = 1 + control.x / 4, row = 1 + control.y / 8;
  const int width = std::max(1, control.cx / 4), height = std::max(1, control.cy / 8);
  if (control.class_name == "edit") {
    canvas.Frame(column, row, width, height, "");
    int r = row + 1;
    for (const std::string& line : Lines(control.text)) {
      if (r >= row + height - 1) break;
      canvas.Put(column + 1, r++, line, width - 2);
    }
  } else if (control.class_name == "button") {
    canvas.Put(column, row, "[" + control.text + "]", width);
  } else if (control.bitmap) {
    canvas.Frame(column, row, width, height, "");
    canvas.Put(column + 1, row + height / 2, "board", width - 2);
  } else {
    canvas.Put(column, row, control.text, width);
  }
}

std::string Control(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? control->text : std::string();
}

}  // namespace

int TitleModule(const std::string& title) {
  const std::string marker = " - Module 0x";
  const size_t at = title.rfind(marker);
  if (at == std::string::npos) return -1;
  char* end = nullptr;
  const char* digits = title.c_str() + at + marker.size();
  const long module = std::strtol(digits, &end, 16);
  return end != digits && *end == '\0' && module >= 0 && module <= 255 ? static_cast<int>(module)
                                                                       : -1;
}

std::string DrawPage(HWND dialog, const PageFacts& facts) {
  std::ostringstream out;
  out << (facts.has_device_name ? facts.device_name : "(no name)") << " at "
      << (facts.has_location ? "\"" + facts.location + "\"" : "(no location)")
      << (facts.initialised ? "" : ": no board module matches") << "\n";
  Canvas canvas(2 + dialog->cx / 4, 2 + dialog->cy / 8);
  canvas.Frame(0, 0, 2 + dialog->cx / 4, 2 + dialog->cy / 8, dialog->text);
  for (const auto& control : dialog->children) {
    if (control->visible) DrawControl(canvas, *control);
  }
  out << canvas.Text();
  if (facts.pressed) {
    out << "Configure: " << (facts.started ? "the configuration tool started" : facts.press_message)
        << "\n";
  }
  return out.str();
}

// The feature box's lines ("Key        : Value") as keys and values; the page shows every value
// as text: "True" and "False" become booleans, whole numbers numbers.
Json FeaturesJson(const std::string& box) {
  Json features = Json::array();
  std::istringstream lines(box);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const size_t colon = line.find(": ");
    std::string key = colon == std::string::npos ? "" : line.substr(0, colon);
    key.erase(key.find_last_not_of(' ') + 1);
    const std::string text = colon == std::string::npos ? line : line.substr(colon + 2);
    Json value = text;
    if (text == "True" || text == "False") value = text == "True";
    char* end = nullptr;
    const long number = strtol(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0') value = number;
    features.push_back(Json{{"key", key}, {"value", value}});
  }
  return features;
}

Json PageJson(HWND dialog, const PageFacts& facts) {
  const std::string title = Control(dialog, kHardwareNameText);
  const int module = facts.initialised ? TitleModule(title) : -1;
  HWND button = GetDlgItem(dialog, kConfigureButton);
  Json page{{"module", module >= 0 ? Json(module) : Json()},
            {"title", title},
            {"features", FeaturesJson(Control(dialog, kFeatureBox))},
            {"configure_visible", button != nullptr && button->visible},
            {"location", facts.has_location ? Json(facts.location) : Json()},
            {"device_name", facts.has_device_name ? Json(facts.device_name) : Json()},
            {"configure", Json()}};
  if (facts.pressed) {
    page["configure"] = Json{{"started", facts.started},
                             {"message", facts.started ? Json() : Json(facts.press_message)}};
  }
  return page;
}

}  // namespace tarrow
