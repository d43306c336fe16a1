#!/usr/bin/python3
"""Offset error of SNTP clients behind a jittery path, and what several samples gain.

A local chronyd (-x: it never touches the clock) serves this machine's own
clock on 127.0.0.1; brisvander-jitter-relay stands between it and the
clients and holds every datagram a fixed delay plus a random extra (seeded,
exponentially distributed: the wait in a queue, mostly short, now and then long).
Client and server share one clock, so the true offset is 0 and every
reported offset is error; most of it is the jitter's asymmetry, half the
difference of the two ways' holds. Several samples with the smallest delay
chosen should cut it.

  jitter-bench.py --cli PATH --relay PATH --chronyd PATH [--queries N] [--samples N]
                  [--interval S] [--delay-us D] [--jitter-us J] [--seed S]

Every query goes to 127.0.0.1 only; none of the clients may set the clock.
"""
import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bench  # noqa: E402  (free_port, wait_ready, run_process, delay_and_offset, chrony_user_options, run_rounds, format_table)

LOOPBACK = bench.LOOPBACK


class Failed(Exception):
    pass


def check(name, done, ok):
    if not ok:
        raise Failed("%s failed (exit %s)\nstdout: %s\nstderr: %s"
                     % (name, done.returncode, done.stdout.strip(), done.stderr.strip()))


class BrisvanderCli:
    def __init__(self, cli, port, work, samples, interval):
        self.samples = samples
        self.name = "brisvander-cli --samples %d" % samples
        self.argv = [cli, "info", LOOPBACK, "--port", str(port), "--json"]
        if samples > 1:
            self.argv += ["--samples", str(samples), "--interval", interval]
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "xdg-config"))

    def query(self):
        done, wall = bench.run_process(self.argv, self.env)
        try:
            answer = json.loads(done.stdout)
        except ValueError:
            answer = {}
        check(self.name, done, done.returncode == 0 and answer.get("success") is True)
        return answer["clock_offset"], answer["roundtrip_delay"], wall


class Ntpdig:
    def __init__(self, port, samples, gap_ms):
        self.samples = samples
        self.name = "ntpdig -p %d" % samples
        self.argv = [bench.SYSTEM_PYTHON, os.path.join(HERE, "ntpdig-on-port.py"), str(port), "-j", "-t", "5",
                     "-p", str(samples)]
        if samples > 1:
            self.argv += ["-g", str(gap_ms)]
        self.argv.append(LOOPBACK)

    def query(self):
        done, wall = bench.run_process(self.argv)
        check(self.name, done, done.returncode == 0 and done.stdout.strip() != "")
        offset = json.loads(done.stdout.splitlines()[0])["offset"]
        # The wrapper records the first exchange's stamps: its delay is the reported one only for one sample.
        delay = None
        stamps = ntpdig_stamps(done.stderr)
        if self.samples == 1 and stamps:
            delay, _ = bench.delay_and_offset(stamps["t1"], stamps["t2"], stamps["t3"], stamps["t4"])
        return offset, delay, wall


def ntpdig_stamps(stderr):
    match = bench.Ntpdig.STAMPS.search(stderr)
    return json.loads(match.group(1)) if match else None


class Tally:
    def __init__(self, client):
        self.client = client
        self.errors, self.delays, self.walls = [], [], []

    def add(self, offset, delay, wall):
        self.errors.append(abs(offset))
        if delay is not None:
            self.delays.append(delay)
        self.walls.append(wall)

    def row(self):
        us = 1e6
        errors = sorted(self.errors)
        p90 = errors[min(len(errors) - 1, int(round(0.9 * (len(errors) - 1))))]
        return [self.client.name, str(self.client.samples), str(len(errors)),
                "%.0f" % (statistics.median(errors) * us), "%.0f" % (p90 * us),
                "%.0f" % (statistics.median(self.delays) * us) if self.delays else "-",
                "%.0f" % (statistics.median(self.walls) * 1e3)]


HEADER = ["client", "samples", "queries", "median |offset error| us", "90th pct us", "median delay us",
          "median wall ms"]


def start_server(chronyd, work):
    port = bench.free_port()
    conf = os.path.join(work, "server.conf")
    with open(conf, "w") as f:
        f.write("\n".join(["port %d" % port, "bindaddress %s" % LOOPBACK, "allow %s" % LOOPBACK,
                           "local stratum 3", "cmdport 0", "bindcmdaddress /",
                           "pidfile %s" % os.path.join(work, "server.pid"),
                           "driftfile %s" % os.path.join(work, "server.drift"), ""]))
    log = open(os.path.join(work, "server.log"), "w")
    server = subprocess.Popen([chronyd, "-x", "-d"] + bench.chrony_user_options() + ["-f", conf],
                              stdout=log, stderr=subprocess.STDOUT)
    if not bench.wait_ready(port, 10):
        server.terminate()
        with open(os.path.join(work, "server.log")) as f:
            raise Failed("chronyd did not answer on %s:%d within 10 s:\n%s" % (LOOPBACK, port, f.read()))
    return server, port


def start_relay(relay, server_port, args):
    log = open(os.path.join(args.work, "relay.log"), "w")
    process = subprocess.Popen([relay, str(server_port), str(args.delay_us), str(args.jitter_us), str(args.seed)],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log, text=True)
    first = process.stdout.readline().split()
    if len(first) != 2 or first[0] != "port":
        process.kill()
        raise Failed("the relay did not start")
    return process, int(first[1])


def stop(process):
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def measure(clients, queries):
    tallies = [Tally(c) for c in clients]
    bench.run_rounds(clients, tallies, queries)
    return bench.format_table(HEADER, [t.row() for t in tallies])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--relay", required=True)
    parser.add_argument("--chronyd", required=True)
    parser.add_argument("--queries", type=int, default=40)
    parser.add_argument("--samples", type=int, default=4)
    parser.add_argument("--interval", default="0.2")
    parser.add_argument("--delay-us", type=int, default=1000)
    parser.add_argument("--jitter-us", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    work = args.work = tempfile.mkdtemp(prefix="brisvander-jitter-bench.")
    server = relay = None
    try:
        server, server_port = start_server(args.chronyd, work)
        relay, relay_port = start_relay(args.relay, server_port, args)
        version = subprocess.run([args.chronyd, "--version"], capture_output=True, text=True).stdout.split()
        print("server: chronyd %s on %s:%d (-x, local stratum 3)" % (version[3] if len(version) > 3 else "?",
                                                                      LOOPBACK, server_port))
        print("path: brisvander-jitter-relay on port %d, each way %.1f ms + exponential jitter of mean %.1f ms, seed %d"
              % (relay_port, args.delay_us / 1e3, args.jitter_us / 1e3, args.seed))
        print("queries per client: %d, each a fresh process; one warm-up each, not counted; %d samples %s s apart"
              % (args.queries, args.samples, args.interval))
        print()
        gap_ms = int(round(float(args.interval) * 1000))
        clients = [BrisvanderCli(args.cli, relay_port, work, 1, args.interval),
                   BrisvanderCli(args.cli, relay_port, work, args.samples, args.interval),
                   Ntpdig(relay_port, 1, gap_ms), Ntpdig(relay_port, args.samples, gap_ms)]
        print(measure(clients, max(args.queries, 1)))
    except (Failed, subprocess.TimeoutExpired) as error:
        sys.stderr.write("jitter-bench: %s\n" % error)
        return 1
    finally:
        if relay is not None:
            relay.stdin.close()  # its end: standard input runs out
            stop(relay)
        if server is not None:
            server.terminate()
            stop(server)
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
