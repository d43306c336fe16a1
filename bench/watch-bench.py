#!/usr/bin/env python3
"""The watch, interleaved mode, the history and the drift, measured.

Against a chronyd of its own on 127.0.0.1 (-x: it never touches the clock):
  1. brisvander-cli watch, 200 exchanges in interleaved mode; brisvander-cli info, 200 single exchanges in the
     basic mode; chronyd -Q (three exchanges and a fit per run): median |offset| and spread of the offsets.
  2. What recording costs a run: info with and without --no-history, fresh processes taking turns.
  3. history --drift over a history of a million measurements.
Against brisvander-drifting-server (a fake server whose clock runs 50 ppm fast):
  4. two minutes of watch at 1 s: the summary's drift_ppm, and history --drift over what the watch recorded.
Sends nothing off 127.0.0.1 and never sets the clock. Prints figures; asserts nothing.
"""

import argparse
import json
import os
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time
import types

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402  (free_port, wait_ready, chrony_user_options, ChronydOneShot)


def start_chronyd(chronyd, work):
    port = bench.free_port()
    conf = os.path.join(work, "server.conf")
    with open(conf, "w") as f:
        f.write("\n".join(["port %d" % port, "bindaddress 127.0.0.1", "allow 127.0.0.1", "local stratum 3",
                           "cmdport 0", "bindcmdaddress /", "pidfile %s" % os.path.join(work, "server.pid"),
                           "driftfile %s" % os.path.join(work, "server.drift"), ""]))
    log = open(os.path.join(work, "server.log"), "w")
    server = subprocess.Popen([chronyd, "-x", "-d"] + bench.chrony_user_options() + ["-f", conf],
                              stdout=log, stderr=subprocess.STDOUT)
    if not bench.wait_ready(port, 10):
        server.terminate()
        sys.exit("chronyd did not answer on 127.0.0.1:%d" % port)
    return server, port


def spread_row(name, offsets, extra=""):
    magnitudes = sorted(abs(o) for o in offsets)
    quartiles = statistics.quantiles(offsets, n=4)
    return "%-34s %5d %14.2f %12.2f %12.2f  %s" % (
        name, len(offsets), statistics.median(magnitudes) * 1e6, (quartiles[2] - quartiles[0]) * 1e6,
        statistics.pstdev(offsets) * 1e6, extra)


def json_lines(text):
    return [json.loads(line) for line in text.splitlines() if line.strip()]


def offsets_compared(cli, chronyd, port, env, work, count, oneshots):
    print("1. offsets against chronyd on 127.0.0.1 (us)")
    print("%-34s %5s %14s %12s %12s" % ("client", "n", "median |off|", "IQR", "std dev"))
    watch = subprocess.run([cli, "watch", "127.0.0.1", "--port", str(port), "--interval", "0.2", "--count",
                            str(count), "--json", "--no-history"], capture_output=True, text=True, env=env)
    lines = json_lines(watch.stdout)
    answers = [line for line in lines[:-1] if line["success"]]
    interleaved = [line["clock_offset"] for line in answers if line["interleaved"]]
    print(spread_row("watch, all answers", [line["clock_offset"] for line in answers]))
    print(spread_row("watch, interleaved answers only", interleaved,
                     "(%d of %d interleaved)" % (len(interleaved), len(answers))))
    basic = []
    for _ in range(count):
        done = subprocess.run([cli, "info", "127.0.0.1", "--port", str(port), "--json", "--no-history"],
                              capture_output=True, text=True, env=env)
        result = json.loads(done.stdout)
        if result["success"]:
            basic.append(result["clock_offset"])
    print(spread_row("info, basic mode (a process each)", basic))
    setup = types.SimpleNamespace(work=work, port=port)
    oneshot = bench.ChronydOneShot(setup)
    oneshot.argv[0] = chronyd
    figures = [oneshot.query()[0] for _ in range(oneshots)]
    print(spread_row("chronyd -Q (3 exchanges, a fit)", figures))


def median_wall(argv, env, runs):
    walls = []
    for _ in range(runs):
        started = time.perf_counter()
        subprocess.run(argv, capture_output=True, env=env, check=False)
        walls.append(time.perf_counter() - started)
    return walls


def recording_cost(cli, port, env, runs):
    query = [cli, "info", "127.0.0.1", "--port", str(port), "--json"]
    subprocess.run(query, capture_output=True, env=env)  # the file exists from here on
    recorded, plain = [], []
    for _ in range(runs):
        recorded += median_wall(query, env, 1)
        plain += median_wall(query + ["--no-history"], env, 1)
    print("2. a run's wall time, %d fresh processes each way (ms): recorded %.2f, --no-history %.2f, "
          "difference of the medians %.2f" % (runs, statistics.median(recorded) * 1e3,
                                              statistics.median(plain) * 1e3,
                                              (statistics.median(recorded) - statistics.median(plain)) * 1e3))


def fill_history(path, rows):
    """A million measurements of two servers, 16 s apart, the local clock 30 ppm fast, copied in SQL."""
    db = sqlite3.connect(path)
    columns = [row[1] for row in db.execute("PRAGMA table_info(measurements)")]
    template = dict(zip(columns, db.execute("SELECT * FROM measurements LIMIT 1").fetchone()))
    del template["id"]
    time_column, host_column, offset_column = "time_us", "host", "offset_s"
    db.execute("DELETE FROM measurements")
    start = template[time_column] - rows * 16_000_000
    names = list(template)

    def row(i):
        values = dict(template)
        values[time_column] = start + i * 16_000_000
        values[host_column] = "a.test" if i % 2 == 0 else "b.test"
        values[offset_column] = 0.01 - 30e-6 * i * 16
        return [values[name] for name in names]

    db.executemany("INSERT INTO measurements (%s) VALUES (%s)" % (",".join(names), ",".join("?" * len(names))),
                   (row(i) for i in range(rows)))
    db.commit()
    db.close()


def drift_over_many(cli, port, env, rows, runs):
    subprocess.run([cli, "info", "127.0.0.1", "--port", str(port)], capture_output=True, env=env)
    fill_history(os.path.join(env["XDG_STATE_HOME"], "brisvander", "history.sqlite"), rows)
    walls = median_wall([cli, "history", "--drift", "--json"], env, runs)
    done = subprocess.run([cli, "history", "--drift", "--json"], capture_output=True, text=True, env=env)
    combined = json.loads(done.stdout)["combined"]
    print("3. history --drift over %d measurements: median wall %.0f ms of %d runs (slowest %.0f ms); "
          "combined drift_ppm %.3f (made 30 ppm fast)" % (rows, statistics.median(walls) * 1e3, runs,
                                                          max(walls) * 1e3, combined["drift_ppm"]))


def drift_of_a_fast_server(cli, server_program, env, seconds):
    server = subprocess.Popen([server_program, "50"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    port = int(server.stdout.readline().split()[1])
    try:
        done = subprocess.run([cli, "watch", "127.0.0.1", "--port", str(port), "--interval", "1", "--count",
                               str(seconds), "--json"], capture_output=True, text=True, env=env)
    finally:
        server.stdin.close()
        server.wait()
    summary = json_lines(done.stdout)[-1]
    history = json.loads(subprocess.run([cli, "history", "--drift", "--json", "--server", "127.0.0.1"],
                                        capture_output=True, text=True, env=env).stdout)["combined"]

    def estimate(drift, ppm, uncertainty):
        return "none" if drift is None or drift[ppm] is None else "%.3f +- %.3f ppm" % (drift[ppm],
                                                                                     drift[uncertainty])
    print("4. watch at 1 s for %d exchanges against a server 50 ppm fast: summary drift %s; history --drift %s"
          % (summary["exchanges"], estimate(summary, "drift_ppm", "drift_ppm_uncertainty"),
             estimate(history, "drift_ppm", "drift_ppm_uncertainty")))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="build folder with bin/brisvander-cli and "
                        "bin/brisvander-drifting-server")
    parser.add_argument("--chronyd", default=os.environ.get("BRISVANDER_CHRONYD"))
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--oneshots", type=int, default=30)
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--drift-seconds", type=int, default=120)
    args = parser.parse_args()
    if not args.chronyd:
        sys.exit("chronyd: set BRISVANDER_CHRONYD or give --chronyd")
    cli = os.path.join(args.build, "bin", "brisvander-cli")
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"), LC_ALL="C")
        server, port = start_chronyd(args.chronyd, work)
        try:
            env["XDG_STATE_HOME"] = os.path.join(work, "state-offsets")
            offsets_compared(cli, args.chronyd, port, env, work, args.count, args.oneshots)
            env["XDG_STATE_HOME"] = os.path.join(work, "state-cost")
            recording_cost(cli, port, env, args.runs)
            env["XDG_STATE_HOME"] = os.path.join(work, "state-many")
            drift_over_many(cli, port, env, args.rows, 5)
        finally:
            server.terminate()
            server.wait()
        env["XDG_STATE_HOME"] = os.path.join(work, "state-drift")
        drift_of_a_fast_server(cli, os.path.join(args.build, "bin", "brisvander-drifting-server"), env,
                               args.drift_seconds)


if __name__ == "__main__":
    main()
