#!/usr/bin/env python3
"""Export benchmark: quorvane-export beside mdbtools' mdb-export on the same tables.

Writes bench databases with mkmdb (one per row count), exports the bench table with both
programs and prints wall time, peak memory (maximum resident set) and time per row.
Targets: at least 20 times faster than mdb-export, at most 64 MB peak, time growing
linearly with rows. Then the bench table into SQLite (--format sqlite) beside mdbtools'
mdb-schema | sqlite3 and mdb-export -I sqlite | sqlite3 pipeline (--sqlite-rows, 0 leaves it out).

    tools/bench/export_bench.py [--build build] [--rows 250000,500000,1000000]
                                [--work /tmp/quorvane-bench] [--repeat 3] [--keep]
"""

import argparse
import os
import shutil
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


def best_of(repeat, measure):
    """The fastest of `repeat` runs by wall and by CPU time, and the largest peak seen.
    CPU time is the steadier figure on a busy machine."""
    best_wall, best_cpu, peak = None, None, 0.0
    for _ in range(repeat):
        status, wall, cpu, rss = measure()
        if status != 0:
            return None, None, None
        best_wall = wall if best_wall is None else min(best_wall, wall)
        best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
        peak = max(peak, rss)
    return best_wall, best_cpu, peak


def sqlite_section(args, mkmdb, export, env, work):
    """The bench table into a new SQLite database: quorvane-export --format sqlite beside
    mdbtools' pipeline (mdb-schema into sqlite3, then mdb-export -I sqlite into sqlite3)
    and beside our own CSV export of the same table. The pipeline's INSERTs are wrapped in
    one transaction, the fastest way to run them: one transaction per row would take
    hours. Targets: 20 times faster than the pipeline, within 3 times of the CSV export,
    at most 64 MB peak."""
    rows = args.sqlite_rows
    db = os.path.join(work, f"bench{rows}.mdb")
    if not os.path.exists(db):
        subprocess.run([mkmdb, "bench", "--rows", str(rows), db], check=True)
    target = os.path.join(work, "quorvane.sqlite")
    piped = os.path.join(work, "mdbtools.sqlite")
    out = os.path.join(work, "csv")
    os.makedirs(out, exist_ok=True)

    q = best_of(args.repeat, lambda: run_measured([export, "-q", "--format", "sqlite", "-o", target, db, args.table],
                                                  env=env))
    c = best_of(args.repeat, lambda: run_measured([export, "-q", "-o", out, db, args.table], env=env))
    m = (None, None, None)
    if shutil.which("mdb-schema") and shutil.which("mdb-export") and shutil.which("sqlite3"):
        def run_pipeline():
            if os.path.exists(piped):
                os.remove(piped)
            script = (f'mdb-schema "$1" sqlite | sqlite3 "$2" && '
                      f'{{ echo "BEGIN;"; mdb-export -I sqlite "$1" "$3"; echo "COMMIT;"; }} | sqlite3 "$2"')
            return run_measured(["sh", "-c", script, "sh", db, piped, args.table], env=env)
        m = best_of(args.repeat, run_pipeline)
    else:
        print("mdb-schema, mdb-export or sqlite3 not found: the pipeline's column stays empty")

    def fmt(v, spec):
        return format(v, spec) if v is not None else "-"
    print()
    print(f"{rows} rows into SQLite     | {'wall s':>8} {'cpu s':>8} {'MB':>6}")
    for name, (wall, cpu, rss) in (("quorvane --format sqlite", q), ("quorvane CSV export", c),
                                   ("mdb-schema|mdb-export -I", m)):
        print(f"{name:<24} | {fmt(wall, '8.3f')} {fmt(cpu, '8.3f')} {fmt(rss, '6.1f')}")
    if q[0]:
        verdict = []
        if m[0]:
            verdict.append(f"{m[0] / q[0]:.1f}x faster than the pipeline (target >= 20x)")
        if c[0]:
            verdict.append(f"{q[0] / c[0]:.2f}x the CSV export's time (target <= 3x)")
        verdict.append(f"peak {q[2]:.1f} MB (target <= 64 MB)")
        print("SQLite: " + ", ".join(verdict))


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(root, "build"), help="the CMake build folder")
    parser.add_argument("--rows", default="250000,500000,1000000", help="row counts, comma-separated")
    parser.add_argument("--work", default=None, help="folder for the databases and the output")
    parser.add_argument("--repeat", type=int, default=3, help="runs per program and size (the best counts)")
    parser.add_argument("--table", default="Bench", help="the bench table's name")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--sqlite-rows", type=int, default=1000000,
                        help="rows of the SQLite comparison (0 leaves it out)")
    args = parser.parse_args()

    mkmdb = os.path.join(args.build, "tools", "mdbwriter", "mkmdb")
    export = os.path.join(args.build, "bin", "quorvane-export")
    mdb_export = shutil.which("mdb-export")
    for tool in (mkmdb, export):
        if not os.access(tool, os.X_OK):
            sys.exit(f"missing {tool}: build the project first")
    if mdb_export is None:
        print("mdb-export not found (apt-get install mdbtools): its column stays empty")

    work = args.work or tempfile.mkdtemp(prefix="quorvane-bench-")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, LC_ALL="C")
    rows_list = [int(r) for r in args.rows.split(",") if r]

    print(f"{'rows':>10} | {'quorvane s':>10} {'cpu s':>7} {'MB':>6} {'cpu ns/row':>10} | "
          f"{'mdb-export s':>12} {'cpu s':>7} {'MB':>6} {'cpu ns/row':>10} | {'speed-up':>8} {'cpu':>7} | {'out MB':>7}")
    results = []
    try:
        for rows in rows_list:
            db = os.path.join(work, f"bench{rows}.mdb")
            if not os.path.exists(db):
                subprocess.run([mkmdb, "bench", "--rows", str(rows), db], check=True)
            out = os.path.join(work, f"out{rows}")
            os.makedirs(out, exist_ok=True)

            q_wall, q_cpu, q_rss = best_of(args.repeat, lambda: run_measured(
                [export, "-q", "-o", out, db, args.table], env=env))
            out_file = os.path.join(out, args.table + ".txt")
            out_mb = os.path.getsize(out_file) / 1e6 if os.path.exists(out_file) else 0.0

            m_wall = m_cpu = m_rss = None
            if mdb_export:
                mdb_out = os.path.join(work, f"mdb{rows}.csv")

                def run_mdb():
                    with open(mdb_out, "wb") as sink:
                        return run_measured([mdb_export, db, args.table], stdout=sink, env=env)
                m_wall, m_cpu, m_rss = best_of(args.repeat, run_mdb)

            def fmt(v, spec):
                return format(v, spec) if v is not None else "-"

            def ratio(a, b):
                return a / b if (a and b) else None
            print(f"{rows:>10} | {fmt(q_wall, '10.3f')} {fmt(q_cpu, '7.3f')} {fmt(q_rss, '6.1f')} "
                  f"{fmt(q_cpu and q_cpu / rows * 1e9, '10.0f')} | {fmt(m_wall, '12.3f')} {fmt(m_cpu, '7.3f')} "
                  f"{fmt(m_rss, '6.1f')} {fmt(m_cpu and m_cpu / rows * 1e9, '10.0f')} | "
                  f"{fmt(ratio(m_wall, q_wall), '7.1f')}x {fmt(ratio(m_cpu, q_cpu), '6.1f')}x | {out_mb:7.1f}", flush=True)
            results.append((rows, q_wall, q_cpu, q_rss, m_wall, m_cpu))
        if args.sqlite_rows > 0:
            sqlite_section(args, mkmdb, export, env, work)
    finally:
        if not args.keep and args.work is None:
            shutil.rmtree(work, ignore_errors=True)

    done = [r for r in results if r[1]]
    if len(done) >= 2:
        first, last = done[0], done[-1]
        growth = (last[2] / first[2]) / (last[0] / first[0])
        print(f"CPU time per row at {last[0]} rows / at {first[0]} rows: {growth:.2f} (1.00 is linear)")
    if done:
        rows, q_wall, q_cpu, q_rss, m_wall, m_cpu = done[-1]
        verdict = []
        if m_wall:
            verdict.append(f"speed-up {m_wall / q_wall:.1f}x wall, {m_cpu / q_cpu:.1f}x CPU (target >= 20x)")
        verdict.append(f"peak {q_rss:.1f} MB (target <= 64 MB)")
        print("at %d rows: %s" % (rows, ", ".join(verdict)))


if __name__ == "__main__":
    main()
