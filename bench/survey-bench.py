#!/usr/bin/python3
"""The survey benchmark: many loopback servers in one process, surveyed at
once through the survey engine (brisvander-survey-bench), against ntpdig run
on the same hosts one after another and given the whole list at once.

Every server is on its own address in 127.0.0.0/8 on one port; nothing
leaves loopback and nothing sets the clock. Prints a Markdown table.

usage: survey-bench.py BUILD-DIR [--servers N] [--sizes N,N,...] [--runs R] [--no-ntpdig]
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
NTPDIG_ON_PORT = os.path.join(BENCH_DIR, "ntpdig-on-port.py")
PYTHON = "/usr/bin/python3"


class Farm:
    """brisvander-survey-bench-server COUNT, stopped when its standard input closes."""

    def __init__(self, build, count):
        self.process = subprocess.Popen([os.path.join(build, "bin", "brisvander-survey-bench-server"), str(count)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        first = self.process.stdout.readline().split()
        if len(first) != 2 or first[0] != "port":
            raise SystemExit("the server did not start")
        self.port = int(first[1])
        self.servers = []  # (address, hold ms, offset s)
        for _ in range(count):
            address, hold, offset = self.process.stdout.readline().split()
            self.servers.append((address, int(hold), float(offset)))

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.process.stdin.close()
        self.process.wait(timeout=10)


def run_timed(command):
    """Wall seconds, peak resident kB (from /usr/bin/time -v), stdout, stderr, exit status."""
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, text=True)
    wall = time.perf_counter() - start
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", done.stderr)
    return wall, int(peak.group(1)) if peak else 0, done.stdout, done.stderr, done.returncode


def survey(build, farm, list_file, runs):
    """Median figures of `runs` surveys (after one not counted), and the last survey's JSON."""
    command = [os.path.join(build, "bin", "brisvander-survey-bench"), str(farm.port), list_file]
    run_timed(command)
    walls, engine, peaks, report = [], [], [], None
    for _ in range(runs):
        wall, peak, out, err, _ = run_timed(command)
        walls.append(wall)
        peaks.append(peak)
        engine.append(float(re.search(r"survey-seconds ([0-9.]+)", err).group(1)))
        report = json.loads(out)
    return statistics.median(walls), statistics.median(engine), max(peaks), report


def check_verdict(farm, report):
    wrong = {address for address, _, offset in farm.servers if offset != 0.0}
    disagreeing = {s["host"] for s in report["servers"] if s["verdict"] == "disagrees"}
    return disagreeing == wrong and report["answered"] == len(farm.servers), len(disagreeing)


def ntpdig_each(farm):
    start = time.perf_counter()
    answered = 0
    for address, _, _ in farm.servers:
        done = subprocess.run([PYTHON, NTPDIG_ON_PORT, str(farm.port), "--loopback-hosts", "-j", "-t", "5", address],
                              capture_output=True, text=True)
        answered += 1 if done.returncode == 0 and '"offset"' in done.stdout else 0
    return time.perf_counter() - start, answered


def ntpdig_all(farm):
    hosts = [address for address, _, _ in farm.servers]
    start = time.perf_counter()
    done = subprocess.run([PYTHON, NTPDIG_ON_PORT, str(farm.port), "--loopback-hosts", "-j", "-t", "5"] + hosts,
                          capture_output=True, text=True)
    return time.perf_counter() - start, sum(1 for line in done.stdout.splitlines() if '"offset"' in line)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--servers", type=int, default=150)
    parser.add_argument("--sizes", default="150,500,1000", help="server counts for the growth rows")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--no-ntpdig", action="store_true")
    options = parser.parse_args()

    rows = []
    with tempfile.TemporaryDirectory() as folder:
        for count in sorted({options.servers} | {int(n) for n in options.sizes.split(",")}):
            with Farm(options.build, count) as farm:
                list_file = os.path.join(folder, "hosts-%d.txt" % count)
                with open(list_file, "w") as out:
                    out.write("".join(address + "\n" for address, _, _ in farm.servers))
                wall, engine, peak, report = survey(options.build, farm, list_file, options.runs)
                right, disagreeing = check_verdict(farm, report)
                slowest = max(hold for _, hold, _ in farm.servers) / 1000.0
                rows.append(("survey engine", count, report["answered"], disagreeing, right, engine, wall,
                             wall - slowest, peak))
                if count == options.servers and not options.no_ntpdig:
                    seconds, answered = ntpdig_each(farm)
                    rows.append(("ntpdig, one host at a time", count, answered, None, None, None, seconds,
                                 seconds - slowest, None))
                    seconds, answered = ntpdig_all(farm)
                    rows.append(("ntpdig, whole list at once", count, answered, None, None, None, seconds,
                                 seconds - slowest, None))

    cell = lambda value, form: "-" if value is None else form % value
    print("| client | servers | answered | disagreeing | the five wrong, only they | engine s | wall s "
          "| wall - slowest hold s | peak RSS MB |")
    print("|---|---:|---:|---:|---|---:|---:|---:|---:|")
    for name, count, answered, disagreeing, right, engine, wall, over, peak in rows:
        print("| %s | %d | %d | %s | %s | %s | %.3f | %.3f | %s |" % (
            name, count, answered, cell(disagreeing, "%d"), "-" if right is None else ("yes" if right else "NO"),
            cell(engine, "%.3f"), wall, over, cell(peak and peak / 1024.0, "%.1f")))
    engine_rows = {r[1]: r for r in rows if r[0] == "survey engine"}
    sequential = [r for r in rows if r[0].startswith("ntpdig, one")]
    if sequential and options.servers in engine_rows:
        print("\nspeed-up over ntpdig one host at a time (%d servers): %.0fx" % (
            options.servers, sequential[0][6] / engine_rows[options.servers][6]))


if __name__ == "__main__":
    main()
