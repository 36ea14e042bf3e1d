// Arbitrary bytes sent on a daemon connection, in pieces as a client might send them: frames
// assembled as their bytes arrive, served, parked while a receive waits, refused when out of turn
// or too large. What the daemon's per-connection code does with whatever a client sends.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/daemon_client.h"
#include "sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto machine = sim::Machine::Default();
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  const int client_end = pair[1];
  {
    sim::DaemonClient client(*machine, pair[0], sim::Peer{}, sim::SimClock::now());
    const size_t max_frame = 1 + sim::wire::MaxRequestSize();
    size_t sent = 0;
    bool ended = false;
    std::string why;
    for (bool open = true; open;) {
      if (sent < size) {
        // Pieces of a prime length, so that frames and headers are split anywhere.
        const ssize_t n = send(client_end, data + sent, std::min<size_t>(size - sent, 97),
                               MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) sent += static_cast<size_t>(n);
      } else if (!ended) {
        shutdown(client_end, SHUT_WR);
        ended = true;
      }
      uint8_t reply[4096];
      while (recv(client_end, reply, sizeof reply, MSG_DONTWAIT) > 0) {
      }
      open = client.Ready(client.Events(), max_frame, sim::SimClock::now(), why);
      if (open && client.Parked()) open = client.Resume(why);
    }
  }
  close(client_end);
  return 0;
}
