#!/usr/bin/env bash
# harumoka --print through a private print service (scripts/print_service.sh):
# the queue's pages match --pdf at 150 dpi, jobs carry the printout's name, the
# default queue serves without --printer, and each fault prints nothing and
# says why. Usage: check_print_service.sh HARUMOKA
set -euo pipefail
exe=$1 src=$(cd "$(dirname "$0")/../.." && pwd) work=$(mktemp -d) queue=harumoka-test-$$
[ "$(id -u)" -eq 0 ] || { echo "skipped: cups-pdf reads /etc/cups (root only)"; exit 77; }
chmod 755 "$work"
trap '"$src/scripts/print_service.sh" stop "$work/cups"; rm -rf "$work"' EXIT
eval "$("$src/scripts/print_service.sh" start "$work/cups" "$queue")"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/rt HOME=$work ASAN_OPTIONS=detect_leaks=0
mkdir -m 700 "$XDG_RUNTIME_DIR"
a=$work/3年2組.txt log=$work/cups/log/page_log
cp "$src/docs/sample/sample.txt" "$a"
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
# Done to the queue first | --printer | the message says | undone by
for c in "true||既定のプリンタが決まっていません|lpadmin -d $queue" "true|lp9|「lp9」が見つかりません|true" \
  "cupsdisable -r 紙づまり $queue|$queue|停止しています（紙づまり）|cupsenable $queue" \
  "cupsreject -r 点検中 $queue|$queue|受け付けていません（点検中）|cupsaccept $queue" \
  "lpadmin -p $queue -u deny:root|$queue|が印刷を受け付けませんでした|lpadmin -p $queue -u allow:all" \
  "export CUPS_SERVER=$work/no.sock|$queue|（CUPS）に接続できませんでした|export CUPS_SERVER=$CUPS_SERVER"; do
  IFS='|' read -r before printer says after <<<"$c"
  $before
  out=$("$exe" --print ${printer:+--printer "$printer"} "$a" 2>&1) && fail "printed after $before"
  [[ $out == *"$says"* && ! -s $log ]] || fail "after '$before': '$out'"
  $after
done
# Kind | --printer (none: the default) | the job's name
for c in "11|$queue|3年2組 年間元帳" "12||3年2組 年間会計報告"; do
  IFS='|' read -r kind printer name <<<"$c"
  id=$("$exe" --print ${printer:+--printer "$printer"} --kind "$kind" --date 2027-03-20 "$a" | grep -oE 'ジョブ [0-9]+')
  id=${id#ジョブ }
  "$exe" --pdf "$work/$kind.pdf" --kind "$kind" --date 2027-03-20 "$a"
  for _ in $(seq 600); do [ -z "$(lpstat -o)" ] && ls "$work"/cups/out/*-job_"$id".pdf >/dev/null 2>&1 && break; sleep 0.1; done
  [[ $(grep -F " $id [" "$log") == *" $name A4 "* ]] || fail "job $id is not named $name"
  mkdir "$work/$kind" && pdftoppm -q -r 150 -gray "$work"/cups/out/*-job_"$id".pdf "$work/$kind/q"
  pdftoppm -q -r 150 -gray "$work/$kind.pdf" "$work/$kind/p"
  # cups-pdf redraws the glyphs: a page matches when under 0.2 % of its 4×4-pixel
  # cells differ by more than a quarter of black (a 0.5 mm shift makes 2 %).
  python3 - "$work/$kind" <<'PY' || fail "kind $kind: the queue's pages differ from --pdf"
import glob, sys
def cells(f, n=4):
    _, w, h, _, d = open(f, 'rb').read().split(maxsplit=4); w, h = int(w), int(h)
    return (w, h), [sum(sum(d[y*w+x:y*w+x+n]) for y in range(c, c+n)) / n / n for c in range(0, h-n+1, n) for x in range(0, w-n+1, n)]
pages = [sorted(glob.glob(f'{sys.argv[1]}/{p}-*.pgm')) for p in 'qp']
diff = [(cells(q)[0] == cells(p)[0], sum(abs(a-b) > 64 for a, b in zip(cells(q)[1], cells(p)[1]))) for q, p in zip(*pages)]
print(sys.argv[1], len(pages[0]), len(pages[1]), 'pages; cells differing:', diff)
sys.exit(not (len(pages[0]) == len(pages[1]) > 0 and all(same and n < 272 for same, n in diff)))
PY
done
echo "print service: $failed failed"
[ "$failed" -eq 0 ]
