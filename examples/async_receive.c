/* async_receive: many lines from one thread. Every line writes a firmware variable and reads it
 * back, round after round, without ever waiting for the board itself: each operation is started
 * with a notification line in `async_lp`, and when the board's answer is not there yet the
 * operation returns status 9 (CV_STATUS_CONTINUING). The program then waits on the notification
 * line with MillWaitNotify, which hands back whichever line's answer came, and continues that
 * line's operation by calling it again with `async_lp` 0xFFFFFFFF. Build it against an installed
 * library:
 *
 *     cc async_receive.c $(pkg-config --cflags --libs tarrow) -o async_receive
 *
 * and run it against the simulator daemon:
 *
 *     tarrow-simd --socket /tmp/board.sock &
 *     TARROW_DRIVER=sim:/tmp/board.sock ./async_receive 16 10
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tarrow/vtx.h>

#define MAX_LINES 64
#define CONTINUE 0xFFFFFFFFu
#define VARIABLE 0x20 /* an ADMIN variable that each channel keeps for itself */
#define FACILITY_ADMIN 0x01

struct driven {
  VtxLine* line;
  MillArgs args;
  unsigned round;
  int reading; /* 0: the SET of this round is under way, 1: its GET */
};

static VtxLine* notify_line;
static unsigned rounds = 10;
static unsigned finished;
static unsigned notices;

static void prepare(struct driven* d) {
  memset(&d->args, 0, sizeof d->args);
  d->args.facility = FACILITY_ADMIN;
  d->args.tag_id = VARIABLE;
  d->args.tag_type = MILL_TYPE_LONG;
  d->args.var_value = d->round;
  d->args.timeout = 5000;
}

/* Runs the line's current operation with `async_lp`, and the following ones for as long as they
 * finish at once. 0 when the line waits for a notice or is done, -1 on a failure. */
static int step(struct driven* d, uint32_t async_lp) {
  for (;;) {
    d->args.async_lp = async_lp;
    if (d->reading) {
      VtxGetVar(d->line, &d->args);
    } else {
      VtxSetSingleVar(d->line, &d->args);
    }
    if (d->args.status == CV_STATUS_CONTINUING) return 0;
    if (d->args.status != CV_STATUS_OK) {
      fprintf(stderr, "async_receive: status %u, line status %u\n", d->args.status,
              d->args.line_status);
      return -1;
    }
    if (d->reading && d->args.var_value != d->round) {
      fprintf(stderr, "async_receive: read %u back, wrote %u\n", d->args.var_value, d->round);
      return -1;
    }
    if (d->reading && ++d->round == rounds) {
      ++finished;
      return 0;
    }
    d->reading = !d->reading;
    prepare(d);
    async_lp = VtxLineAsyncHandle(notify_line);
  }
}

/* A session with the module itself (kind 1) or with one of its channels (kind 2). */
static VtxLine* attach(unsigned module, uint8_t kind, uint8_t unit) {
  VtxLineArgs args;
  memset(&args, 0, sizeof args);
  args.dest_addr[1] = kind;
  args.dest_addr[2] = (uint8_t)module;
  args.dest_addr[3] = unit;
  return VtxSessionAttach(&args);
}

static void detach(VtxLine* line) {
  VtxLineArgs args;
  memset(&args, 0, sizeof args);
  VtxLineDetach(line, &args);
}

/* The first module with channels, and its channel count. */
static unsigned find_module(unsigned* channels) {
  unsigned module;
  for (module = 2; module < 128; ++module) {
    VtxModuleInfoArgs info;
    memset(&info, 0, sizeof info);
    info.mod_num = module;
    if (VtxModuleInfo(NULL, &info) != 0) return 0;
    if (info.exists && info.num_channels > 0) {
      *channels = info.num_channels;
      return module;
    }
  }
  return 0;
}

int main(int argc, char** argv) {
  static struct driven lines[MAX_LINES];
  unsigned count = argc > 1 ? (unsigned)atoi(argv[1]) : 16;
  unsigned channels = 0, module, i;
  int status = 0;
  if (argc > 2) rounds = (unsigned)atoi(argv[2]);
  if (count < 1 || count > MAX_LINES || rounds < 1 || argc > 3) {
    fprintf(stderr, "usage: async_receive [LINES (1 to %d)] [ROUNDS]\n", MAX_LINES);
    return 2;
  }
  CV_API_SET_VER();
  module = find_module(&channels);
  if (module == 0) {
    fprintf(stderr, "async_receive: no module with channels\n");
    return 1;
  }
  notify_line = attach(module, 1, 0);
  if (notify_line == NULL) {
    fprintf(stderr, "async_receive: no notification line on module 0x%X\n", module);
    return 1;
  }
  /* Several sessions may share a channel: each has its own address and its own input. */
  for (i = 0; i < count; ++i) {
    lines[i].line = attach(module, 2, (uint8_t)(i % channels));
    if (lines[i].line == NULL) {
      fprintf(stderr, "async_receive: no line %u on module 0x%X\n", i, module);
      count = i;
      status = 1;
      break;
    }
    prepare(&lines[i]);
    if (step(&lines[i], VtxLineAsyncHandle(notify_line)) != 0) status = 1;
  }
  while (status == 0 && finished < count) {
    MillArgs wait;
    VtxLine* ready;
    memset(&wait, 0, sizeof wait);
    wait.timeout = 5000;
    ready = MillWaitNotify(notify_line, &wait);
    if (ready == NULL) {
      fprintf(stderr, "async_receive: no notice (status %u, line status %u)\n", wait.status,
              wait.line_status);
      status = 1;
      break;
    }
    ++notices;
    for (i = 0; i < count && lines[i].line != ready; ++i) {
    }
    if (i == count || step(&lines[i], CONTINUE) != 0) status = 1;
  }
  if (status == 0) {
    printf("%u lines on module 0x%X, %u rounds each, %u notices\n", count, module, rounds,
           notices);
  }
  for (i = 0; i < count; ++i) detach(lines[i].line);
  detach(notify_line);
  return status;
}
