#!/usr/bin/python3
"""Measures SNTP clients against a local chronyd on 127.0.0.1 and prints one table.

Subcommands (run-bench.sh drives them):
  free-port [--tcp]          print a UDP (or TCP) port on 127.0.0.1 that is free right now
  wait-ready PORT SECONDS [--nts-port Q]
                             wait until the server on 127.0.0.1:PORT answers as synchronised
                             (and accepts connections for the NTS key exchange on TCP port Q)
  measure --port P --cli PATH --work DIR --queries N [--nts-port Q --nts-ca CA]
                             run every client N times, each query a fresh process, and print the table;
                             with Q and CA also the NTS clients against the same server

Every query goes to 127.0.0.1 only; none of the clients is allowed to set the clock.
"""
import argparse
import json
import os
import re
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import time

LOOPBACK = "127.0.0.1"
SYSTEM_PYTHON = "/usr/bin/python3"
HERE = os.path.dirname(os.path.abspath(__file__))
NTP_UNIX_EPOCH = 2208988800
QUERY_TIMEOUT_S = 20


class QueryFailed(Exception):
    pass


# ---- NTP arithmetic ---------------------------------------------------------

def ntp64_to_seconds(value):
    return (value >> 32) + (value & 0xFFFFFFFF) / 2**32


def delay_and_offset(t1, t2, t3, t4):
    """Raw 32.32 timestamps in, (delay, offset) in seconds out; differences first, so no precision is lost."""
    def diff(a, b):
        return ntp64_to_seconds(a - b) if a >= b else -ntp64_to_seconds(b - a)
    delay = diff(t4, t1) - diff(t3, t2)
    offset = (diff(t2, t1) + diff(t3, t4)) / 2
    return delay, offset


# ---- the server ---------------------------------------------------------------

def free_port(kind=socket.SOCK_DGRAM):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind((LOOPBACK, 0))
        return s.getsockname()[1]


def tcp_port_accepts(port):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.settimeout(0.2)
        return s.connect_ex((LOOPBACK, port)) == 0


def server_answers_synchronised(port):
    request = bytearray(48)
    request[0] = (0 << 6) | (4 << 3) | 3
    request[40:48] = struct.pack("!II", int(time.time()) + NTP_UNIX_EPOCH, 0)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(0.2)
        s.sendto(bytes(request), (LOOPBACK, port))
        try:
            reply = s.recv(1024)
        except (socket.timeout, ConnectionRefusedError):
            return False
    if len(reply) < 48:
        return False
    leap, stratum = reply[0] >> 6, reply[1]
    return leap != 3 and 1 <= stratum <= 15


def wait_ready(port, seconds, nts_port=None):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if server_answers_synchronised(port) and (nts_port is None or tcp_port_accepts(nts_port)):
            return True
        time.sleep(0.1)
    return False


# ---- one query per client -----------------------------------------------------
# Each returns (offset_s, delay_s, exchanges) parsed from one finished process.

def run_process(argv, env=None):
    started = time.perf_counter()
    done = subprocess.run(argv, capture_output=True, text=True, env=env, timeout=QUERY_TIMEOUT_S)
    wall = time.perf_counter() - started
    return done, wall


def fail(name, done, why):
    raise QueryFailed("%s: %s (exit %s)\nstdout: %s\nstderr: %s"
                      % (name, why, done.returncode, done.stdout.strip(), done.stderr.strip()))


class BrisvanderCli:
    name = "brisvander-cli"

    state = "xdg-state"

    def __init__(self, setup):
        self.argv = [setup.cli, "info", LOOPBACK, "--port", str(setup.port), "--json"]
        # Each row its own state folder: the NTS rows differ by what is kept in it.
        self.state_home = os.path.join(setup.work, self.state)
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(setup.work, "xdg-config"),
                        XDG_STATE_HOME=self.state_home)

    def before_query(self):
        pass

    def query(self):
        self.before_query()
        done, wall = run_process(self.argv, self.env)
        try:
            answer = json.loads(done.stdout)
        except ValueError:
            fail(self.name, done, "no JSON on standard output")
        if done.returncode != 0 or answer.get("success") is not True:
            fail(self.name, done, "query failed")
        self.check(done, answer)
        return answer["clock_offset"], answer["roundtrip_delay"], len(answer["samples"]), wall

    def check(self, done, answer):
        if answer.get("nts") is not False:
            fail(self.name, done, "a plain query reported NTS")


class BrisvanderCliNts(BrisvanderCli):
    """Key exchange with chronyd over TLS (certificate for "localhost"), then one authenticated exchange: the
    first run, with nothing kept (the row's state folder is emptied before each query, outside the time)."""
    name = "brisvander-cli --nts"
    state = "xdg-state-nts-first"
    key_exchange = "fresh"

    def before_query(self):
        shutil.rmtree(os.path.join(self.state_home, "brisvander", "nts"), ignore_errors=True)

    def __init__(self, setup):
        super().__init__(setup)
        self.argv = [setup.cli, "info", "localhost", "--nts", "--nts-port", str(setup.nts_port),
                     "--nts-ca", setup.nts_ca, "--json"]
        self.key_exchange_server = "localhost:%d" % setup.nts_port

    def check(self, done, answer):
        if answer.get("nts") is not True or answer.get("nts_error") is not None:
            fail(self.name, done, "not an authenticated answer")
        if answer.get("nts_server") != self.key_exchange_server:
            fail(self.name, done, "key exchange with %r, not %r" % (answer.get("nts_server"),
                                                                    self.key_exchange_server))
        if answer.get("nts_key_exchange") != self.key_exchange:
            fail(self.name, done, "nts_key_exchange %r, not %r" % (answer.get("nts_key_exchange"),
                                                                 self.key_exchange))


class BrisvanderCliNtsStored(BrisvanderCliNts):
    """The session the warm-up query kept, used and kept again by every query: no key exchange, no TLS."""
    name = "brisvander-cli --nts kept"
    state = "xdg-state-nts-kept"
    key_exchange = "stored"

    def before_query(self):
        pass

    def query(self):
        if not os.path.isdir(os.path.join(self.state_home, "brisvander", "nts")):
            self.key_exchange = "fresh"  # the warm-up query makes the session
        try:
            return super().query()
        finally:
            self.key_exchange = "stored"


class Ntpdig:
    name = "ntpdig"
    STAMPS = re.compile(r"^stamps (\{.*\})$", re.M)

    def __init__(self, setup):
        self.argv = [SYSTEM_PYTHON, os.path.join(HERE, "ntpdig-on-port.py"), str(setup.port), "-j", "-t", "5",
                     LOOPBACK]

    def query(self):
        done, wall = run_process(self.argv)
        stamps = self.STAMPS.search(done.stderr)
        if done.returncode != 0 or not stamps:
            fail(self.name, done, "query failed")
        t = json.loads(stamps.group(1))
        delay, offset = delay_and_offset(t["t1"], t["t2"], t["t3"], t["t4"])
        printed = json.loads(done.stdout.splitlines()[0])["offset"]
        # ntpdig prints whole microseconds; the raw stamps must agree with that.
        if abs(printed - offset) > 1.5e-6:
            fail(self.name, done, "printed offset %r disagrees with stamps (%r)" % (printed, offset))
        return offset, delay, 1, wall


class ChronydOneShot:
    name = "chronyd -Q"
    folder = "chronyd-q"
    program = "chronyd"  # the server's own chronyd, from --chronyd
    WRONG_BY = re.compile(r"System clock wrong by (-?[0-9.]+) seconds")

    def __init__(self, setup):
        self.dir = os.path.join(setup.work, self.folder)
        os.makedirs(self.dir, exist_ok=True)
        conf = os.path.join(self.dir, "chrony.conf")
        with open(conf, "w") as f:
            f.write("\n".join(self.source_lines(setup) + [
                "port 0",               # serve nothing
                "cmdport 0",            # no command socket on UDP
                "bindcmdaddress /",     # nor on a Unix socket
                "pidfile %s" % os.path.join(self.dir, "chronyd.pid"),
                "logdir %s" % self.dir,
                "log measurements statistics",
                ""]))
        # -Q prints the offset and never sets the clock; -x forbids touching it anyway.
        self.argv = [self.program, "-Q", "-x", "-d"] + chrony_user_options() + ["-t", "10", "-f", conf]

    def source_lines(self, setup):
        return ["server %s port %d iburst minpoll -6 maxpoll -6" % (LOOPBACK, setup.port)]

    def log_rows(self, name):
        path = os.path.join(self.dir, name)
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return [line.split() for line in f if line.startswith(("19", "20"))]

    def query(self):
        for name in ("measurements.log", "statistics.log"):
            path = os.path.join(self.dir, name)
            if os.path.exists(path):
                os.remove(path)
        done, wall = run_process(self.argv)
        wrong_by = self.WRONG_BY.search(done.stdout + done.stderr)
        measurements = self.log_rows("measurements.log")
        statistics_rows = self.log_rows("statistics.log")
        if done.returncode != 0 or not wrong_by or not measurements:
            fail(self.name, done, "no offset reported")
        # The logs give the printed figure in more digits: the fit's estimate when there was a fit (its sign
        # the other way round: positive when the local clock is fast), else the one measurement itself
        # (NTP's sign, as printed: positive when the local clock is slow).
        printed = float(wrong_by.group(1))
        if statistics_rows:
            offset = -float(statistics_rows[-1][4])
        elif len(measurements) == 1:
            offset = float(measurements[0][11])
        else:
            offset = printed
        if abs(offset - printed) > 1e-6:
            fail(self.name, done, "logged estimate %r disagrees with printed offset %r" % (offset, printed))
        delays = [float(row[12]) for row in measurements]
        return offset, delays, len(measurements), wall


class ChronydOneShotNts(ChronydOneShot):
    """chronyd as an NTS client: its own key exchange each run (no ntsdumpdir, so no cookies kept)."""
    name = "chronyd -Q nts"
    folder = "chronyd-q-nts"

    def source_lines(self, setup):
        # The poll interval as for the plain row: with chronyd's default the first exchange waits about 2 s.
        return ["server localhost port %d nts ntsport %d iburst minpoll -6 maxpoll -6 maxsamples 1"
                % (setup.port, setup.nts_port),
                "ntstrustedcerts %s" % setup.nts_ca]


class PythonNtplib:
    name = "python3 ntplib"
    PROGRAM = ("import json, ntplib\n"
               "r = ntplib.NTPClient().request('%s', port=%d, version=3)\n"
               "print(json.dumps({'offset': r.offset, 'delay': r.delay}))\n")

    def __init__(self, setup):
        self.argv = [SYSTEM_PYTHON, "-c", self.PROGRAM % (LOOPBACK, setup.port)]

    def query(self):
        done, wall = run_process(self.argv)
        if done.returncode != 0:
            fail(self.name, done, "query failed")
        answer = json.loads(done.stdout)
        return answer["offset"], answer["delay"], 1, wall


CLIENTS = [BrisvanderCli, Ntpdig, ChronydOneShot, PythonNtplib]
NTS_CLIENTS = [BrisvanderCliNts, BrisvanderCliNtsStored, ChronydOneShotNts]


def chrony_user_options():
    """Run as ourselves; chronyd starts as another user than root only when told so (-U)."""
    import pwd
    options = ["-u", pwd.getpwuid(os.getuid()).pw_name]
    return options if os.getuid() == 0 else options + ["-U"]


# ---- measuring and the table -----------------------------------------------------

class Tally:
    def __init__(self, name):
        self.name = name
        self.offsets, self.delays, self.walls, self.exchanges = [], [], [], []

    def add(self, offset, delay, exchanges, wall):
        self.offsets.append(offset)
        self.delays.extend(delay if isinstance(delay, list) else [delay])
        self.exchanges.append(exchanges)
        self.walls.append(wall)

    def row(self):
        us = 1e6
        return [self.name, str(len(self.walls)), "%g" % statistics.median(self.exchanges),
                "%.1f" % (statistics.median(abs(o) for o in self.offsets) * us),
                "%.1f" % (statistics.median(self.offsets) * us),
                "%.1f" % (statistics.median(self.delays) * us),
                "%.1f" % (statistics.median(self.walls) * 1e3)]


HEADER = ["client", "queries", "exch/query", "median |offset| us", "median offset us", "median delay us",
          "median wall ms"]


def format_table(header, rows):
    """A Markdown table: the first column left-aligned, the others right-aligned."""
    widths = [max(len(row[i]) for row in [header] + rows) for i in range(len(header))]

    def line(cells):
        padded = [c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(cells, widths))]
        return "| " + " | ".join(padded) + " |"

    rule = "|" + "|".join("-" * (w + 1) + ("-" if i == 0 else ":") for i, w in enumerate(widths)) + "|"
    return "\n".join([line(header), rule] + [line(r) for r in rows])


def run_rounds(clients, tallies, queries):
    """One warm-up query per client, not counted (page cache, first contact with chronyd); then `queries`
    rounds of one query each, in an order that rotates so that no client always follows the same one."""
    for client in clients:
        client.query()
    for round_number in range(queries):
        shift = round_number % len(clients)
        for index in list(range(shift, len(clients))) + list(range(shift)):
            tallies[index].add(*clients[index].query())


def measure(setup):
    makers = CLIENTS + (NTS_CLIENTS if setup.nts_port else [])
    clients = [make(setup) for make in makers]
    tallies = [Tally(c.name) for c in clients]
    run_rounds(clients, tallies, setup.queries)
    return tallies


def nts_remarks(tallies):
    """The NTS query against the plain one of the same program: what authentication costs."""
    by_name = {t.name: t for t in tallies}
    plain = by_name.get(BrisvanderCli.name)
    us, ms = 1e6, 1e3
    remarks = []
    for nts in (by_name.get(BrisvanderCliNts.name), by_name.get(BrisvanderCliNtsStored.name)):
        if plain and nts:
            remarks.append("%s against %s: median offset %+.1f us, median wall %+.1f ms; slowest %s query %.1f ms"
                           % (nts.name, plain.name,
                              (statistics.median(nts.offsets) - statistics.median(plain.offsets)) * us,
                              (statistics.median(nts.walls) - statistics.median(plain.walls)) * ms, nts.name,
                              max(nts.walls) * ms))
    return remarks


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    free = sub.add_parser("free-port")
    free.add_argument("--tcp", action="store_true")
    ready = sub.add_parser("wait-ready")
    ready.add_argument("port", type=int)
    ready.add_argument("seconds", type=float)
    ready.add_argument("--nts-port", type=int)
    run = sub.add_parser("measure")
    run.add_argument("--port", type=int, required=True)
    run.add_argument("--cli", required=True)
    run.add_argument("--work", required=True)
    run.add_argument("--queries", type=int, default=30)
    run.add_argument("--chronyd", default="chronyd")
    run.add_argument("--nts-port", type=int, help="the server's NTS key exchange port; none: no NTS rows")
    run.add_argument("--nts-ca", help="the CA certificate that issued the server's certificate")
    args = parser.parse_args()
    # Leaving through SystemExit lets subprocess.run kill the query it is waiting for.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    if args.command == "free-port":
        print(free_port(socket.SOCK_STREAM if args.tcp else socket.SOCK_DGRAM))
        return 0
    if args.command == "wait-ready":
        return 0 if wait_ready(args.port, args.seconds, args.nts_port) else 1
    if bool(args.nts_port) != bool(args.nts_ca):
        parser.error("--nts-port and --nts-ca go together")
    ChronydOneShot.program = args.chronyd
    args.queries = max(args.queries, 1)
    try:
        tallies = measure(args)
        print("\n".join([format_table(HEADER, [t.row() for t in tallies]), ""] + nts_remarks(tallies)).rstrip())
    except (QueryFailed, subprocess.TimeoutExpired) as error:
        sys.stderr.write("bench: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
