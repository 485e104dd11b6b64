#!/usr/bin/env bash
# --print via scripts/print_service.sh: pages as --pdf's, named jobs, default queue, faults explained.
set -euo pipefail
exe=$1 src=$(cd "$(dirname "$0")/../.." && pwd) work=$(mktemp -d) q=harumoka-test-$$ failed=0
[ "$(id -u)" -eq 0 ] || { echo "skipped: cups-pdf reads /etc/cups (root only)"; exit 77; }
trap '"$src/scripts/print_service.sh" stop "$work/cups"; rm -rf "$work"' EXIT
chmod 755 "$work" && mkdir -m 700 "$work/rt" && cp "$src/docs/sample/sample.txt" "$work/3年2組.txt"
# Its own words when it cannot start (a failure inside eval "$(…)" would be lost).
env=$("$src/scripts/print_service.sh" start "$work/cups" "$q") || { echo "FAIL the print service did not start"; exit 1; }
eval "$env"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/rt HOME=$work ASAN_OPTIONS=detect_leaks=0
a=$work/3年2組.txt log=$work/cups/log/page_log
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
# Done to the queue first | --printer | the message says | undone by
for c in "true||既定のプリンタが決まっていません|lpadmin -d $q" "true|lp9|「lp9」が見つかりません|true" \
  "cupsdisable -r 紙づまり $q|$q|停止しています（紙づまり）|cupsenable $q" \
  "cupsreject -r 点検中 $q|$q|受け付けていません（点検中）|cupsaccept $q" \
  "lpadmin -p $q -u deny:root|$q|が印刷を受け付けませんでした|lpadmin -p $q -u allow:all" \
  "export CUPS_SERVER=$work/no.sock|$q|（CUPS）に接続できませんでした|export CUPS_SERVER=$CUPS_SERVER"; do
  IFS='|' read -r before printer says after <<<"$c"
  $before
  out=$("$exe" --print ${printer:+--printer "$printer"} "$a" 2>&1) && fail "printed after $before"
  [[ $out == *"$says"* && ! -s $log ]] || fail "after '$before': '$out'"
  $after
done
# The window's 印刷 sends the job as --print does and says what the queue did with it.
for c in "cupsdisable $q|は停止しています。|cupsenable $q" \
  "lpadmin -p $q -u deny:root|が印刷を受け付けませんでした（|lpadmin -p $q -u allow:all"; do
  IFS='|' read -r before says after <<<"$c"
  $before
  HARUMOKA_QUEUE=$q HARUMOKA_QUEUE_SAYS=$says "$2" aQueueSaysWhatItDidWithTheJob >"$work/window.log" 2>&1 &&
    [ ! -s "$log" ] || fail "the window after '$before': $(grep -E 'FAIL|Loc|Actual|Expected' "$work/window.log")"
  $after
done
HARUMOKA_QUEUE=$q "$2" aQueueSaysWhatItDidWithTheJob >"$work/window.log" 2>&1 || fail "the window's print: $(cat "$work/window.log")"
for _ in $(seq 600); do grep -qF " 年間元帳 A4 " "$log" 2>/dev/null && break; sleep 0.1; done
grep -qF " 年間元帳 A4 " "$log" || fail "the window's job is not in the page log"
for _ in $(seq 600); do [ -z "$(lpstat -o)" ] && break; sleep 0.1; done
: >"$log"
for c in "11|$q|3年2組 年間元帳" "12||3年2組 年間会計報告"; do # kind | --printer (none: default) | job name
  IFS='|' read -r kind printer name <<<"$c"
  id=$("$exe" --print ${printer:+--printer "$printer"} --kind "$kind" --date 2027-03-20 "$a" | grep -oE '[0-9]+）')
  id=${id%）} && "$exe" --pdf "$work/$kind.pdf" --kind "$kind" --date 2027-03-20 "$a" && mkdir "$work/$kind"
  for _ in $(seq 600); do [ -z "$(lpstat -o)" ] && ls "$work"/cups/out/*-job_"$id".pdf &>/dev/null && break; sleep 0.1; done
  [[ $(grep -F " $id [" "$log") == *" $name A4 "* ]] || fail "job $id is not named $name"
  pdftoppm -q -r 150 -gray "$work"/cups/out/*-job_"$id".pdf "$work/$kind/q"
  pdftoppm -q -r 150 -gray "$work/$kind.pdf" "$work/$kind/p"
  # cups-pdf redraws glyphs: under 0.2 % of 4×4-pixel cells may differ by a quarter of black
  python3 - "$work/$kind" <<'PY' || fail "kind $kind: the queue's pages differ from --pdf"
import glob, sys
def cells(f, n=4):
    _, w, h, _, d = open(f, 'rb').read().split(maxsplit=4); w, h = int(w), int(h)
    return (w, h), [sum(sum(d[y*w+x:y*w+x+n]) for y in range(c, c+n)) / n / n for c in range(0, h-n+1, n) for x in range(0, w-n+1, n)]
pages = [[cells(f) for f in sorted(glob.glob(f'{sys.argv[1]}/{p}-*.pgm'))] for p in 'qp']
diff = [(q[0] == p[0], sum(abs(a - b) > 64 for a, b in zip(q[1], p[1]))) for q, p in zip(*pages)]
print(sys.argv[1], len(pages[0]), len(pages[1]), 'pages; same size, cells differing:', diff)
sys.exit(not (len(pages[0]) == len(pages[1]) > 0 and all(same and n < 272 for same, n in diff)))
PY
done
echo "print service: $failed failed" && [ "$failed" -eq 0 ]
