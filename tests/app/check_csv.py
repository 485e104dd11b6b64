#!/usr/bin/env python3
"""The command line's CSV export read back by Python's own csv module and
codecs, independent of the program's writer and of glibc's iconv:

- Shift_JIS (the default) and UTF-8 with a byte-order mark give the same table;
- text cells that a spreadsheet would run as a formula come back as text
  (an apostrophe first), numbers (negative ones too) as they were;
- standard error stays empty, also without XDG_RUNTIME_DIR (as under cron).

Usage: check_csv.py HARUMOKA_EXECUTABLE
"""
import csv
import io
import os
import subprocess
import sys
import tempfile

FORMULA_START = ("=", "+", "-", "@")


def account_lines():
    header = ["iMekalu135", "True", "テスト小学校", "令和8年度(2026年度）", "第３学年", "２組", "山田 花子"]
    # income or not, date, pupils, article, breakdown, receipt, per pupil, amount
    entries = [
        ["True", "2026/04/10", " 30", "=SUM(A1:A9)", "+81 電話", " 0", " 100", " 3000"],
        ["False", "2026/04/15", " 0", "-返金", "@業者", " 1", " 0", " 500"],
        ["False", "2026/04/20", " 0", "画用紙", "図工", " 2", " 0", "-500"],
    ]
    return header + [value for entry in entries for value in entry]


def export(exe, account, out, kind, encoding):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                                              "XDG_RUNTIME_DIR")}
    args = [exe, "--csv", out, "--kind", kind]
    if encoding:
        args += ["--csv-encoding", encoding]
    run = subprocess.run(args + [account], env=env, capture_output=True, timeout=120)
    if run.returncode != 0 or run.stderr:
        sys.exit(f"{' '.join(args)}: status {run.returncode}, standard error {run.stderr.decode(errors='replace')!r}")
    with open(out, "rb") as f:
        return f.read()


def rows(data, codec):
    return list(csv.reader(io.StringIO(data.decode(codec), newline="")))


passed, failures = 0, []


def check(what, ok):
    global passed
    print(("ok   " if ok else "FAIL ") + what)
    if ok:
        passed += 1
    else:
        failures.append(what)


exe = sys.argv[1]
with tempfile.TemporaryDirectory() as tmp:
    account = os.path.join(tmp, "3年2組.txt")
    with open(account, "wb") as f:
        f.write("".join(line + "\r\n" for line in account_lines()).encode("cp932"))
    # The year ledger (article and breakdown in one column) and the year report (apart).
    for kind, text_columns, guarded in (
            ("11", {2}, ["'=SUM(A1:A9) +81 電話", "'-返金 @業者"]),
            ("12", {1, 2}, ["'=SUM(A1:A9)", "'+81 電話", "'-返金", "'@業者"])):
        sjis = export(exe, account, os.path.join(tmp, f"s{kind}.csv"), kind, None)
        utf8 = export(exe, account, os.path.join(tmp, f"u{kind}.csv"), kind, "utf-8")
        check(f"kind {kind}: Shift_JIS has no byte-order mark", not sjis.startswith(b"\xef\xbb\xbf"))
        check(f"kind {kind}: UTF-8 starts with a byte-order mark", utf8.startswith(b"\xef\xbb\xbf"))
        check(f"kind {kind}: records end with CR LF", sjis.endswith(b"\r\n") and b"\n" not in sjis.replace(b"\r\n", b""))
        table = rows(sjis, "cp932")
        check(f"kind {kind}: both encodings give the same table", table == rows(utf8, "utf-8-sig"))
        cells = [(c, cell) for row in table[1:] for c, cell in enumerate(row) if cell]
        texts = [cell for c, cell in cells if c in text_columns]
        numbers = [cell for c, cell in cells if c not in text_columns and c > 0]
        check(f"kind {kind}: no text cell starts a formula", not [t for t in texts if t.startswith(FORMULA_START)])
        for cell in guarded:
            check(f"kind {kind}: {cell[1:]} comes back as text", cell in texts)
        check(f"kind {kind}: the negative amount stays a number", "-500" in numbers)
        check(f"kind {kind}: number cells are numbers", all(n.lstrip("-").isdigit() for n in numbers))

print(f"{passed} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
