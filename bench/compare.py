"""Runs the benchmark scenarios and prints one table per scenario.

    python3 compare.py --build BUILD_DIR --store STORE [--large-store STORE] [--runs N]
                       [--scenarios a,b,c,c',d,e,log]

Every contender of a scenario runs in its own process, the contenders taking turns run after run,
so that a slow phase of the machine falls on all of them. A table shows per contender the median
rows per second, its time against the floor's and the peer's (below 1 is faster), and its peak
memory (the largest resident set of its runs, from wait4). The floor is SQLite reading the store
itself (vdl_floor_bench); the peer is Debian's SQLite ODBC driver reading the same file through the
same Driver Manager calls (vdl_odbc_bench); ours is this driver.

Beside the programs' own timing (from the first statement call to the last row), every table shows
each contender as a whole process, from its start to its exit (loading, connecting, executing,
fetching, exiting): the median wall time, the median CPU time (user and system), and their ratios
to the floor's.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field

PEER_LIBRARY = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"
COLUMNS = "SELECT * FROM trades"
POINT_QUERIES = 20000


@dataclass
class contender:
    name: str
    argv: list
    role: str = "other"  # floor, peer, ours or other
    rows: int = 0
    seconds: list = field(default_factory=list)
    wall: list = field(default_factory=list)  # whole process, seconds
    cpu: list = field(default_factory=list)  # whole process, user and system seconds
    peak_kib: int = 0


@dataclass
class scenario:
    key: str
    title: str
    contenders: list
    rows_label: str = "rows"


def spawn(argv, env):
    """Starts argv and waits for it with wait4, returning (stdout, stderr, status, rusage)."""
    read_out, write_out = os.pipe()
    read_err, write_err = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.dup2(write_out, 1)
        os.dup2(write_err, 2)
        for fd in (read_out, write_out, read_err, write_err):
            os.close(fd)
        try:
            os.execve(argv[0], argv, env)
        finally:
            os._exit(127)
    os.close(write_out)
    os.close(write_err)
    out = read_all(read_out)
    err = read_all(read_err)
    _, status, usage = os.wait4(pid, 0)
    return out, err, os.waitstatus_to_exitcode(status), usage


def read_all(fd):
    chunks = []
    while True:
        chunk = os.read(fd, 65536)
        if not chunk:
            break
        chunks.append(chunk)
    os.close(fd)
    return b"".join(chunks)


def measure(c, env, cleanup):
    started = time.perf_counter()
    out, err, code, usage = spawn(c.argv, env)
    c.wall.append(time.perf_counter() - started)
    c.cpu.append(usage.ru_utime + usage.ru_stime)
    if code != 0:
        sys.stderr.write(f"{c.name} failed ({code}):\n{err.decode(errors='replace')}{out.decode(errors='replace')}\n")
        sys.exit(1)
    fields = dict(part.split("=", 1) for part in out.decode().split())
    c.rows = int(fields["rows"])
    c.seconds.append(float(fields["seconds"]))
    c.peak_kib = max(c.peak_kib, usage.ru_maxrss)
    if cleanup:
        cleanup()


def median(c):
    return statistics.median(c.seconds)


def ratio(values, floor_values):
    return f"{statistics.median(values) / statistics.median(floor_values):.2f}"


def print_table(s):
    floor = next((c for c in s.contenders if c.role == "floor"), None)
    peer = next((c for c in s.contenders if c.role == "peer"), None)
    print(f"\n{s.key}: {s.title}")
    rate_label = "rows/s" if s.rows_label == "rows" else "per s"
    header = (f"| {'contender':<34} | {s.rows_label:>9} | {rate_label:>11} | {'time/floor':>10} | {'time/peer':>9} "
              f"| {'peak MiB':>8} | {'process s':>9} | {'CPU s':>6} | {'wall/floor':>10} | {'CPU/floor':>9} |")
    print(header)
    print("|" + "|".join("-" * len(part) for part in header.split("|")[1:-1]) + "|")
    for c in s.contenders:
        m = median(c)
        rate = c.rows / m if m > 0 else float("inf")
        vs_floor = f"{m / median(floor):.2f}" if floor and c is not floor else ""
        vs_peer = f"{m / median(peer):.2f}" if peer and c is not peer else ""
        wall_vs_floor = ratio(c.wall, floor.wall) if floor and c is not floor else ""
        cpu_vs_floor = ratio(c.cpu, floor.cpu) if floor and c is not floor else ""
        print(f"| {c.name:<34} | {c.rows:>9} | {rate:>11,.0f} | {vs_floor:>10} | {vs_peer:>9} | {c.peak_kib / 1024:>8.0f} "
              f"| {statistics.median(c.wall):>9.3f} | {statistics.median(c.cpu):>6.3f} | {wall_vs_floor:>10} "
              f"| {cpu_vs_floor:>9} |")
    print(f"(median of {len(s.contenders[0].seconds)} runs each; rows/s and time/floor, time/peer from the programs' "
          "own timing; process s, CPU s and their ratios to the floor for the whole process; peak memory is the "
          "largest resident set)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--store", required=True, help="store of 1,000,000 sample rows")
    parser.add_argument("--large-store", help="store of 3,000,000 sample rows, for scenario e")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--scenarios", default="a,b,c,c',d,e,log")
    parser.add_argument("--work", required=True, help="a directory for log files")
    parser.add_argument("--baseline", help="another build of the driver, run as one more contender")
    args = parser.parse_args()

    bench = os.path.join(args.build, "bin", "vdl_odbc_bench")
    floor = os.path.join(args.build, "bin", "vdl_floor_bench")
    ours_library = os.path.abspath(os.path.join(args.build, "lib", "libvdl_odbc_driver.so"))
    python = "/usr/bin/python3"
    fetchall = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pyodbc_fetchall.py")
    log_dir = os.path.join(args.work, "log")
    wanted = set(args.scenarios.split(","))

    def ours(store, log_level=2, parallelism=1):
        return (f"DRIVER={ours_library};URI=file:{os.path.abspath(store)};LOGDIR={log_dir};"
                f"LOG_LEVEL={log_level};MAXPARALLELISM={parallelism}")

    def peer(store):
        return f"DRIVER={PEER_LIBRARY};Database={os.path.abspath(store)}"

    baseline_library = (os.path.abspath(os.path.join(args.baseline, "lib", "libvdl_odbc_driver.so"))
                        if args.baseline else None)

    def baseline(store, log_level=2):
        return ours(store, log_level).replace(ours_library, baseline_library)

    def odbc_trio(store, mode, query, count=None, floor_mode=None):
        extra = [str(count)] if count else []
        trio = [
            contender("floor (SQLite alone)", [floor, store, floor_mode or mode, query] + extra, "floor"),
            contender("peer (sqliteodbc)", [bench, peer(store), mode, query] + extra, "peer"),
            contender("ours", [bench, ours(store), mode, query] + extra, "ours"),
        ]
        if baseline_library:
            trio.append(contender("ours, baseline build", [bench, baseline(store), mode, query] + extra))
        return trio

    point = COLUMNS + ' WHERE "$timestamp" = {}'
    marker = COLUMNS + ' WHERE "$timestamp" = ?'
    plan = []
    if "a" in wanted:
        contenders = odbc_trio(args.store, "bind", COLUMNS, floor_mode="scan")
        contenders.append(contender("ours, maxparallelism 2", [bench, ours(args.store, parallelism=2), "bind", COLUMNS]))
        plan.append(scenario("a", "SQLBindCol, rowsets of 1000, 1,000,000 rows", contenders))
    if "b" in wanted:
        plan.append(scenario("b", "SQLFetch + SQLGetData per cell, 1,000,000 rows",
                             odbc_trio(args.store, "getdata", COLUMNS, floor_mode="scan")))
    if "c" in wanted:
        plan.append(scenario("c", f"{POINT_QUERIES:,} point queries, the timestamp as literal text",
                             odbc_trio(args.store, "point", point, POINT_QUERIES), "queries"))
    if "c'" in wanted:
        plan.append(scenario("c'", f"the point query prepared once, {POINT_QUERIES:,} executions with a bound parameter",
                             odbc_trio(args.store, "prepared", marker, POINT_QUERIES), "queries"))
    if "d" in wanted:
        for reads, what in (("wide", "pyodbc's default wide-character reads"), ("narrow", "8-bit setdecoding")):
            contenders = [
                contender("peer (sqliteodbc)", [python, fetchall, peer(args.store), COLUMNS, reads], "peer"),
                contender("ours", [python, fetchall, ours(args.store), COLUMNS, reads], "ours"),
            ]
            if baseline_library:
                contenders.append(contender("ours, baseline build",
                                            [python, fetchall, baseline(args.store), COLUMNS, reads]))
            plan.append(scenario(f"d ({reads})", f"pyodbc fetchall(), 1,000,000 rows, {what}", contenders))
    if "e" in wanted:
        sizes = [(100_000, args.store), (1_000_000, args.store)]
        if args.large_store:
            sizes.append((3_000_000, args.large_store))
        for rows, store in sizes:
            plan.append(scenario(f"e ({rows:,})", f"as a, {rows:,} rows",
                                 odbc_trio(store, "bind", f"{COLUMNS} LIMIT {rows}", floor_mode="scan")))
    if "log" in wanted:
        plan.append(scenario("a (log 3)", "as a, with log_level 3 (every call logged)", [
            contender("floor (SQLite alone)", [floor, args.store, "scan", COLUMNS], "floor"),
            contender("peer (sqliteodbc)", [bench, peer(args.store), "bind", COLUMNS], "peer"),
            contender("ours, log_level 3", [bench, ours(args.store, 3), "bind", COLUMNS], "ours"),
        ] + ([contender("ours, baseline build, log_level 3", [bench, baseline(args.store, 3), "bind", COLUMNS])]
             if baseline_library else [])))
        limited = f"{COLUMNS} LIMIT 100000"
        plan.append(scenario("b (log 3)", "as b, 100,000 rows, with log_level 3 (every call logged)", [
            contender("peer (sqliteodbc)", [bench, peer(args.store), "getdata", limited], "peer"),
            contender("ours, log_level 2", [bench, ours(args.store), "getdata", limited], "other"),
            contender("ours, log_level 3", [bench, ours(args.store, 3), "getdata", limited], "ours"),
        ] + ([contender("ours, baseline build, log_level 3", [bench, baseline(args.store, 3), "getdata", limited])]
             if baseline_library else [])))

    env = dict(os.environ)

    def clear_logs():
        shutil.rmtree(log_dir, ignore_errors=True)

    for s in plan:
        for _ in range(args.runs):
            for c in s.contenders:
                measure(c, env, clear_logs)
        print_table(s)
        sys.stdout.flush()


if __name__ == "__main__":
    main()
