#include "tools/tarrow/file_report.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "tools/tarrow/output.h"

namespace tarrow {
namespace {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    default:
      return "info";
  }
}

// One line: a line break and the indentation after it become one blank; trailing blanks go.
std::string OneLine(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') {
      out += text[i];
      continue;
    }
    while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) ++i;
    if (i + 1 < text.size()) out += ' ';
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
  return out;
}

}  // namespace

void FileReport::Add(int line, Severity severity, const std::string& text) {
  entries_.push_back({line > 0 ? line : 0, severity, OneLine(text)});
}

void FileReport::Print(bool json, bool quiet) {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.line < b.line; });
  auto same = [](const Entry& a, const Entry& b) {
    return std::tie(a.line, a.severity, a.text) == std::tie(b.line, b.severity, b.text);
  };
  std::vector<Entry> unique;
  for (const Entry& entry : entries_) {
    auto seen = [&](const Entry& other) { return same(entry, other); };
    if (std::none_of(unique.begin(), unique.end(), seen)) unique.push_back(entry);
  }
  entries_ = std::move(unique);
  if (json) {
    Json messages = Json::array();
    for (const Entry& e : entries_) {
      messages.push_back(Json{{"line", e.line > 0 ? Json(e.line) : Json()},
                              {"severity", SeverityName(e.severity)},
                              {"message", e.text}});
    }
    PrintJson(Json{{"file", file_}, {"messages", messages}});
    return;
  }
  if (quiet) return;
  for (const Entry& e : entries_) {
    if (e.line > 0) {
      fprintf(stderr, "%s:%d: %s: %s\n", file_.c_str(), e.line, SeverityName(e.severity),
              e.text.c_str());
    } else {
      fprintf(stderr, "%s: %s: %s\n", file_.c_str(), SeverityName(e.severity), e.text.c_str());
    }
  }
}

int FileReport::ExitStatus(bool strict) const {
  for (const Entry& e : entries_) {
    if (e.severity == Severity::kError) return 1;
    if (strict && e.severity == Severity::kWarning) return 1;
  }
  return 0;
}

}  // namespace tarrow
