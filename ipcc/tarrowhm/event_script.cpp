#include "ipcc/tarrowhm/event_script.h"

#include <cerrno>
#include <cstdio>
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
    {"call_offered", Event_CIPI_CallOffered},     {"call_connected", Event_CIPI_CallConnected},
    {"call_released", Event_CIPI_CallReleased},   {"media_offer", Event_CIPI_MediaOffer},
    {"media_selected", Event_CIPI_MediaSelected},
};

// A T.38 medium (class image, UDPTL, format t38) with the attributes NAME:VALUE of the line.
bool T38Media(std::istringstream& in, CIPI_MediaDescription& media, std::string& error) {
  std::snprintf(media.media_class, sizeof media.media_class, "image");
  media.transport = CIPI_TRANSPORT_UDPTL;
  media.format_count = 1;
  std::snprintf(media.formats[0], sizeof media.formats[0], "t38");
  for (std::string word; in >> word;) {
    if (word[0] == '@') {  // where the far end receives the medium
      unsigned a, b, c, d, port;
      char tail = 0;
      if (std::sscanf(word.c_str(), "@%u.%u.%u.%u:%u%c", &a, &b, &c, &d, &port, &tail) != 5 ||
          a > 255 || b > 255 || c > 255 || d > 255 || port > 65535) {
        error = "expected the far end's address @A.B.C.D:PORT, got \"" + word + "\"";
        return false;
      }
      const uint8_t address[4] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b),
                                  static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
      std::memcpy(media.address, address, 4);
      media.port = static_cast<uint16_t>(port);
      continue;
    }
    const size_t colon = word.find(':');
    if (colon == std::string::npos || colon == 0 || colon >= CIPI_MEDIA_TEXT_SIZE ||
        word.size() - colon - 1 >= CIPI_MEDIA_TEXT_SIZE) {
      error =
          "expected an attribute NAME:VALUE of at most 50 characters each, got \"" + word + "\"";
      return false;
    }
    if (media.attribute_count == CIPI_MAX_MEDIA_ATTRIBUTES) {
      error = "more than " + std::to_string(CIPI_MAX_MEDIA_ATTRIBUTES) + " attributes";
      return false;
    }
    CIPI_MediaAttribute& attribute = media.attributes[media.attribute_count++];
    std::snprintf(attribute.name, sizeof attribute.name, "%s", word.substr(0, colon).c_str());
    std::snprintf(attribute.value, sizeof attribute.value, "%s", word.substr(colon + 1).c_str());
  }
  return true;
}

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
    error =
        "expected call_offered, call_connected, call_released, media_offer or "
        "media_selected, got \"" +
        name + "\"";
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
  } else if (header.event == Event_CIPI_MediaOffer || header.event == Event_CIPI_MediaSelected) {
    CIPI_MediaDescription media{};
    if (!T38Media(in, media, error)) return -1;
    Append(data, &media, sizeof media);
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
