#!/usr/bin/env python3
"""A T.38 call placed by SIPp to `tarrow callctrl` running the SIP example configuration on a
simulated IP board, served by a tarrow-simd of its own on a temporary Unix socket. The 200 OK must
offer the board's UDPTL port with the host's 9600 bit/s; the call-control trace must show the call
offered, its parameters settled and its connection made and released; `tarrow connections 2` must
list that connection while the call is up and no longer once it ended. Every process is bounded
in time and stopped by its PID.

usage: callctrl_call.py TARROW TARROW_SIMD SOURCE_DIR
"""
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

HOLD_MS = 2500  # how long SIPp keeps the call up


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Output:
    """The lines a process prints, gathered on a thread so that they can be waited for."""

    def __init__(self, process):
        self.lines, self.changed = [], threading.Condition()
        threading.Thread(target=self._read, args=(process,), daemon=True).start()

    def _read(self, process):
        for line in process.stdout:
            with self.changed:
                self.lines.append(line)
                self.changed.notify_all()

    def wait_for(self, pattern, seconds):
        """The first match of `pattern` in a line, waiting at most `seconds`; None when none."""
        limit = time.monotonic() + seconds
        with self.changed:
            while True:
                for line in self.lines:
                    found = re.search(pattern, line)
                    if found:
                        return found
                left = limit - time.monotonic()
                if left <= 0:
                    return None
                self.changed.wait(left)

    def text(self):
        with self.changed:
            return "".join(self.lines)


def stop(process, how):
    if process.poll() is None:
        process.send_signal(how)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def ip_sides(tarrow, env):
    """The IP sides of module 2's switch connections, as `tarrow connections 2 --json` lists them."""
    listing = subprocess.run([tarrow, "connections", "2", "--json", "--defaults"], env=env,
                             capture_output=True, text=True, timeout=20)
    if listing.returncode != 0:
        return None
    sides = []
    for connection in json.loads(listing.stdout)["connections"]:
        sides += [side for side in (connection["source"], connection["destination"])
                  if side["local"] is not None]
    return sides


def our_answer(messages):
    """The SDP of the 200 OK that answered SIPp's INVITE, from SIPp's message log."""
    found = re.search(r"SIP/2\.0 200 OK.*?CSeq: 1 INVITE.*?\r?\n\r?\n(v=0.*?)(?:\r?\n\r?\n|\Z)",
                      messages, re.S)
    return found.group(1) if found else ""


def run(tarrow, simd, source, scratch, failed):
    sock = os.path.join(scratch, "sim.sock")
    daemon = subprocess.Popen([simd, "--socket", sock, "--board",
                               os.path.join(source, "sim/boards/ip-board.cfg")],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    framework = client = None
    try:
        for _ in range(100):
            if os.path.exists(sock):
                break
            time.sleep(0.05)
        sip_port, media_port = free_port(), free_port()
        with open(os.path.join(source, "ipcc/examples/callctrl-sip.cfg")) as example:
            config = example.read()
        config = re.sub(r"(?m)^sip_port = \d+", "sip_port = %d" % sip_port, config)
        config = re.sub(r"(?m)^trace_file = .*", "trace_file = callctrl.log", config)
        with open(os.path.join(scratch, "callctrl.cfg"), "w") as written:
            written.write(config)
        env = dict(os.environ, TARROW_DRIVER="sim:" + sock)
        framework = subprocess.Popen(
            [tarrow, "callctrl", "--config", "callctrl.cfg", "--defaults"], cwd=scratch, env=env,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        trace = Output(framework)
        if not trace.wait_for(r"Host module 0x1 Initialised OK", 15):
            failed.append("the host module did not start")
            return trace
        client = subprocess.Popen(
            ["sipp", "-sf", os.path.join(source, "tests/sip/t38_call.xml"), "-m", "1", "-l", "1",
             "-i", "127.0.0.1", "-p", str(free_port()), "-mp", str(media_port),
             "-d", str(HOLD_MS), "-nostdin", "-timeout", "20s", "-timeout_error", "-trace_msg",
             "-message_file", os.path.join(scratch, "messages.log"), "127.0.0.1:%d" % sip_port],
            cwd=scratch, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        made = trace.wait_for(r"UDPTL connection made: .* local ([\d.]+):(\d+), remote ([\d.]+):(\d+)",
                              15)
        if not made:
            failed.append("no UDPTL connection was made")
            return trace
        local = {"address": made.group(1), "port": int(made.group(2))}
        remote = {"address": "127.0.0.1", "port": media_port}
        sides = ip_sides(tarrow, env)
        if not any(side["local"] == local and side["remote"] == remote for side in sides or []):
            failed.append("tarrow connections 2 lists no UDPTL side %s -> %s while the call is up: "
                          "%s" % (local, remote, sides))
        try:
            _, errors = client.communicate(timeout=40)
        except subprocess.TimeoutExpired:
            client.kill()
            _, errors = client.communicate()
        if client.returncode != 0:
            failed.append("sipp exited %d: %s" % (client.returncode,
                                                 errors.decode(errors="replace")[-2000:]))
        if not trace.wait_for(r"UDPTL connection released", 10):
            failed.append("the UDPTL connection was not released")
        elif ip_sides(tarrow, env) != []:
            failed.append("tarrow connections 2 still lists an IP side after the call")
        with open(os.path.join(scratch, "messages.log"), errors="replace") as log:
            answer = our_answer(log.read())
        for line in ("c=IN IP4 %s" % local["address"], "m=image %d udptl t38" % local["port"],
                     "a=T38MaxBitRate:9600", "a=T38FaxRateManagement:transferredTCF"):
            if line not in answer:
                failed.append("our 200 OK lacks %r: %r" % (line, answer))
        return trace
    finally:
        if client:
            stop(client, signal.SIGTERM)
        if framework:
            stop(framework, signal.SIGINT)
        stop(daemon, signal.SIGTERM)


def main():
    tarrow, simd, source = sys.argv[1:4]
    if shutil.which("sipp") is None:
        print("sipp is not installed (Debian package sip-tester; make test installs it)")
        return 1
    scratch = tempfile.mkdtemp(prefix="callctrl-sip-")
    failed = []
    try:
        trace = run(tarrow, simd, source, scratch, failed)
        expected = [r"Call offered: hm=0x81, hcr=0x1, calling=sender, called=fax",
                    r"T.38 parameters settled: .*t38_max_bit_rate=3,", r"UDPTL connection made",
                    r"tarrowsip: call 1 answered", r"tarrowsip: call 1 hung up by the far end",
                    r"Call released: hm=0x81, hcr=0x1, cause=16", r"UDPTL connection released"]
        text = trace.text() if trace else ""
        at = 0
        for pattern in expected:
            found = re.compile(pattern).search(text, at)
            if not found:
                failed.append("the trace never showed /%s/ (in order)" % pattern)
                break
            at = found.end()
        print(text)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    for failure in failed:
        print("FAIL:", failure)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
