#!/usr/bin/env python3
"""One operator at a bench of stations: runs `zorvane-flash --stations` with
a pseudo-terminal on its standard input (the operator's keyboard and barcode
scanner) and its plain lines on a pipe, and plays one person who loads one
radio at a time.

When a station says it is armed and the operator is free, the operator
spends THINK seconds loading, resetting and scanning the radio, then types
@<station> and the radio's label. Stations armed while the operator is busy
wait their turn in the order they armed. After RADIOS scans the operator
types q and the shift ends once the radios under way finish.

Writes one line per radio to --results:
    label port scanned_s ended_s outcome run_s
(seconds since the flasher started; run_s as the flasher says it). Every
line the flasher writes goes to --log with the time it was read.
"""

import argparse
import collections
import os
import queue
import re
import subprocess
import sys
import threading
import time

OUTCOMES = "success|not released|no-platform|port|serial|boot|config|eeprom|flash|cancelled|internal"
STATION_LINE = re.compile(r"^\[(.+?)\] (.*)$")
ENDED = re.compile(r"^(\S+) (" + OUTCOMES + r") ([0-9.]+) s$")
RUNNING = re.compile(r"^running: (.*)$")

# Nothing from the flasher for this long means it is stuck.
QUIET_LIMIT = 180.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--flasher", required=True)
    parser.add_argument("--config", required=True)
    parser.add_argument("--port", action="append", required=True, dest="ports")
    parser.add_argument("--think", type=float, required=True)
    parser.add_argument("--radios", type=int, required=True)
    parser.add_argument("--prefix", default="SN-")
    parser.add_argument("--record", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--results", required=True)
    args = parser.parse_args()

    flasher = None

    def fail(text):
        if flasher is not None and flasher.poll() is None:
            flasher.kill()
        sys.stderr.write("%s; see %s\n" % (text, args.log))
        sys.exit(1)

    master, slave = os.openpty()
    command = [args.flasher, "--stations"]
    for port in args.ports:
        command += ["--port", port]
    command += ["--config", args.config, "--record", args.record]
    log = open(args.log, "w", buffering=1)
    log.write("# %s\n" % " ".join(command))
    started = time.monotonic()
    flasher = subprocess.Popen(command, stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    os.close(slave)

    def now():
        return time.monotonic() - started

    # The flasher's lines, each with the time it came; None at its end.
    events = queue.Queue()

    def read_output():
        for raw in flasher.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            at = now()
            log.write("%9.3f %s\n" % (at, line))
            events.put((at, line))
        events.put((now(), None))

    def drain_terminal():
        # Whatever the terminal sends back (echo before the flasher turns it
        # off) is read so that the terminal never fills.
        while True:
            try:
                if not os.read(master, 4096):
                    return
            except OSError:
                return

    threading.Thread(target=read_output, daemon=True).start()
    threading.Thread(target=drain_terminal, daemon=True).start()

    def type_line(text):
        log.write("%9.3f > %s\n" % (now(), text))
        os.write(master, (text + "\r").encode())

    index_of = {port: i for i, port in enumerate(args.ports)}
    waiting = collections.deque()      # armed stations, in the order they armed
    loading = None                     # (station, done at) while the operator is busy
    scanned = {}                       # label: (station, scanned at)
    expecting = None                   # (station, label) typed, its running line not seen yet
    radios = []                        # label port scanned ended outcome run
    quit_typed = False
    last_heard = now()
    ended = False

    while not ended:
        timeout = None
        if loading is not None:
            timeout = max(0.0, loading[1] - now())
        try:
            at, line = events.get(timeout=min(timeout, 1.0) if timeout is not None else 1.0)
        except queue.Empty:
            at, line = now(), ""
            if now() - last_heard > QUIET_LIMIT:
                fail("the flasher said nothing for %.0f s" % QUIET_LIMIT)
        else:
            last_heard = at
            if line is None:
                ended = True
                line = ""
        match = STATION_LINE.match(line)
        if match and match.group(1) in index_of:
            station, said = index_of[match.group(1)], match.group(2)
            if said == "armed":
                waiting.append(station)
            elif RUNNING.match(said):
                label = RUNNING.match(said).group(1)
                if expecting != (station, label):
                    fail("%s started on %s, not where the operator scanned it" % (label, args.ports[station]))
                expecting = None
            elif ENDED.match(said):
                label, outcome, run = ENDED.match(said).groups()
                if outcome != "success":
                    fail("%s on %s ended %s" % (label, args.ports[station], outcome))
                if label in scanned:
                    radios.append((label, args.ports[station], scanned[label][1], at, outcome, float(run)))
            elif said.startswith("no port"):
                fail("station %s lost its port" % args.ports[station])
        # The operator finishes loading the radio and scans it.
        if loading is not None and now() >= loading[1]:
            station = loading[0]
            if expecting is not None:
                fail("%s never started on %s" % (expecting[1], args.ports[expecting[0]]))
            label = "%s%04d" % (args.prefix, len(scanned) + 1)
            type_line("@%d" % (station + 1))
            type_line(label)
            scanned[label] = (station, now())
            expecting = (station, label)
            loading = None
        if len(scanned) == args.radios and not quit_typed and expecting is None:
            type_line("q")
            quit_typed = True
        # Free, the operator goes to the station that has waited longest.
        if loading is None and waiting and len(scanned) < args.radios:
            loading = (waiting.popleft(), now() + args.think)

    code = flasher.wait()
    log.close()
    if len(scanned) < args.radios:
        fail("the flasher ended (exit %d) after %d of %d radios" % (code, len(scanned), args.radios))
    if len(radios) < len(scanned):
        fail("%d of %d radios scanned never ended" % (len(scanned) - len(radios), len(scanned)))
    with open(args.results, "w") as results:
        for radio in radios:
            results.write("%s %s %.3f %.3f %s %.1f\n" % radio)
    if code != 0:
        fail("the flasher ended with exit %d" % code)


if __name__ == "__main__":
    main()
