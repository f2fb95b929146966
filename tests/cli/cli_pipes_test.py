#!/usr/bin/env python3
"""quorvane-export as scripts use it, through Python's own csv and json readers and
with a signal in the middle of a run.

    cli_pipes_test.py QUORVANE_EXPORT MKMDB
"""

import csv
import io
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

EXPORT = MKMDB = None


def export(*args, env=None):
    run = subprocess.run([EXPORT, *args], capture_output=True, env=env, timeout=300)
    if run.returncode != 0:
        raise AssertionError(f"{args}: exit {run.returncode}: {run.stderr.decode(errors='replace')}")
    return run.stdout


class Pipes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.db = os.path.join(cls.tmp.name, "sample.mdb")
        subprocess.run([MKMDB, "sample", cls.db], check=True, capture_output=True)
        cls.tables = export("--list", cls.db).decode().split("\n")[:-1]

    def test_csv_and_json_lines_read_back_alike(self):
        """Every table: the CSV through the csv module and the JSON lines through the json
        module hold the same records, Null only where the CSV has its unquoted Null text."""
        self.assertTrue(self.tables)
        for table in self.tables:
            with self.subTest(table=table):
                text = export("-q", "--csv", "--values", "exact", "--null", "NULL", "-o", "-", self.db, table)
                self.assertFalse(text.endswith(b"\r\n\r\n"))
                rows = list(csv.reader(io.StringIO(text.decode("utf-8"), newline="")))
                lines = export("-q", "--format", "jsonl", "-o", "-", self.db, table).decode("utf-8").splitlines()
                objects = [json.loads(line) for line in lines]
                self.assertEqual(len(rows), len(objects) + 1)
                header = rows[0]
                for record, obj in zip(rows[1:], objects):
                    self.assertEqual(list(obj.keys()), header)  # keys in column order
                    for field, value in zip(record, obj.values()):
                        if value is None:
                            self.assertEqual(field, "NULL")
                        elif isinstance(value, bool):
                            self.assertEqual(field, "true" if value else "false")
                        elif isinstance(value, (int, float)):
                            self.assertEqual(float(field), float(value))
                        else:
                            self.assertEqual(field, value)

    def test_signal_drops_the_file_in_hand(self):
        """SIGTERM in the middle of a table, as text and into SQLite: exit 143, the old
        file as it was, no temporary file left beside it."""
        big = os.path.join(self.tmp.name, "big.mdb")
        subprocess.run([MKMDB, "bench", "--rows", "300000", big], check=True, capture_output=True)
        tables = export("--list", big).decode().split("\n")[:-1]
        runs = ((tables[0] + ".txt", lambda out, old: ["-q", "-o", out, big, tables[0]]),
                ("big.sqlite", lambda out, old: ["-q", "--format", "sqlite", "-o", old, big, tables[0]]))
        for name, arguments in runs:
            with self.subTest(output=name):
                out = tempfile.mkdtemp(dir=self.tmp.name)
                old = os.path.join(out, name)
                with open(old, "wb") as f:
                    f.write(b"old\r\n")
                child = subprocess.Popen([EXPORT, *arguments(out, old)], stderr=subprocess.PIPE)
                # Wait until the child holds a file in the output folder, then stop it there.
                deadline = time.monotonic() + 60
                writing = False
                while not writing and time.monotonic() < deadline and child.poll() is None:
                    try:
                        targets = [os.readlink(f"/proc/{child.pid}/fd/{fd}") for fd in os.listdir(f"/proc/{child.pid}/fd")]
                    except (FileNotFoundError, ProcessLookupError):
                        targets = []
                    writing = any(t.startswith(out + "/") for t in targets if t != old)
                    time.sleep(0.002)
                self.assertTrue(writing, "the export ended before it could be stopped")
                child.send_signal(signal.SIGTERM)
                child.wait(timeout=60)
                error = child.stderr.read().decode(errors="replace")
                child.stderr.close()
                self.assertEqual(child.returncode, 143, error)
                self.assertEqual(os.listdir(out), [os.path.basename(old)])
                with open(old, "rb") as f:
                    self.assertEqual(f.read(), b"old\r\n")

    def test_salvage_writes_the_readable_rows_and_says_what_was_lost(self):
        """A zeroed data page: a plain export fails, --salvage writes the rows still there,
        says on stderr how many of how many, and still exits 1."""
        damaged = os.path.join(self.tmp.name, "damaged.mdb")
        subprocess.run([MKMDB, "bench", "--rows", "20000", damaged], check=True, capture_output=True)
        with open(damaged, "r+b") as f:
            data = bytearray(f.read())
            owners = {}
            for at in range(0, len(data), 4096):
                if data[at] == 1:
                    owners.setdefault(int.from_bytes(data[at + 4:at + 8], "little"), []).append(at)
            pages = max(owners.values(), key=len)
            data[pages[len(pages) // 2]:pages[len(pages) // 2] + 4096] = bytes(4096)
            f.seek(0)
            f.write(data)
        out = tempfile.mkdtemp(dir=self.tmp.name)
        plain = subprocess.run([EXPORT, "-q", "-o", out, damaged], capture_output=True, timeout=300)
        self.assertEqual(plain.returncode, 1, plain.stderr)
        salvaged = subprocess.run([EXPORT, "--salvage", "-o", out, damaged], capture_output=True, timeout=300)
        error = salvaged.stderr.decode(errors="replace")
        self.assertEqual(salvaged.returncode, 1, error)
        self.assertNotIn("Done.", error)
        lines = [line for line in error.splitlines() if "rows recovered" in line]
        self.assertEqual(len(lines), 1, error)
        recovered, said = re.search(r": (\d+) rows recovered, the table definition says (\d+); ", lines[0]).groups()
        self.assertLess(int(recovered), int(said))
        self.assertGreater(int(recovered), 0)


if __name__ == "__main__":
    EXPORT, MKMDB = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
