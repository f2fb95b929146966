#!/usr/bin/env python3
"""Export benchmark: quorvane-export beside mdbtools' mdb-export on the same tables.

Writes bench databases with mkmdb in two shapes and exports the bench table with both
programs, alternating them run by run so that both see the same load:

  mixed  1,000,000 rows, 11 columns of mixed kinds with memos (mkmdb bench)
  wide     200,000 rows, 40 numeric-heavy columns, no memos  (mkmdb bench --wide)

and the mixed shape at 250,000 rows as well, to show whether time grows linearly with
rows. For each it prints the medians of wall time, CPU time (user + system) and peak
memory (maximum resident set, from GNU time), and mdb-export's figures divided by ours.
Targets: at least 30 times faster than mdb-export in wall time on both shapes, at most
64 MB peak, time growing linearly with rows.

Then the mixed table into SQLite (--format sqlite) beside mdbtools' pipeline, mdb-schema |
sqlite3 and mdb-export -I sqlite | sqlite3, and beside our own CSV export of the same table
(--sqlite-rows, 0 leaves it out). Targets: 20 times faster than the pipeline, within 3 times
of the CSV export, at most 64 MB peak.

    tools/bench/export_bench.py [--build build] [--export PATH] [--repeat 5] [--work DIR] [--keep]
                                [--mixed-rows 1000000] [--wide-rows 200000]
                                [--linear-rows 250000] [--sqlite-rows 1000000] [--no-mdb-export]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run_measured(argv, stdout=subprocess.DEVNULL, env=None):
    """Runs argv; returns (exit status, wall seconds, CPU seconds, peak resident MB).

    The figures come from GNU time when it is there: the resource usage Python sees
    for a child includes the copy of Python itself the child starts as."""
    gnu_time = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None
    with tempfile.NamedTemporaryFile("r", suffix=".time") as figures:
        command = ([gnu_time, "-f", "%U %S %M", "-o", figures.name] if gnu_time else []) + argv
        start = time.perf_counter()
        proc = subprocess.Popen(command, stdout=stdout, stderr=subprocess.PIPE, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        err = proc.stderr.read().decode(errors="replace")
        proc.stderr.close()
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.returncode != 0:
            sys.stderr.write(f"{argv[0]} failed ({proc.returncode}): {err}\n")
        cpu, peak_mb = usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0
        if gnu_time:
            fields = figures.read().split()
            if len(fields) >= 3:
                cpu, peak_mb = float(fields[-3]) + float(fields[-2]), int(fields[-1]) / 1024.0
    return proc.returncode, wall, cpu, peak_mb


def remove_if_there(path):
    if os.path.exists(path):
        os.remove(path)


class Figures:
    """Wall, CPU and peak memory of several runs of one program; medians reported."""

    def __init__(self):
        self.walls, self.cpus, self.peaks = [], [], []
        self.failed = False

    def add(self, measured):
        status, wall, cpu, peak = measured
        if status != 0:
            self.failed = True
            return
        self.walls.append(wall)
        self.cpus.append(cpu)
        self.peaks.append(peak)

    def ok(self):
        return not self.failed and bool(self.walls)

    def wall(self):
        return statistics.median(self.walls) if self.ok() else None

    def cpu(self):
        return statistics.median(self.cpus) if self.ok() else None

    def peak(self):
        return statistics.median(self.peaks) if self.ok() else None


def make_database(mkmdb, work, shape, rows):
    db = os.path.join(work, f"bench-{shape}-{rows}.mdb")
    if not os.path.exists(db):
        extra = ["--wide"] if shape == "wide" else []
        subprocess.run([mkmdb, "bench", *extra, "--rows", str(rows), db], check=True)
    return db


def measure_pair(tools, work, db, label, repeat, env, table):
    """Runs quorvane-export and mdb-export `repeat` times each, alternately."""
    out = os.path.join(work, f"out-{label}")
    os.makedirs(out, exist_ok=True)
    ours, theirs = Figures(), Figures()
    mdb_out = os.path.join(work, f"mdb-{label}.csv")
    out_file = os.path.join(out, table + ".txt")
    for _ in range(repeat):
        # Each program starts from an empty place: mdb-export's file is truncated before
        # its clock starts, so the last run's output is removed before ours does.
        remove_if_there(out_file)
        ours.add(run_measured([tools["export"], "-q", "-o", out, db, table], env=env))
        if tools["mdb-export"]:
            with open(mdb_out, "wb") as sink:
                theirs.add(run_measured([tools["mdb-export"], db, table], stdout=sink, env=env))
    out_mb = os.path.getsize(out_file) / 1e6 if os.path.exists(out_file) else 0.0
    return ours, (theirs if theirs.ok() else None), out_mb


def fmt(value, spec):
    return format(value, spec) if value is not None else "-"


def ratio(a, b):
    return a / b if (a and b) else None


def print_shapes_table(rows):
    print(f"{'shape':>14} | {'quorvane s':>10} {'cpu s':>7} {'MB':>6} | {'mdb-export s':>12} {'cpu s':>7} "
          f"{'MB':>6} | {'wall x':>7} {'cpu x':>7} {'MB x':>6} | {'out MB':>7}")
    for label, ours, theirs, out_mb in rows:
        t = theirs or Figures()
        print(f"{label:>14} | {fmt(ours.wall(), '10.3f')} {fmt(ours.cpu(), '7.3f')} {fmt(ours.peak(), '6.1f')} | "
              f"{fmt(t.wall(), '12.3f')} {fmt(t.cpu(), '7.3f')} {fmt(t.peak(), '6.1f')} | "
              f"{fmt(ratio(t.wall(), ours.wall()), '6.1f')}x {fmt(ratio(t.cpu(), ours.cpu()), '6.1f')}x "
              f"{fmt(ratio(t.peak(), ours.peak()), '5.2f')}x | {out_mb:7.1f}", flush=True)


def export_benchmark(args, tools, work):
    """Both shapes beside mdb-export, then the mixed shape at a quarter of the rows."""
    env = dict(os.environ, LC_ALL="C")
    shapes = [("mixed", args.mixed_rows), ("wide", args.wide_rows)]
    rows = []
    for shape, count in shapes:
        db = make_database(tools["mkmdb"], work, shape, count)
        ours, theirs, out_mb = measure_pair(tools, work, db, f"{shape}-{count}", args.repeat, env, args.table)
        rows.append((f"{shape} {count // 1000}k", ours, theirs, out_mb))
    linear = None
    if args.linear_rows:
        db = make_database(tools["mkmdb"], work, "mixed", args.linear_rows)
        ours, theirs, out_mb = measure_pair(tools, work, db, f"mixed-{args.linear_rows}", args.repeat, env, args.table)
        rows.append((f"mixed {args.linear_rows // 1000}k", ours, theirs, out_mb))
        linear = (args.linear_rows, ours)

    print(f"medians of {args.repeat} runs each, programs alternating; x = mdb-export's figure / ours")
    print_shapes_table(rows)

    verdict = []
    for label, ours, theirs, _ in rows[:len(shapes)]:
        if not ours.ok():
            verdict.append(f"{label}: quorvane-export failed")
            continue
        parts = []
        if theirs:
            parts.append(f"{theirs.wall() / ours.wall():.1f}x wall (target >= 30x)")
        parts.append(f"peak {ours.peak():.1f} MB (target <= 64 MB)")
        verdict.append(f"{label}: " + ", ".join(parts))
    mixed = rows[0][1]
    if linear and linear[1].ok() and mixed.ok():
        growth = (mixed.cpu() / args.mixed_rows) / (linear[1].cpu() / linear[0])
        wall_growth = (mixed.wall() / args.mixed_rows) / (linear[1].wall() / linear[0])
        verdict.append(f"time per row at {args.mixed_rows} / at {linear[0]} rows: {growth:.2f} CPU, "
                       f"{wall_growth:.2f} wall (1.00 is linear)")
    for line in verdict:
        print(line)


def sqlite_section(args, tools, work):
    """The mixed bench table into a new SQLite database: --format sqlite beside the mdbtools
    pipeline and our CSV export. The pipeline's INSERTs are wrapped in one transaction, the
    fastest way to run them: one transaction per row would take hours."""
    env = dict(os.environ, LC_ALL="C")
    rows = args.sqlite_rows
    db = make_database(tools["mkmdb"], work, "mixed", rows)
    target = os.path.join(work, "quorvane.sqlite")
    piped = os.path.join(work, "mdbtools.sqlite")
    out = os.path.join(work, "csv")
    os.makedirs(out, exist_ok=True)
    ours, csv, pipeline = Figures(), Figures(), Figures()
    have_pipeline = all(shutil.which(p) for p in ("mdb-schema", "mdb-export", "sqlite3"))
    if not have_pipeline:
        print("mdb-schema, mdb-export or sqlite3 not found: the pipeline's row stays empty")
    script = ('mdb-schema "$1" sqlite | sqlite3 "$2" && '
              '{ echo "BEGIN;"; mdb-export -I sqlite "$1" "$3"; echo "COMMIT;"; } | sqlite3 "$2"')
    for _ in range(args.repeat):
        remove_if_there(target)
        ours.add(run_measured([tools["export"], "-q", "--format", "sqlite", "-o", target, db, args.table], env=env))
        remove_if_there(os.path.join(out, args.table + ".txt"))
        csv.add(run_measured([tools["export"], "-q", "-o", out, db, args.table], env=env))
        if have_pipeline:
            remove_if_there(piped)
            pipeline.add(run_measured(["sh", "-c", script, "sh", db, piped, args.table], env=env))

    print()
    print(f"{rows} rows into SQLite, medians of {args.repeat} | {'wall s':>8} {'cpu s':>8} {'MB':>6}")
    for name, f in (("quorvane --format sqlite", ours), ("quorvane CSV export", csv),
                    ("mdb-schema|mdb-export -I", pipeline)):
        print(f"{name:<38} | {fmt(f.wall(), '8.3f')} {fmt(f.cpu(), '8.3f')} {fmt(f.peak(), '6.1f')}")
    if ours.ok():
        verdict = []
        if pipeline.ok():
            verdict.append(f"{pipeline.wall() / ours.wall():.1f}x faster than the pipeline in wall time, "
                           f"{pipeline.cpu() / ours.cpu():.1f}x in CPU (target >= 20x)")
        if csv.ok():
            verdict.append(f"{ours.wall() / csv.wall():.2f}x the CSV export's time (target <= 3x)")
        verdict.append(f"peak {ours.peak():.1f} MB (target <= 64 MB)")
        print("SQLite: " + ", ".join(verdict))


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(root, "build"), help="the CMake build folder")
    parser.add_argument("--mixed-rows", type=int, default=1_000_000, help="rows of the mixed shape")
    parser.add_argument("--wide-rows", type=int, default=200_000, help="rows of the wide shape")
    parser.add_argument("--linear-rows", type=int, default=250_000,
                        help="rows of the smaller mixed table for the linearity figure (0: none)")
    parser.add_argument("--work", default=None, help="folder for the databases and the output")
    parser.add_argument("--repeat", type=int, default=5, help="runs per program and table (medians count)")
    parser.add_argument("--table", default="Bench", help="the bench table's name")
    parser.add_argument("--export", default=None, help="the quorvane-export to time (default: the build's)")
    parser.add_argument("--no-mdb-export", action="store_true", help="time quorvane-export alone")
    parser.add_argument("--sqlite-rows", type=int, default=1_000_000,
                        help="rows of the table put into SQLite (0: leave the SQLite section out)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()

    tools = {
        "mkmdb": os.path.join(args.build, "tools", "mdbwriter", "mkmdb"),
        "export": args.export or os.path.join(args.build, "bin", "quorvane-export"),
        "mdb-export": None if args.no_mdb_export else shutil.which("mdb-export"),
    }
    for name in ("mkmdb", "export"):
        if not os.access(tools[name], os.X_OK):
            sys.exit(f"missing {tools[name]}: build the project first")
    if tools["mdb-export"] is None and not args.no_mdb_export:
        print("mdb-export not found (apt-get install mdbtools): its columns stay empty")

    work = args.work or tempfile.mkdtemp(prefix="quorvane-bench-")
    os.makedirs(work, exist_ok=True)
    try:
        export_benchmark(args, tools, work)
        if args.sqlite_rows > 0:
            sqlite_section(args, tools, work)
    finally:
        if not args.keep and args.work is None:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
