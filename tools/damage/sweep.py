#!/usr/bin/env python3
"""Damage sweep: exports damaged copies of Access files and counts silent losses.

Each source file is exported once as it is. Then copies are made that are cut short
(page-aligned and mid-page, at several places) or that have one page zeroed, and each
copy is exported again. A copy that exits 0 while its output differs from the
undamaged export is a silent loss: the one outcome that must never happen.

With --salvage, every damaged copy is also exported with `--salvage` and with
mdb-export (mdbtools), and the rows each recovers are counted.

    tools/damage/sweep.py --export build/bin/quorvane-export \
        --bench build/tools/mdbwriter/mkmdb ../shared/corpus/files/*.mdb [--salvage]
"""

import argparse
import csv
import hashlib
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


def csv_rows(data, encodings=("utf-8", "cp1252")):
    for enc in encodings:
        try:
            text = data.decode(enc)
            break
        except UnicodeDecodeError:
            continue
    else:
        text = data.decode("latin-1")
    try:
        rows = list(csv.reader(io.StringIO(text, newline="")))
    except csv.Error:
        rows = text.splitlines()
    return max(len(rows) - 1, 0)  # less the line of names


def mdb_export_rows(db, tables):
    total = 0
    for table in tables:
        rc, out, _ = run(["mdb-export", db, table])
        if rc == "timeout" or (isinstance(rc, int) and rc < 0):
            continue  # a hang or a crash recovers nothing
        total += csv_rows(out)
    return total


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


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--export", required=True, help="the quorvane-export program")
    ap.add_argument("--bench", help="mkmdb: also sweep a bench database it writes")
    ap.add_argument("--bench-rows", type=int, default=20000)
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
        bench = os.path.join(work, "bench.mdb")
        subprocess.run([a.bench, "bench", "--rows", str(a.bench_rows), bench], check=True,
                       stdout=subprocess.DEVNULL)
        sources.append(bench)

    copies = silent = failed = clean = 0
    ours_rows = mdb_rows = full_rows = 0
    salvage_silent = 0
    per_file = []
    try:
        for src in sources:
            password = passwords.get(os.path.basename(src))
            rc, baseline = export(a.export, src, password)
            if rc != 0:
                print("skipped (does not export whole): %s" % src, file=sys.stderr)
                continue
            tables = [n[:-4] for n in baseline if n.endswith(".txt")]
            whole = sum(csv_rows(b) for b in baseline.values())
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
                        print("silent loss: %s %s" % (os.path.basename(src), label))
                else:
                    failed += 1
                if a.salvage and not password:
                    src_rows = whole
                    rc2, got = export(a.export, dst, password, ["--salvage"])
                    ours = sum(csv_rows(b) for n, b in got.items())
                    if rc2 == 0 and got != baseline:
                        salvage_silent += 1
                    theirs = mdb_export_rows(dst, tables)
                    ours_rows += ours
                    mdb_rows += theirs
                    full_rows += src_rows
            per_file.append((os.path.basename(src), file_silent))
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
        print("rows in the undamaged files, summed over the damaged copies: %d" % full_rows)
        print("  recovered by quorvane-export --salvage: %d" % ours_rows)
        print("  recovered by mdb-export: %d" % mdb_rows)
        print("  --salvage exit 0 with output different from the undamaged export: %d" % salvage_silent)
    return 1 if silent else 0


if __name__ == "__main__":
    sys.exit(main())
