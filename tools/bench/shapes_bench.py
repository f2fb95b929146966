#!/usr/bin/env python3
"""Export benchmark on table shapes beyond the two of export_bench.py.

Writes one database per shape with mkmdb (encrypted ACE copies with encryptcopy), adds
any database given with --file, and exports each table with quorvane-export and mdbtools'
mdb-export, alternating them run by run. Prints rows, columns and file size, our medians
of wall time, CPU time (user + system) and peak memory (GNU time), mdb-export's wall time
and the ratio of the two wall times. mdb-export opens no encrypted ACE file: "-" there.

With --reference PATH (another build's quorvane-export, e.g. the one before a change)
each table is also exported by that program and the two outputs compared byte for byte.

    tools/bench/shapes_bench.py [--build build] [--export PATH] [--repeat 5] [--work DIR] [--scale 1.0]
                                [--only NAME,...] [--reference PATH] [--no-mdb-export]
                                [--file PATH:TABLE[:PASSWORD] ...]
"""

import argparse
import filecmp
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from export_bench import Figures, fmt, ratio, remove_if_there, run_measured  # noqa: E402

PASSWORD = "password"

# name, mkmdb bench arguments, rows, file suffix, encryption (encryptcopy mode) or None
SHAPES = [
    ("jet3-mixed", ["--version", "3"], 200_000, "mdb", None),
    ("ace-mixed", ["--version", "ace"], 200_000, "accdb", None),
    ("ace-agile", ["--version", "ace"], 200_000, "accdb", "agile"),
    ("ace-rc4", ["--version", "ace"], 200_000, "accdb", "rc4"),
    ("jet4-encoded", ["--encode", "1234567"], 200_000, "mdb", None),
    ("jet3-encoded", ["--version", "3", "--encode", "987654"], 200_000, "mdb", None),
    ("memo", ["--shape", "memo"], 5_000, "mdb", None),
    ("unicode", ["--shape", "unicode"], 200_000, "mdb", None),
    ("jet3-cp1251", ["--version", "3", "--code-page", "1251", "--shape", "unicode"], 200_000, "mdb", None),
    ("sparse", ["--shape", "sparse"], 200_000, "mdb", None),
    ("moved", ["--moved-every", "3"], 200_000, "mdb", None),
    ("extended", ["--version", "ace", "--shape", "extended"], 200_000, "accdb", None),
    ("binary", ["--shape", "binary"], 10_000, "mdb", None),
    ("complex", ["--version", "ace", "--shape", "complex"], 100_000, "accdb", None),
]


def tool(build, *candidates):
    for relative in candidates:
        path = os.path.join(build, relative)
        if os.access(path, os.X_OK):
            return path
    return None


def make_shape(tools, work, name, args, rows, suffix, encryption):
    db = os.path.join(work, f"{name}-{rows}.{suffix}")
    if os.path.exists(db):
        return db
    plain = db if not encryption else db + ".plain"
    subprocess.run([tools["mkmdb"], "bench", *args, "--rows", str(rows), plain], check=True)
    if encryption:
        subprocess.run([tools["encryptcopy"], encryption, PASSWORD, plain, db], check=True)
        os.remove(plain)
    return db


def table_size(export, db, table, password, work):
    """Rows and columns, from one JSON object per record."""
    out = os.path.join(work, "jsonl")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    subprocess.run([export, "-q", "--format", "jsonl", "-p", password, "-o", out, db, table], check=True)
    rows, columns = 0, 0
    with open(os.path.join(out, table + ".jsonl"), encoding="utf-8") as lines:
        for line in lines:
            if rows == 0:
                columns = len(json.loads(line))
            rows += 1
    return rows, columns


def ours_argv(export, out, db, table, password):
    return [export, "-q", "-p", password, "-o", out, db, table]


def measure(tools, work, label, db, table, password, repeat, env, mdb_export):
    out = os.path.join(work, f"out-{label}")
    os.makedirs(out, exist_ok=True)
    ours, theirs = Figures(), Figures()
    # mdb-export warns once per value of a type it does not know; its stderr goes nowhere.
    theirs_argv = ["sh", "-c", 'exec mdb-export "$0" "$1" 2>/dev/null', db, table]
    produced = os.path.join(out, table + ".txt")
    for _ in range(repeat):
        remove_if_there(produced)  # as mdb-export's file is truncated before its clock starts
        ours.add(run_measured(ours_argv(tools["export"], out, db, table, password), env=env))
        if mdb_export:
            with open(os.path.join(work, f"mdb-{label}.csv"), "wb") as sink:
                theirs.add(run_measured(theirs_argv, stdout=sink, env=env))
    return ours, (theirs if theirs.ok() else None), produced


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--export", help="the quorvane-export to time (default: the build's)")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--work", help="folder for the databases (kept); a temporary one by default")
    parser.add_argument("--scale", type=float, default=1.0, help="multiplies every shape's rows")
    parser.add_argument("--only", help="comma-separated shape names")
    parser.add_argument("--reference", help="another quorvane-export whose output must be the same")
    parser.add_argument("--no-mdb-export", action="store_true")
    parser.add_argument("--file", action="append", default=[], help="PATH:TABLE[:PASSWORD]")
    args = parser.parse_args()

    tools = {
        "export": args.export or tool(args.build, "bin/quorvane-export", "src/cli/quorvane-export"),
        "mkmdb": tool(args.build, "tools/mdbwriter/mkmdb", "bin/mkmdb"),
        "encryptcopy": tool(args.build, "tools/bench/encryptcopy", "bin/encryptcopy"),
    }
    if not tools["export"] or not tools["mkmdb"]:
        sys.exit(f"quorvane-export or mkmdb not found under {args.build}")
    mdb_export = shutil.which("mdb-export") if not args.no_mdb_export else None
    work = args.work or tempfile.mkdtemp(prefix="shapes-bench-")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, LC_ALL="C")
    only = set(args.only.split(",")) if args.only else None

    cases = []  # label, database, table, password, encrypted ACE
    for name, shape_args, rows, suffix, encryption in SHAPES:
        if only and name not in only:
            continue
        if encryption and not tools["encryptcopy"]:
            print(f"{name}: no encryptcopy in the build, left out", file=sys.stderr)
            continue
        db = make_shape(tools, work, name, shape_args, max(1, int(rows * args.scale)), suffix, encryption)
        cases.append((name, db, "Bench", PASSWORD, encryption is not None))
    for given in args.file:
        path, table, *rest = given.split(":")
        # An ACE file with a password is encrypted: mdb-export cannot open it.
        password = rest[0] if rest else ""
        cases.append((os.path.basename(path) + ":" + table, path, table, password,
                      bool(password) and path.endswith(".accdb")))

    print(f"medians of {args.repeat} runs each, programs alternating; x = mdb-export's wall time / ours")
    print(f"{'table':>24} {'rows':>8} {'cols':>4} {'file MB':>8} | {'ours s':>7} {'cpu s':>6} {'MB':>6} | "
          f"{'mdb-export s':>12} | {'x':>6}" + (" | same" if args.reference else ""), flush=True)
    for label, db, table, password, encrypted in cases:
        rows, columns = table_size(tools["export"], db, table, password, work)
        ours, theirs, produced = measure(tools, work, label.replace(":", "-"), db, table, password, args.repeat,
                                         env, mdb_export if not encrypted else None)
        same = ""
        if args.reference:
            ref_out = os.path.join(work, "reference")
            shutil.rmtree(ref_out, ignore_errors=True)
            os.makedirs(ref_out)
            subprocess.run(ours_argv(args.reference, ref_out, db, table, password), env=env, check=True)
            same = " | " + ("yes" if filecmp.cmp(produced, os.path.join(ref_out, table + ".txt"), shallow=False)
                            else "NO")
        t = theirs or Figures()
        print(f"{label:>24} {rows:>8} {columns:>4} {os.path.getsize(db) / 1e6:8.1f} | {fmt(ours.wall(), '7.3f'):>7} "
              f"{fmt(ours.cpu(), '6.3f'):>6} {fmt(ours.peak(), '6.1f'):>6} | {fmt(t.wall(), '12.3f'):>12} | "
              f"{fmt(ratio(t.wall(), ours.wall()), '5.1f'):>5}x{same}", flush=True)
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
