#include "ipcc/tarrowsip/sdp_media.h"

#include <arpa/inet.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tarrowsip {
namespace {

struct Medium {
  std::string media_class, port, transport;
  std::vector<std::string> formats;
  std::string address;  // its own connection line, when it has one
  std::vector<std::string> attributes;
};

struct Body {
  std::string address;  // the session's connection line
  std::vector<Medium> media;
};

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t start = text.find_first_not_of(' ', at);
    if (start == std::string::npos) break;
    const size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    at = end == std::string::npos ? text.size() : end;
  }
  return words;
}

// "IN IP4 a.b.c.d": the address, or nothing for any other kind of connection.
std::string ConnectionAddress(const std::string& value) {
  const std::vector<std::string> words = Words(value);
  if (words.size() < 3 || words[0] != "IN" || words[1] != "IP4") return "";
  return words[2];
}

Body Split(const char* text, size_t size) {
  Body body;
  size_t at = 0;
  while (at < size) {
    const char* end = static_cast<const char*>(memchr(text + at, '\n', size - at));
    size_t length = end ? static_cast<size_t>(end - (text + at)) : size - at;
    std::string line(text + at, length);
    at += length + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 2 || line[1] != '=') continue;
    const std::string value = line.substr(2);
    switch (line[0]) {
      case 'c':
        (body.media.empty() ? body.address : body.media.back().address) = ConnectionAddress(value);
        break;
      case 'm': {
        const std::vector<std::string> words = Words(value);
        Medium medium;
        if (words.size() >= 3) {
          medium.media_class = words[0];
          medium.port = words[1];
          medium.transport = words[2];
          medium.formats.assign(words.begin() + 3, words.end());
        }
        body.media.push_back(std::move(medium));
        break;
      }
      case 'a':
        if (!body.media.empty()) body.media.back().attributes.push_back(value);
        break;
      default:
        break;
    }
  }
  return body;
}

bool IsT38(const Medium& medium) {
  if (strcasecmp(medium.media_class.c_str(), "image") != 0) return false;
  if (strcasecmp(medium.transport.c_str(), "udptl") != 0) return false;
  for (const std::string& format : medium.formats) {
    if (strcasecmp(format.c_str(), "t38") == 0) return true;
  }
  return false;
}

const Medium* Choose(const Body& body) {
  const Medium* first = nullptr;
  for (const Medium& medium : body.media) {
    if (medium.media_class.empty() || medium.port == "0") continue;
    if (IsT38(medium)) return &medium;
    if (!first) first = &medium;
  }
  return first;
}

bool SetText(char (&field)[CIPI_MEDIA_TEXT_SIZE], const std::string& text) {
  if (text.size() >= CIPI_MEDIA_TEXT_SIZE) return false;
  memcpy(field, text.c_str(), text.size() + 1);
  return true;
}

bool Refuse(std::string& why, const std::string& reason) {
  why = reason;
  return false;
}

bool ReadPort(const std::string& text, uint16_t& port) {
  if (text.empty() || text.size() > 5 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = strtoul(text.c_str(), nullptr, 10);
  if (value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool ReadAttributes(const Medium& medium, CIPI_MediaDescription& media, std::string& why) {
  for (const std::string& attribute : medium.attributes) {
    if (media.attribute_count == CIPI_MAX_MEDIA_ATTRIBUTES) break;
    const size_t colon = attribute.find(':');
    CIPI_MediaAttribute& slot = media.attributes[media.attribute_count];
    const std::string name = attribute.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : attribute.substr(colon + 1);
    if (!SetText(slot.name, name) || !SetText(slot.value, value)) {
      return Refuse(why, "attribute \"" + name.substr(0, 50) + "\" is longer than 50 characters");
    }
    ++media.attribute_count;
  }
  return true;
}

const char* TransportName(uint32_t transport) {
  switch (transport) {
    case kTransportRtp:
      return "RTP/AVP";
    case CIPI_TRANSPORT_UDPTL:
      return "udptl";
    default:
      return nullptr;
  }
}

}  // namespace

bool SdpToMedia(const char* body, size_t size, CIPI_MediaDescription& media, std::string& why) {
  media = CIPI_MediaDescription{};
  // SDP is text: a NUL would cut a text of the description short of what the far end sent.
  if (size != 0 && memchr(body, '\0', size) != nullptr) return Refuse(why, "NUL byte in the body");
  const Body parsed = Split(body, size);
  const Medium* medium = Choose(parsed);
  if (!medium) return Refuse(why, "no medium with a port");
  if (strcasecmp(medium->transport.c_str(), "udptl") == 0) {
    media.transport = CIPI_TRANSPORT_UDPTL;
  } else if (strcasecmp(medium->transport.c_str(), "RTP/AVP") == 0) {
    media.transport = kTransportRtp;
  } else {
    return Refuse(why, "unknown transport \"" + medium->transport.substr(0, 50) + "\"");
  }
  if (!SetText(media.media_class, medium->media_class)) {
    return Refuse(why, "media class longer than 50 characters");
  }
  if (!ReadPort(medium->port, media.port)) return Refuse(why, "bad port \"" + medium->port + "\"");
  const std::string& address = medium->address.empty() ? parsed.address : medium->address;
  in_addr ip{};
  if (address.empty() || inet_pton(AF_INET, address.c_str(), &ip) != 1) {
    return Refuse(why, "no IPv4 connection address");
  }
  memcpy(media.address, &ip.s_addr, 4);
  for (const std::string& format : medium->formats) {
    if (media.format_count == CIPI_MAX_MEDIA_FORMATS) break;
    if (!SetText(media.formats[media.format_count], format)) {
      return Refuse(why, "format longer than 50 characters");
    }
    ++media.format_count;
  }
  return ReadAttributes(*medium, media, why);
}

bool MediaToSdp(const CIPI_MediaDescription& media, uint32_t session, uint32_t version,
                std::string& body) {
  const char* transport = TransportName(media.transport);
  const uint32_t formats =
      media.format_count < CIPI_MAX_MEDIA_FORMATS ? media.format_count : CIPI_MAX_MEDIA_FORMATS;
  if (!transport || formats == 0) return false;
  char address[INET_ADDRSTRLEN];
  snprintf(address, sizeof address, "%u.%u.%u.%u", media.address[0], media.address[1],
           media.address[2], media.address[3]);
  auto text = [](const char(&field)[CIPI_MEDIA_TEXT_SIZE]) {
    return std::string(field, strnlen(field, CIPI_MEDIA_TEXT_SIZE - 1));
  };
  body = "v=0\r\no=tarrowsip " + std::to_string(session) + " " + std::to_string(version) +
         " IN IP4 " + address + "\r\ns=-\r\nc=IN IP4 " + address +
         "\r\nt=0 0\r\nm=" + text(media.media_class) + " " + std::to_string(media.port) + " " +
         transport;
  for (uint32_t i = 0; i < formats; ++i) body += " " + text(media.formats[i]);
  body += "\r\n";
  const uint32_t attributes = media.attribute_count < CIPI_MAX_MEDIA_ATTRIBUTES
                                  ? media.attribute_count
                                  : CIPI_MAX_MEDIA_ATTRIBUTES;
  for (uint32_t i = 0; i < attributes; ++i) {
    const std::string value = text(media.attributes[i].value);
    body += "a=" + text(media.attributes[i].name) + (value.empty() ? "" : ":" + value) + "\r\n";
  }
  return true;
}

}  // namespace tarrowsip
