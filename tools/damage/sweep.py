#!/usr/bin/env python3
"""Damage sweep: exports damaged copies of Access files and counts silent losses.

Each source file is exported once as it is. Then copies are made that are cut short
(page-aligned and mid-page, at several places) or that have one page zeroed, and each
copy is exported again. A copy that exits 0 while its output differs from the
undamaged export is a silent loss: the one outcome that must never happen.

With --salvage, every damaged copy is also exported with `--salvage` and with
mdb-export (mdbtools), and the rows each recovers are counted by value: a row counts
when it equals a row of the undamaged table as the same program exports it. Each
table where the two differ is printed as it is met; mdb-export's crashes and hangs
(past TIMEOUT seconds) are counted apart.

    tools/damage/sweep.py --export build/bin/quorvane-export \
        --bench build/tools/mdbwriter/mkmdb --bench-versions 3,4,ace \
        ../shared/corpus/files/*.mdb [--salvage]
"""

import argparse
import collections
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile

TIMEOUT = 20
CUT_FRACTIONS = (0.15, 0.35, 0.6, 0.85)
ZEROED_PAGES = 10


def page_size(path):
    with open(path, "rb") as f:
        head = f.read(0x20)
    return 2048 if len(head) > 0x14 and head[0x14] == 0 else 4096


def run(cmd, cwd=None):
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
        return p.returncode, p.stdout, p.stderr
    except subprocess.TimeoutExpired:
        return "timeout", b"", b""


def export(exe, db, password, extra=()):
    """Runs the exporter into a fresh folder; returns (status, {file: bytes})."""
    out = tempfile.mkdtemp(prefix="sweep-out-")
    try:
        cmd = [exe, "-q", "-o", out] + list(extra)
        if password:
            cmd += ["-p", password]
        rc, _, _ = run(cmd + [db])
        files = {}
        for name in sorted(os.listdir(out)):
            with open(os.path.join(out, name), "rb") as f:
                files[name] = f.read()
        return rc, files
    finally:
        shutil.rmtree(out, ignore_errors=True)


def csv_records(data, encodings=("utf-8", "cp1252")):
    """The records of one CSV output, less the line of names, as tuples."""
    for enc in encodings:
        try:
            text = data.decode(enc)
            break
        except UnicodeDecodeError:
            continue
    else:
        text = data.decode("latin-1")
    try:
        rows = [tuple(r) for r in csv.reader(io.StringIO(text, newline=""))]
    except csv.Error:
        rows = [(line,) for line in text.splitlines()]
    while len(rows) > 1 and not rows[-1]:
        rows.pop()  # the blank line the exporter ends a file with
    return rows[1:]


def classify_rows(records, whole):
    """Sorts `records` against `whole` (a Counter of the same program's records from the
    undamaged file): (rows equal to a row of the undamaged table, rows equal to one but
    for values left empty -- a row whose long value or attachment was lost --, rows that
    are neither: made up from damaged bytes)."""
    got = collections.Counter(records)
    exact = got & whole
    rest = list((got - exact).elements())
    left = list((whole - exact).elements())
    partial = 0
    if len(rest) * len(left) <= 4_000_000:  # beyond that, not worth the wait: counted as neither
        for r in rest:
            for i, w in enumerate(left):
                if len(w) == len(r) and any(r) and all(not v or v == x for v, x in zip(r, w)):
                    del left[i]
                    partial += 1
                    break
    n = sum(exact.values())
    return n, partial, len(records) - n - partial


def mdb_export_table(db, table):
    """mdb-export's records of one table and how it ended: "ok", "error", "crash" or "hang"."""
    rc, out, _ = run(["mdb-export", db, table])
    if rc == "timeout":
        return [], "hang"
    if rc < 0:
        return [], "crash"  # killed by a signal: what it wrote is cut off at random
    return csv_records(out), "ok" if rc == 0 else "error"


def damaged_copies(src, size, psize):
    pages = size // psize
    for frac in CUT_FRACTIONS:
        at = max(1, int(pages * frac)) * psize
        yield "cut@%d" % at, ("cut", at)
        yield "cut@%d" % (at + psize // 2), ("cut", at + psize // 2)
    step = max(1, (pages - 1) // ZEROED_PAGES)
    for p in list(range(1, pages, step))[:ZEROED_PAGES] + [2]:
        yield "zero@%d" % p, ("zero", p)


def make_copy(src, dst, how, psize):
    kind, where = how
    with open(src, "rb") as f:
        data = bytearray(f.read())
    if kind == "cut":
        data = data[:where]
    else:
        data[where * psize:(where + 1) * psize] = bytes(psize)
    with open(dst, "wb") as f:
        f.write(data)


class SalvageTally:
    """Rows recovered from the damaged copies by --salvage and by mdb-export.

    A row counts as recovered only when it is a row of the undamaged table: each
    program's records from a damaged copy are matched against its own export of the
    undamaged file, so that a program's way of writing values does not matter. Rows
    that lost a value are counted apart, and rows made up from damaged bytes (or read
    twice) are not counted as recovered at all."""

    def __init__(self, verbose):
        self.verbose = verbose
        self.copies = 0
        self.whole = 0
        self.ours = [0, 0, 0]                 # rows exact, with values lost, made up
        self.theirs = [0, 0, 0]
        self.ours_win = self.theirs_win = 0   # copies where one recovers more real rows
        self.mdb_crash = self.mdb_hang = 0    # copies where mdb-export crashed or hung on a table
        self.silent = 0                       # --salvage exit 0 with output unlike the undamaged one
        self.mark = (0, 0, [0, 0, 0], [0, 0, 0])  # the counts when the last file was done

    def add(self, name, label, whole_rows, ours, theirs, mdb_status):
        """`ours` and `theirs`: {table: (exact, partial, garbage)}."""
        self.copies += 1
        self.whole += whole_rows
        if "crash" in mdb_status.values():
            self.mdb_crash += 1
        if "hang" in mdb_status.values():
            self.mdb_hang += 1
        mine = [sum(v[k] for v in ours.values()) for k in range(3)]
        other = [sum(v[k] for v in theirs.values()) for k in range(3)]
        for k in range(3):
            self.ours[k] += mine[k]
            self.theirs[k] += other[k]
        # Rows recovered: exact ones and those that lost a value, never made-up ones.
        self.ours_win += mine[0] + mine[1] > other[0] + other[1]
        self.theirs_win += other[0] + other[1] > mine[0] + mine[1]
        for table in sorted(set(ours) | set(theirs)):
            o = ours.get(table, (0, 0, 0))
            t = theirs.get(table, (0, 0, 0))
            if o != t or (self.verbose and (o[1] or o[2] or t[1] or t[2])):
                status = mdb_status.get(table, "ok")
                ahead = ("mdb-export ahead" if t[0] + t[1] > o[0] + o[1] else
                         "--salvage ahead" if o[0] + o[1] > t[0] + t[1] else "even")
                print("  [%s] %s %s %s: --salvage %s, mdb-export %s%s" % (
                    ahead, name, label, table, self.rows(o), self.rows(t),
                    "" if status == "ok" else " [%s]" % status), flush=True)

    def file_done(self, name):
        """Prints what the copies of one file gave since the last call."""
        copies, whole, ours, theirs = self.mark
        print("  %s: %d copies of %d rows in all, --salvage %s, mdb-export %s" % (
            name, self.copies - copies, self.whole - whole, self.rows([a - b for a, b in zip(self.ours, ours)]),
            self.rows([a - b for a, b in zip(self.theirs, theirs)])), flush=True)
        self.mark = (self.copies, self.whole, list(self.ours), list(self.theirs))

    @staticmethod
    def rows(counts):
        exact, partial, garbage = counts
        return "%d%s%s" % (exact, " +%d with values lost" % partial if partial else "",
                           " +%d made up" % garbage if garbage else "")

    def report(self):
        print("salvage: %d damaged copies (unencrypted)" % self.copies)
        print("  rows in the undamaged files, summed over the copies: %d" % self.whole)
        print("  rows recovered (exact + with values lost; made-up rows apart):")
        print("    quorvane-export --salvage: %s" % self.rows(self.ours))
        print("    mdb-export: %s" % self.rows(self.theirs))
        print("  copies where --salvage recovers more: %d, where mdb-export does: %d"
              % (self.ours_win, self.theirs_win))
        print("  copies where mdb-export crashed: %d, hung (over %d s): %d" % (self.mdb_crash, TIMEOUT, self.mdb_hang))
        print("  --salvage exit 0 with output different from the undamaged export: %d" % self.silent)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--export", required=True, help="the quorvane-export program")
    ap.add_argument("--bench", help="mkmdb: also sweep bench databases it writes")
    ap.add_argument("--bench-rows", type=int, default=20000)
    ap.add_argument("--bench-versions", default="4", help="file versions of the bench databases: 3,4,ace")
    ap.add_argument("--passwords", help="a file of NAME<TAB>PASSWORD lines")
    ap.add_argument("--salvage", action="store_true", help="count rows recovered by --salvage and mdb-export")
    ap.add_argument("--verbose", action="store_true")
    ap.add_argument("files", nargs="*")
    a = ap.parse_args()

    passwords = {}
    if a.passwords:
        with open(a.passwords, encoding="utf-8") as f:
            for line in f:
                if "\t" in line:
                    name, pw = line.rstrip("\n").split("\t", 1)
                    passwords[name] = pw

    work = tempfile.mkdtemp(prefix="sweep-")
    sources = list(a.files)
    if a.bench:
        for version in a.bench_versions.split(","):
            bench = os.path.join(work, "bench-v%s.%s" % (version, "accdb" if version == "ace" else "mdb"))
            subprocess.run([a.bench, "bench", "--rows", str(a.bench_rows), "--version", version, bench],
                           check=True, stdout=subprocess.DEVNULL)
            sources.append(bench)

    copies = silent = failed = clean = 0
    tally = SalvageTally(a.verbose)
    per_file = []
    try:
        for src in sources:
            name = os.path.basename(src)
            password = passwords.get(name)
            rc, baseline = export(a.export, src, password)
            if rc != 0:
                print("skipped (does not export whole): %s" % src, file=sys.stderr)
                continue
            tables = [n[:-4] for n in baseline if n.endswith(".txt")]
            ours_whole = {n[:-4]: collections.Counter(csv_records(b)) for n, b in baseline.items()}
            whole_rows = sum(sum(c.values()) for c in ours_whole.values())
            if a.salvage and not password:
                theirs_whole = {t: collections.Counter(mdb_export_table(src, t)[0]) for t in tables}
            psize = page_size(src)
            size = os.path.getsize(src)
            file_silent = 0
            for label, how in damaged_copies(src, size, psize):
                dst = os.path.join(work, "damaged" + os.path.splitext(src)[1])
                make_copy(src, dst, how, psize)
                copies += 1
                rc, files = export(a.export, dst, password)
                if rc == 0 and files == baseline:
                    clean += 1
                elif rc == 0:
                    silent += 1
                    file_silent += 1
                    if a.verbose:
                        print("silent loss: %s %s" % (name, label))
                else:
                    failed += 1
                if a.salvage and not password:
                    rc2, got = export(a.export, dst, password, ["--salvage"])
                    if rc2 == 0 and got != baseline:
                        tally.silent += 1
                    ours = {n[:-4]: classify_rows(csv_records(b), ours_whole.get(n[:-4], collections.Counter()))
                            for n, b in got.items()}
                    theirs, status = {}, {}
                    for t in tables:
                        records, status[t] = mdb_export_table(dst, t)
                        theirs[t] = classify_rows(records, theirs_whole[t])
                    tally.add(name, label, whole_rows, ours, theirs, status)
            per_file.append((name, file_silent))
            if a.salvage and not password:
                tally.file_done(name)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("damaged copies: %d" % copies)
    print("  exported whole and equal to the undamaged export: %d" % clean)
    print("  failed with an error (exit status not 0): %d" % failed)
    print("  exit 0 with output different from the undamaged export (silent loss): %d" % silent)
    for name, n in per_file:
        if n:
            print("    %s: %d" % (name, n))
    if a.salvage:
        tally.report()
    return 1 if silent else 0


if __name__ == "__main__":
    sys.exit(main())
