#!/usr/bin/env python3
"""The command line's CSV read back by Python's own csv module and codecs,
independent of the program's writer and of glibc's iconv: Shift_JIS (the
default) and UTF-8 with a byte-order mark give the same table; text that a
spreadsheet would run as a formula comes back as text, numbers (-500 too)
as numbers; standard error stays empty, also without XDG_RUNTIME_DIR.

Usage: check_csv.py HARUMOKA_EXECUTABLE
"""
import csv
import io
import os
import subprocess
import sys
import tempfile

HEADER = ["iMekalu135", "True", "テスト小学校", "令和8年度(2026年度）", "第３学年", "２組", "山田 花子"]
# income or not, date, pupils, article, breakdown, receipt, per pupil, amount
ENTRIES = [["True", "2026/04/10", " 30", "=SUM(A1:A9)", "+81 電話", " 0", " 100", " 3000"],
           ["False", "2026/04/15", " 0", "-返金", "@業者", " 1", " 0", " 500"],
           ["False", "2026/04/20", " 0", "画用紙", "図工", " 2", " 0", "-500"]]
# The year ledger (article and breakdown in one column), the year report (apart).
KINDS = {"11": ({2}, ["'=SUM(A1:A9) +81 電話", "'-返金 @業者"]),
         "12": ({1, 2}, ["'=SUM(A1:A9)", "'+81 電話", "'-返金", "'@業者"])}
ENV = {k: v for k, v in os.environ.items()
       if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR")}

passed, failed = 0, 0


def check(what, ok):
    global passed, failed
    print(("ok   " if ok else "FAIL ") + what)
    passed, failed = passed + ok, failed + (not ok)


def export(account, out, kind, *options):
    args = [sys.argv[1], "--csv", out, "--kind", kind, *options, account]
    run = subprocess.run(args, env=ENV, capture_output=True, timeout=120)
    check(f"{' '.join(args[3:-1])}: status 0, nothing on standard error {run.stderr!r}",
          run.returncode == 0 and not run.stderr)
    if not os.path.exists(out):
        return b""
    with open(out, "rb") as f:
        return f.read()


with tempfile.TemporaryDirectory() as tmp:
    account = os.path.join(tmp, "3年2組.txt")
    with open(account, "wb") as f:
        f.write("".join(v + "\r\n" for v in HEADER + sum(ENTRIES, [])).encode("cp932"))
    for kind, (text_columns, guarded) in KINDS.items():
        sjis = export(account, os.path.join(tmp, f"s{kind}.csv"), kind)
        utf8 = export(account, os.path.join(tmp, f"u{kind}.csv"), kind, "--csv-encoding", "utf-8")
        check(f"kind {kind}: a byte-order mark in UTF-8 only",
              utf8.startswith(b"\xef\xbb\xbf") and not sjis.startswith(b"\xef\xbb\xbf"))
        check(f"kind {kind}: records end with CR LF", sjis.endswith(b"\r\n") and b"\n" not in sjis.replace(b"\r\n", b""))
        table = list(csv.reader(io.StringIO(sjis.decode("cp932"), newline="")))
        check(f"kind {kind}: both encodings give the same table",
              table == list(csv.reader(io.StringIO(utf8.decode("utf-8-sig"), newline=""))))
        cells = [(c, cell) for row in table[1:] for c, cell in enumerate(row) if cell and c > 0]
        texts = [cell for c, cell in cells if c in text_columns]
        numbers = [cell for c, cell in cells if c not in text_columns]
        check(f"kind {kind}: no text cell starts a formula", not [t for t in texts if t[0] in "=+-@"])
        check(f"kind {kind}: {guarded} written as text", all(cell in texts for cell in guarded))
        check(f"kind {kind}: numbers stay numbers, -500 too",
              "-500" in numbers and all(n.lstrip("-").isdigit() for n in numbers))

print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
