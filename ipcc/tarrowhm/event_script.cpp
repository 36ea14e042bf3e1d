#include "ipcc/tarrowhm/event_script.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"

namespace tarrowhm {
namespace {

struct EventName {
  const char* name;
  uint32_t event;
};

constexpr EventName kEvents[] = {
    {"call_offered", Event_CIPI_CallOffered},
    {"call_connected", Event_CIPI_CallConnected},
    {"call_released", Event_CIPI_CallReleased},
};

// A whole decimal word within [min, max].
bool Number(const std::string& word, uint32_t min, uint32_t max, uint32_t& out) {
  if (word.empty() || word.size() > 10 ||
      word.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long long value = strtoull(word.c_str(), nullptr, 10);
  if (value < min || value > max) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

void Append(std::vector<uint8_t>& record, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  record.insert(record.end(), bytes, bytes + size);
}

bool Parties(std::istringstream& in, CIPI_CallParties& parties, std::string& error) {
  std::string calling, called;
  in >> calling >> called;
  if (calling.size() >= CIPI_TEXT_SIZE || called.size() >= CIPI_TEXT_SIZE) {
    error = "a number longer than " + std::to_string(CIPI_TEXT_SIZE - 1) + " characters";
    return false;
  }
  memcpy(parties.calling, calling.c_str(), calling.size() + 1);
  memcpy(parties.called, called.c_str(), called.size() + 1);
  return true;
}

}  // namespace

int ParseScriptLine(const std::string& line, ScriptEvent& out, std::string& error) {
  std::istringstream in(line);
  std::string delay, name, call;
  if (!(in >> delay) || delay[0] == '#') return 0;
  in >> name >> call;
  ScriptEvent event;
  CIPI_EventHeader header{};
  if (!Number(delay, 0, kMaxDelayMs, event.delay_ms)) {
    error =
        "expected a delay of 0 to " + std::to_string(kMaxDelayMs) + " ms, got \"" + delay + "\"";
    return -1;
  }
  const EventName* known = nullptr;
  for (const EventName& candidate : kEvents) {
    if (name == candidate.name) known = &candidate;
  }
  if (known == nullptr) {
    error = "expected call_offered, call_connected or call_released, got \"" + name + "\"";
    return -1;
  }
  if (!Number(call, 1, UINT32_MAX, header.call)) {
    error = "expected a call identifier of 1 or more, got \"" + call + "\"";
    return -1;
  }
  header.event = known->event;
  std::vector<uint8_t> data;
  if (header.event == Event_CIPI_CallOffered) {
    CIPI_CallParties parties{};
    if (!Parties(in, parties, error)) return -1;
    Append(data, &parties, sizeof parties);
  } else if (header.event == Event_CIPI_CallReleased) {
    std::string word;
    uint32_t cause = 16;  // normal clearing
    if (in >> word && !Number(word, 0, 127, cause)) {
      error = "expected a cause of 0 to 127, got \"" + word + "\"";
      return -1;
    }
    Append(data, &cause, sizeof cause);
  }
  std::string rest;
  if (in >> rest) {
    error = "unexpected \"" + rest + "\" after the event";
    return -1;
  }
  header.length = static_cast<uint32_t>(data.size());
  Append(event.record, &header, sizeof header);
  event.record.insert(event.record.end(), data.begin(), data.end());
  out = std::move(event);
  return 1;
}

bool ReadScript(const char* path, std::vector<ScriptEvent>& events,
                std::vector<std::string>& errors) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.size() > kMaxScriptLine) {
      errors.push_back(std::string(path) + ":" + std::to_string(number) + ": a line longer than " +
                       std::to_string(kMaxScriptLine) + " characters");
      continue;
    }
    ScriptEvent event;
    std::string error;
    const int read = ParseScriptLine(line, event, error);
    if (read < 0) errors.push_back(std::string(path) + ":" + std::to_string(number) + ": " + error);
    if (read > 0) events.push_back(std::move(event));
  }
  return true;
}

}  // namespace tarrowhm
