// A host in miniature for the SIP scenarios: it opens the SIP host module library with the
// configuration keys given as KEY=VALUE arguments, prints each event it gets, and answers every
// T.38 offer the way the framework does, settled down to a host limited to 9600 bit/s, releasing
// a call whose media are not T.38. Calls to the party "noanswer" are left ringing; calls to
// "audio" have any medium accepted as offered. With place_call=URI it places a T.38 call there
// at once, checks the far end's selection strictly as the framework does, prints the verdict and
// releases the call. It stops when its standard input closes, or after 60 seconds.
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/library_event.h"
#include "ipcc/t38_negotiation.h"

namespace {

std::map<std::string, std::string> keys;

int32_t KeyValue(const char* name, int32_t* size, char* buffer) {
  auto found = keys.find(name);
  if (found == keys.end()) {
    *size = 0;
    return 0;
  }
  const int32_t needed = static_cast<int32_t>(found->second.size() + 1);
  if (needed > *size) {
    *size = needed;
    return -1;
  }
  memcpy(buffer, found->second.c_str(), found->second.size() + 1);
  *size = needed - 1;
  return 1;
}

// One write a line: the library's thread traces while the main thread prints events.
void TraceLine(int level, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  fprintf(stdout, "trace %d: %s\n", level, text);
  fflush(stdout);
}

template <typename T>
T Entry(void* library, const char* name) {
  return reinterpret_cast<T>(dlsym(library, name));
}

struct Library {
  CIPI_SendCommand_t send = nullptr;

  void Command(uint32_t command, uint32_t call, const void* data, uint32_t length) {
    std::vector<uint8_t> record(sizeof(CIPI_CommandHeader) + length);
    const CIPI_CommandHeader header{command, call, length};
    memcpy(record.data(), &header, sizeof header);
    if (length) memcpy(record.data() + sizeof header, data, length);
    send(record.data());
  }
};

// The host's limits: the defaults of a T.38 host module, at most 9600 bit/s.
constexpr VtxT38Params kLimits{0, 3, 0, 0, 0, 9, 512, 1024, 6, 512, 5, 2, 0};

void Answer(Library& library, uint32_t call, const CIPI_MediaDescription& offer, bool any) {
  vtx::ipcc::MediaRecord record{true, call, {}};
  CIPI_MediaDescription answer = offer;
  const bool t38 = vtx::ipcc::IsT38Description(offer);
  if ((!t38 && !any) || (t38 && !vtx::ipcc::ProcessMediaT38Params(
                                    {2, 1}, call, Event_CIPI_MediaOffer, offer, kLimits, record))) {
    library.Command(Command_CIPI_Release, call, nullptr, 0);
    return;
  }
  if (t38) vtx::ipcc::WriteOwnT38Params(answer, record.t38);
  memset(answer.address, 0, sizeof answer.address);  // the library fills in its own
  answer.port = 0;
  library.Command(Command_CIPI_MediaAnswer, call, &answer, sizeof answer);
  library.Command(Command_CIPI_Answer, call, nullptr, 0);
}

void PlaceCall(Library& library, const std::string& destination) {
  CIPI_CallRequest request{};
  snprintf(request.destination, sizeof request.destination, "%s", destination.c_str());
  snprintf(request.calling, sizeof request.calling, "answerer");
  CIPI_MediaDescription& offer = request.offer;
  snprintf(offer.media_class, sizeof offer.media_class, "image");
  offer.transport = CIPI_TRANSPORT_UDPTL;
  offer.format_count = 1;
  snprintf(offer.formats[0], sizeof offer.formats[0], "t38");
  vtx::ipcc::WriteOwnT38Params(offer, kLimits);
  library.Command(Command_CIPI_MakeCall, CIPI_OUTBOUND_CALL | 1, &request, sizeof request);
}

void CheckSelection(Library& library, uint32_t call, const CIPI_MediaDescription& selected) {
  vtx::ipcc::MediaRecord record{true, call, {}};
  std::string why;
  if (vtx::ipcc::ProcessMediaT38Params({2, 1}, call, Event_CIPI_MediaSelected, selected, kLimits,
                                       record, &why)) {
    printf("selection accepted\n");
  } else {
    printf("selection refused: %s\n", why.c_str());
  }
  fflush(stdout);
  library.Command(Command_CIPI_Release, call, nullptr, 0);
}

bool InputClosed() {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  char byte;
  return poll(&input, 1, 0) > 0 && read(STDIN_FILENO, &byte, 1) <= 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: sip_answerer LIBRARY [KEY=VALUE]...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const char* equals = strchr(argv[i], '=');
    if (equals) keys[std::string(argv[i], static_cast<size_t>(equals - argv[i]))] = equals + 1;
  }
  const std::string destination = keys["place_call"];
  keys.erase("place_call");
  void* handle = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    fprintf(stderr, "sip_answerer: %s\n", dlerror());
    return 1;
  }
  auto open = Entry<CIPI_OpenLibrary_t>(handle, "CIPI_OpenLibrary");
  auto close = Entry<CIPI_CloseLibrary_t>(handle, "CIPI_CloseLibrary");
  auto get = Entry<CIPI_GetEvent_t>(handle, "CIPI_GetEvent");
  auto set_trace = Entry<CIPI_SetTrace_t>(handle, "CIPI_SetTrace");
  Library library{Entry<CIPI_SendCommand_t>(handle, "CIPI_SendCommand")};
  set_trace(4);
  char version[CIPI_INFO_TEXT_SIZE];
  if (open(TraceLine, KeyValue, 0, version) != 0) return 1;
  printf("ready\n");
  fflush(stdout);
  if (!destination.empty()) PlaceCall(library, destination);
  std::map<uint32_t, CIPI_CallParties> parties;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::vector<uint8_t> buffer(CIPI_EVENT_SIZE);
  while (!InputClosed() && std::chrono::steady_clock::now() < end) {
    std::fill(buffer.begin(), buffer.end(), 0);
    if (get(100, buffer.data()) != 0) continue;
    vtx::ipcc::LibraryEvent event;
    if (!vtx::ipcc::ReadLibraryEvent(buffer.data(), CIPI_EVENT_SIZE, event)) continue;
    printf("event %s call %u\n", CIPI_EventName(event.header.event), event.header.call);
    fflush(stdout);
    CIPI_MediaDescription media;
    const char* called = parties[event.header.call].called;
    if (event.header.event == Event_CIPI_CallOffered) {
      (void)vtx::ipcc::EventParties(event, parties[event.header.call]);
    } else if (event.header.event == Event_CIPI_MediaOffer && vtx::ipcc::EventMedia(event, media) &&
               strcmp(called, "noanswer") != 0) {
      Answer(library, event.header.call, media, strcmp(called, "audio") == 0);
    } else if (event.header.event == Event_CIPI_MediaSelected &&
               vtx::ipcc::EventMedia(event, media)) {
      CheckSelection(library, event.header.call, media);
    }
  }
  close(0);
  printf("closed\n");
  dlclose(handle);
  return 0;
}
