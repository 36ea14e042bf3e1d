#!/usr/bin/env python3
"""Runs one SIP call flow against the SIP host module library: the answerer (a small host that
loads the library) listens on a free loopback port, SIPp places the calls of the flow's scenarios,
and the flow passes when every SIPp run succeeds and the answerer reported the events the flow
expects. Every process is bounded in time and stopped by its PID.

usage: sip_scenarios.py ANSWERER LIBRARY FLOW   (FLOW: t38_call, cancel, busy, refused, not_t38, stop)
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def sipp(scenario, target, pause_ms, keys):
    words = [word for key, value in keys.items() for word in ("-key", key, value)]
    return subprocess.Popen(
        ["sipp"] + words +
        ["-sf", os.path.join(HERE, scenario), "-m", "1", "-l", "1", "-i", "127.0.0.1",
         "-p", str(free_port()), "-mp", str(free_port()), "-d", str(pause_ms), "-nostdin",
         "-timeout", "15s", "-timeout_error", target],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, cwd=os.environ.get("TMPDIR", "/tmp"))


# Each flow: the answerer's keys, the SIPp runs as (scenario, pause, delay before it starts, the
# run's keys), the
# lines the answerer must have printed, in order, and when the answerer is told to close the
# library (None: once every run is over).
FLOWS = {
    "t38_call": ({}, [("t38_call.xml", 300, 0, {})],
                 [r"event Event_CIPI_CallOffered call 1", r"event Event_CIPI_MediaOffer call 1",
                  r"call 1 answered", r"event Event_CIPI_CallConnected call 1",
                  r"call 1 hung up by the far end", r"event Event_CIPI_CallReleased call 1"]),
    "cancel": ({}, [("cancel.xml", 300, 0, {})],
               [r"event Event_CIPI_MediaOffer call 1",
                r"call 1 cancelled by the far end", r"event Event_CIPI_CallReleased call 1"]),
    "busy": ({"max_calls": "1"}, [("cancel.xml", 3000, 0, {}),
                                 ("refused.xml", 300, 1.0, {"sdp_transport": "udptl"})],
             [r"event Event_CIPI_MediaOffer call 1",
              r"INVITE refused: all 1 calls are up", r"event Event_CIPI_CallReleased call 1"]),
    "refused": ({}, [("refused.xml", 300, 0, {"sdp_transport": "udptls"})],
                [r"INVITE refused: unknown transport \"udptls\""]),
    "not_t38": ({}, [("refused.xml", 300, 0, {"sdp_transport": "RTP/AVP"})],
                [r"event Event_CIPI_MediaOffer call 1", r"call 1 released by the host",
                 r"event Event_CIPI_CallReleased call 1", r"event Event_CIPI_CommandDone call 1"]),
    "stop": ({}, [("stop.xml", 300, 0, {})],
             [r"event Event_CIPI_CallConnected call 1", r"closed"], 1.5),
}


def main():
    answerer, library, flow = sys.argv[1:4]
    if shutil.which("sipp") is None:
        print("sipp is not installed (Debian package sip-tester; make test installs it)")
        return 1
    keys, runs, expected, close_after = (FLOWS[flow] + (None,))[:4]
    port = free_port()
    arguments = [answerer, library, "local_address=127.0.0.1", "sip_port=%d" % port]
    arguments += ["%s=%s" % item for item in keys.items()]
    host = subprocess.Popen(arguments, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    failed = []
    early = []  # what the answerer printed while it opened the library
    try:
        for line in host.stdout:
            early.append(line)
            if line.strip() == "ready":
                break
        else:
            print("the answerer did not start:", "".join(early))
            return 1
        started = time.monotonic()
        clients = []
        for scenario, pause_ms, delay, run_keys in runs:
            time.sleep(max(0.0, started + delay - time.monotonic()))
            clients.append((scenario, sipp(scenario, "127.0.0.1:%d" % port, pause_ms, run_keys)))
        if close_after is not None:
            time.sleep(max(0.0, started + close_after - time.monotonic()))
            host.stdin.close()
            host.stdin = None
        for scenario, client in clients:
            try:
                _, errors = client.communicate(timeout=30)
            except subprocess.TimeoutExpired:
                client.kill()
                _, errors = client.communicate()
            if client.returncode != 0:
                failed.append("%s: sipp exited %d: %s" % (scenario, client.returncode,
                                                         errors.decode(errors="replace")[-2000:]))
        time.sleep(0.5)  # the last release reaches the answerer
    finally:
        try:
            output, _ = host.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            host.kill()
            output, _ = host.communicate()
            failed.append("the answerer did not stop when asked")
    if host.returncode != 0:
        failed.append("the answerer exited %d" % host.returncode)
    output = "".join(early) + output
    print(output)
    at = 0
    for line in expected:
        found = re.compile(line).search(output, at)
        if not found:
            failed.append("the answerer never printed /%s/ (in order)" % line)
            break
        at = found.end()
    if "closed" not in output:
        failed.append("the library was not closed")
    for failure in failed:
        print("FAIL:", failure)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
