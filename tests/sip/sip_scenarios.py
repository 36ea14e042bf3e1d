#!/usr/bin/env python3
"""Runs one SIP call flow against the SIP host module library: the answerer (a small host that
loads the library) listens on a free loopback port, SIPp places the calls of the flow's scenarios
(or answers the one the answerer places),
and the flow passes when every SIPp run succeeds and the answerer reported the events the flow
expects. Every process is bounded in time and stopped by its PID.

usage: sip_scenarios.py ANSWERER LIBRARY FLOW   (FLOW: a name of FLOWS)
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


class Run:
    """One SIPp run of a flow: its scenario, its pause, how long after the answerer is ready it
    starts, its keys, its SIP transport, and how many calls it places at what rate a second."""

    def __init__(self, scenario, pause_ms=300, delay=0.0, keys=None, transport="u1", calls=1,
                 rate=10):
        self.scenario, self.pause_ms, self.delay = scenario, pause_ms, delay
        self.keys, self.transport, self.calls, self.rate = keys or {}, transport, calls, rate


def sipp(run, target, port=None):
    """SIPp placing the run's calls at `target`, or answering one on `port` (target None)."""
    words = [word for key, value in run.keys.items() for word in ("-key", key, value)]
    command = ["sipp"] + words + [
        "-sf", os.path.join(HERE, run.scenario), "-m", str(run.calls), "-l", str(run.calls),
        "-r", str(run.rate), "-i", "127.0.0.1", "-p", str(port or free_port()),
        "-mp", str(free_port()), "-d", str(run.pause_ms), "-t", run.transport, "-nostdin",
        "-timeout", "40s", "-timeout_error"]
    return subprocess.Popen(command + ([target] if target else []), stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, cwd=os.environ.get("TMPDIR", "/tmp"))


# Each flow: the answerer's keys, the SIPp runs, the lines the answerer must have printed, in
# order, and when the answerer is told to close the library (None: once every run is over). A
# flow whose `answers` run is set has SIPp answer the call the answerer places; a `balanced` one
# must release every call it was offered.
FLOWS = {
    "t38_call": dict(runs=[Run("t38_call.xml")],
                     expect=[r"event Event_CIPI_CallOffered call 1",
                             r"event Event_CIPI_MediaOffer call 1", r"call 1 answered",
                             r"event Event_CIPI_CallConnected call 1",
                             r"call 1 hung up by the far end",
                             r"event Event_CIPI_CallReleased call 1"]),
    "t38_tcp": dict(keys={"transport": "tcp"}, runs=[Run("t38_call.xml", transport="t1")],
                    expect=[r"listening on 127.0.0.1:\d+ tcp", r"call 1 answered",
                            r"event Event_CIPI_CallConnected call 1",
                            r"call 1 hung up by the far end"]),
    "reinvite": dict(runs=[Run("reinvite.xml")],
                     expect=[r"event Event_CIPI_MediaOffer call 1", r"call 1 answered",
                             r"event Event_CIPI_CallConnected call 1",
                             r"call 1 re-INVITE offers new media",
                             r"event Event_CIPI_MediaOffer call 1", r"call 1 re-INVITE answered",
                             r"call 1 media changed", r"call 1 hung up by the far end",
                             r"event Event_CIPI_CallReleased call 1"]),
    "outbound": dict(answers=Run("answer.xml", keys={"rate_management": "transferredTCF"}),
                     expect=[r"call 2147483649 placed to \"sip:fax@127.0.0.1:\d+\"",
                             r"event Event_CIPI_MediaSelected call 2147483649",
                             r"selection accepted", r"call 2147483649 released by the host",
                             r"event Event_CIPI_CallReleased call 2147483649"]),
    "outbound_local_tcf": dict(
        answers=Run("answer.xml", keys={"rate_management": "localTCF"}),
        expect=[r"event Event_CIPI_MediaSelected call 2147483649",
                r"selection refused: .*Invalid T38 fax rate management: localTCF\(8\)",
                r"call 2147483649 released by the host"]),
    "cancel": dict(runs=[Run("cancel.xml")],
                   expect=[r"event Event_CIPI_MediaOffer call 1",
                           r"call 1 cancelled by the far end",
                           r"event Event_CIPI_CallReleased call 1"]),
    "busy": dict(keys={"max_calls": "1"},
                 runs=[Run("cancel.xml", 3000),
                       Run("refused.xml", delay=1.0, keys={"sdp_transport": "udptl"})],
                 expect=[r"event Event_CIPI_MediaOffer call 1",
                         r"INVITE refused: all 1 calls are up",
                         r"event Event_CIPI_CallReleased call 1"]),
    "refused": dict(runs=[Run("refused.xml", keys={"sdp_transport": "udptls"})],
                    expect=[r"INVITE refused: unknown transport \"udptls\""]),
    "not_t38": dict(runs=[Run("refused.xml", keys={"sdp_transport": "RTP/AVP"})],
                    expect=[r"event Event_CIPI_MediaOffer call 1", r"call 1 released by the host",
                            r"event Event_CIPI_CallReleased call 1",
                            r"event Event_CIPI_CommandDone call 1"]),
    "flood": dict(keys={"max_calls": "4"}, runs=[Run("flood.xml", 500, calls=40, rate=80)],
                  balanced=True, expect=[r"INVITE refused: all 4 calls are up"]),
    "no_ack": dict(runs=[Run("no_ack.xml")],
                   expect=[r"call 1 answered", r"call 1 timed out \(no ACK\)",
                           r"event Event_CIPI_CallReleased call 1"]),
    "stop": dict(runs=[Run("stop.xml")], close_after=1.5,
                 expect=[r"event Event_CIPI_CallConnected call 1", r"closed"]),
}


def finish(scenario, client, failed):
    try:
        _, errors = client.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        client.kill()
        _, errors = client.communicate()
    if client.returncode != 0:
        failed.append("%s: sipp exited %d: %s" % (scenario, client.returncode,
                                                 errors.decode(errors="replace")[-2000:]))


def main():
    answerer, library, name = sys.argv[1:4]
    if shutil.which("sipp") is None:
        print("sipp is not installed (Debian package sip-tester; make test installs it)")
        return 1
    flow = FLOWS[name]
    port = free_port()
    arguments = [answerer, library, "local_address=127.0.0.1", "sip_port=%d" % port]
    arguments += ["%s=%s" % item for item in flow.get("keys", {}).items()]
    failed = []
    clients = []
    answers = flow.get("answers")
    if answers:
        far_port = free_port()
        clients.append((answers.scenario, sipp(answers, None, far_port)))
        arguments.append("place_call=sip:fax@127.0.0.1:%d" % far_port)
    host = subprocess.Popen(arguments, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    early = []  # what the answerer printed while it opened the library
    try:
        for line in host.stdout:
            early.append(line)
            if line.strip() == "ready":
                break
        else:
            print("the answerer did not start:", "".join(early))
            for _, client in clients:
                client.kill()
            return 1
        started = time.monotonic()
        for run in flow.get("runs", []):
            time.sleep(max(0.0, started + run.delay - time.monotonic()))
            clients.append((run.scenario, sipp(run, "127.0.0.1:%d" % port)))
        if flow.get("close_after") is not None:
            time.sleep(max(0.0, started + flow["close_after"] - time.monotonic()))
            host.stdin.close()
            host.stdin = None
        for scenario, client in clients:
            finish(scenario, client, failed)
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
    for line in flow["expect"]:
        found = re.compile(line).search(output, at)
        if not found:
            failed.append("the answerer never printed /%s/ (in order)" % line)
            break
        at = found.end()
    offered = len(re.findall(r"event Event_CIPI_CallOffered", output))
    released = len(re.findall(r"event Event_CIPI_CallReleased", output))
    if flow.get("balanced") and (offered == 0 or offered != released):
        failed.append("%d calls offered, %d released" % (offered, released))
    if "closed" not in output:
        failed.append("the library was not closed")
    for failure in failed:
        print("FAIL:", failure)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
