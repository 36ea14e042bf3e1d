// tarrow t38 negotiate: settles a far end's T.38 offer against limits written as in a host
// module's t38parameters section, so that an administrator can try the section without a call.
// With --select the same attributes are checked as the far end's selection of our own offer.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "callctrl/config/callctrl_config.h"
#include "ipcc/t38_negotiation.h"
#include "ipcc/t38_params.h"
#include "tools/tarrow/command.h"

namespace tarrow {
namespace {

namespace cc = vtx::callctrl;

constexpr const char* kLimitKeys[] = {"t38_max_bit_rate",
                                      "t38_fax_fill_bit_removal",
                                      "t38_fax_transcoding_MMR",
                                      "t38_fax_transcoding_JBIG",
                                      "t38_fax_rate_management",
                                      "t38_fax_max_buffer",
                                      "t38_fax_max_datagram_recv",
                                      "t38_fax_udp_EC",
                                      "t38_fax_max_datagram_send",
                                      "t38_UDPTL_redundancy_depth_image",
                                      "t38_UDPTL_redundancy_depth_control",
                                      "t38_t30_fast_notify"};

int Usage() {
  fprintf(stderr,
          "usage: tarrow t38 negotiate [--limits KEY=VALUE...] --offer NAME:VALUE... [--select]\n");
  return 2;
}

bool KnownLimit(const std::string& key) {
  for (const char* known : kLimitKeys) {
    if (key == known) return true;
  }
  return false;
}

// The words after `option` that hold `separator` and are not options themselves.
bool TakeList(Args& args, const std::string& option, char separator,
              std::vector<std::string>& out) {
  for (size_t i = 0; i < args.size();) {
    if (args[i] != option) {
      ++i;
      continue;
    }
    args.erase(args.begin() + static_cast<long>(i));
    size_t taken = 0;
    while (i < args.size() && args[i].rfind("--", 0) != 0 &&
           args[i].find(separator) != std::string::npos) {
      out.push_back(args[i]);
      args.erase(args.begin() + static_cast<long>(i));
      ++taken;
    }
    if (taken == 0) return false;
  }
  return true;
}

// What the reading says about the limits given: messages about other keys (those that take
// their defaults, the library the section needs) are not the user's concern.
struct Messages {
  std::vector<std::string> keys;
  std::vector<std::string> given;  // KEY=VALUE of each key
  int problems = 0;
};

int OnMessage(int kind, const vtx::cfg::cfgMessage* message) {
  auto* messages = static_cast<Messages*>(message->userData);
  if (kind != vtx::cfg::cfgConfiguration::kWarning && kind != vtx::cfg::cfgConfiguration::kError)
    return 0;
  for (size_t i = 0; i < messages->keys.size(); ++i) {
    const std::string& key = messages->keys[i];
    if (strstr(message->text, ("'" + key + "'").c_str()) == nullptr &&
        strstr(message->text, (" " + key + " ").c_str()) == nullptr) {
      continue;
    }
    // The reading names the section and its private file first: the option is what the user
    // knows.
    const char* text = message->text;
    const char* after = strstr(text, "=>");
    if (after != nullptr) text = after + 2;
    while (*text == '\n' || *text == ' ') ++text;
    fprintf(stderr, "tarrow t38: --limits %s: %s\n", messages->given[i].c_str(), text);
    ++messages->problems;
    return 0;
  }
  return 0;
}

// The limits: the framework's reading of a t38parameters section holding the given keys.
bool ReadLimits(const std::vector<std::string>& limits, VtxT38Params& out) {
  Messages messages;
  char path[] = "/tmp/tarrow-t38-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    fprintf(stderr, "tarrow t38: cannot write a configuration in /tmp\n");
    return false;
  }
  close(fd);
  {
    std::ofstream file(path);
    file << "[host_module.1]\nenabled = false\nmodule_library = /nonexistent\n"
         << "[host_module.1/t38parameters]\n";
    for (const std::string& limit : limits) {
      const size_t equals = limit.find('=');
      const std::string key = limit.substr(0, equals);
      if (!KnownLimit(key)) {
        fprintf(stderr, "tarrow t38: --limits %s: no such T.38 key\n", limit.c_str());
        unlink(path);
        return false;
      }
      messages.keys.push_back(key);
      messages.given.push_back(limit);
      file << key << " = " << limit.substr(equals + 1) << "\n";
    }
  }
  cc::CallCtrlConfig* config = cc::OpenCallCtrlConfig(path, false, OnMessage, &messages);
  unlink(path);
  const cc::HostModuleConfigRecord* record =
      config != nullptr ? cc::GetHostModuleRecord(config, 1, false) : nullptr;
  if (record != nullptr) out = vtx::ipcc::T38FromConfig(record->t38);
  cc::CloseCallCtrlConfig(config);
  return record != nullptr && messages.problems == 0;
}

// A T.38 description offering the attributes NAME:VALUE.
bool Offer(const std::vector<std::string>& attributes, CIPI_MediaDescription& media) {
  media = CIPI_MediaDescription{};
  strcpy(media.media_class, "image");
  media.transport = CIPI_TRANSPORT_UDPTL;
  media.format_count = 1;
  strcpy(media.formats[0], "t38");
  for (const std::string& attribute : attributes) {
    const size_t colon = attribute.find(':');
    const std::string name = attribute.substr(0, colon);
    const std::string value = attribute.substr(colon + 1);
    if (media.attribute_count == CIPI_MAX_MEDIA_ATTRIBUTES) {
      fprintf(stderr, "tarrow t38: --offer: at most %d attributes\n", CIPI_MAX_MEDIA_ATTRIBUTES);
      return false;
    }
    if (name.empty() || name.size() >= CIPI_MEDIA_TEXT_SIZE ||
        value.size() >= CIPI_MEDIA_TEXT_SIZE) {
      fprintf(stderr,
              "tarrow t38: --offer %s: expected NAME:VALUE of 1 to %d and 0 to %d "
              "characters\n",
              attribute.c_str(), CIPI_MEDIA_TEXT_SIZE - 1, CIPI_MEDIA_TEXT_SIZE - 1);
      return false;
    }
    CIPI_MediaAttribute& into = media.attributes[media.attribute_count++];
    memcpy(into.name, name.c_str(), name.size() + 1);
    memcpy(into.value, value.c_str(), value.size() + 1);
  }
  return true;
}

int Run(const Args& arguments) {
  Args args = arguments;
  if (args.empty() || args[0] != "negotiate") return Usage();
  args.erase(args.begin());
  std::vector<std::string> limits, offered;
  const bool select = TakeFlag(args, "--select");
  if (!TakeList(args, "--limits", '=', limits) || !TakeList(args, "--offer", ':', offered) ||
      !args.empty() || offered.empty()) {
    return Usage();
  }
  VtxT38Params host{};
  CIPI_MediaDescription media;
  if (!ReadLimits(limits, host) || !Offer(offered, media)) return 1;
  printf("limits:  %s\n", vtx::ipcc::T38TraceLine(host).c_str());
  const vtx::ipcc::CallPlace place{};
  vtx::ipcc::MediaRecord settled{true, 0, {}};
  vtx::ipcc::ProcessMediaT38Params(place, 0, Event_CIPI_MediaOffer, media, host, settled);
  printf("offer:   %s\n", vtx::ipcc::T38TraceLine(settled.t38).c_str());
  if (!select) return 0;
  vtx::ipcc::MediaRecord selected{true, 0, {}};
  std::string why;
  if (vtx::ipcc::ProcessMediaT38Params(place, 0, Event_CIPI_MediaSelected, media, host, selected,
                                       &why)) {
    printf("select:  accepted\n");
    return 0;
  }
  printf("select:  refused: %s\n", why.c_str());
  return 1;
}

}  // namespace

constexpr char kHelp[] =
    "  --limits KEY=VALUE...  the host's t38parameters limits (default: the built-in ones)\n"
    "  --offer NAME:VALUE...  the far end's T.38 media attributes\n"
    "  --select               also check the offer as the far end's selection\n"
    "\n"
    "Example:\n"
    "  tarrow t38 negotiate --limits t38_max_bit_rate=9600 --offer T38MaxBitRate:14400 --select\n";

TARROW_COMMAND("t38", "t38 negotiate [--limits KEY=VALUE...] --offer NAME:VALUE... [--select]",
               "settle a far end's T.38 offer, or check its selection, against t38parameters "
               "limits",
               Run, kHelp);

}  // namespace tarrow
