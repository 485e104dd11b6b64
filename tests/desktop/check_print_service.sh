#!/usr/bin/env bash
# harumoka --print through a real print service (scripts/print_service.sh: a
# private cupsd and a cups-pdf queue): the pages the queue writes match --pdf
# of the same printout at 150 dpi, each job carries the printout's name, the
# default queue is used without --printer, and nothing is printed, with the
# reason, when the service, the queue or the job is not there.
# Usage: check_print_service.sh HARUMOKA
set -euo pipefail
exe=$1
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "skipped: cups-pdf takes its settings from /etc/cups (root only)"; exit 77; }
work=$(mktemp -d)
chmod 755 "$work"
queue=harumoka-test-$$
trap '"$src/scripts/print_service.sh" stop "$work/cups"; rm -rf "$work"' EXIT
eval "$("$src/scripts/print_service.sh" start "$work/cups" "$queue")"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime HOME=$work ASAN_OPTIONS=detect_leaks=0
mkdir -m 700 "$XDG_RUNTIME_DIR"
account=$work/3年2組.txt
cp "$src/docs/sample/sample.txt" "$account"
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
jobs_logged() { { cat "$work/cups/log/page_log" 2>/dev/null || true; } | wc -l; }

# What is done to the queue first | --printer | what the message says | how it is undone
cases=(
  "true||既定のプリンタが決まっていません|lpadmin -d $queue"
  "true|nonexistent|プリンタ「nonexistent」が見つかりません|true"
  "cupsdisable -r 紙づまり $queue|$queue|停止しています（紙づまり）|cupsenable $queue"
  "cupsreject -r 点検中 $queue|$queue|受け付けていません（点検中）|cupsaccept $queue"
  "lpadmin -p $queue -u deny:root|$queue|が印刷を受け付けませんでした|lpadmin -p $queue -u allow:all"
  "export CUPS_SERVER=$work/none.sock|$queue|印刷サービス（CUPS）に接続できませんでした|export CUPS_SERVER=$CUPS_SERVER"
)
for c in "${cases[@]}"; do
  IFS='|' read -r before printer expected after <<<"$c"
  $before
  before_jobs=$(jobs_logged)
  if message=$("$exe" --print ${printer:+--printer "$printer"} "$account" 2>&1); then
    fail "--print succeeded after: $before"
  fi
  grep -qF "$expected" <<<"$message" || fail "after '$before': expected '$expected', got '$message'"
  [ "$(jobs_logged)" = "$before_jobs" ] || fail "after '$before' a job was printed"
  $after
done

# Kind | --printer (none: the default queue) | the job's name
for c in "11|$queue|3年2組 年間元帳" "12||3年2組 年間会計報告"; do
  IFS='|' read -r kind printer name <<<"$c"
  said=$("$exe" --print ${printer:+--printer "$printer"} --kind "$kind" --date 2027-03-20 "$account") \
    || { fail "--print --kind $kind"; continue; }
  id=$(grep -oE 'ジョブ [0-9]+' <<<"$said" | grep -oE '[0-9]+')
  "$exe" --pdf "$work/$kind.pdf" --kind "$kind" --date 2027-03-20 "$account"
  for _ in $(seq 600); do
    printed=$(ls "$work"/cups/out/*-job_"$id".pdf 2>/dev/null || true)
    [ -n "$printed" ] && [ -z "$(lpstat -o "$queue")" ] && break
    sleep 0.1
  done
  [ -n "$printed" ] || { fail "job $id ($name) wrote no file"; continue; }
  logged=$(grep -F -- " $id [" "$work/cups/log/page_log" || true)
  [[ $logged == *" localhost $name A4 "* ]] || fail "job $id is not named '$name': $logged"
  mkdir "$work/pages$kind"
  pdftoppm -q -r 150 -gray "$printed" "$work/pages$kind/queue"
  pdftoppm -q -r 150 -gray "$work/$kind.pdf" "$work/pages$kind/pdf"
  # Glyph edges differ (cups-pdf redraws the fonts); a page is the same when
  # under 0.2 % of its 4×4-pixel cells differ by more than a quarter of black.
  python3 - "$work/pages$kind" <<'PY' || fail "kind $kind: the queue's pages differ from --pdf"
import glob, sys
def cells(path, n=4):
    raw = open(path, 'rb').read().split(maxsplit=4)
    w, h, data = int(raw[1]), int(raw[2]), raw[4]
    return (w, h), [sum(sum(data[y * w + x:y * w + x + n]) for y in range(cy, cy + n)) / n / n
                    for cy in range(0, h - n + 1, n) for x in range(0, w - n + 1, n)]
queue, pdf = (sorted(glob.glob(f'{sys.argv[1]}/{p}-*.pgm')) for p in ('queue', 'pdf'))
print(f'pages: {len(queue)} from the queue, {len(pdf)} from --pdf')
ok = len(queue) == len(pdf) > 0
for q, p in zip(queue, pdf):
    (qs, qc), (ps, pc) = cells(q), cells(p)
    off = sum(abs(a - b) > 64 for a, b in zip(qc, pc))
    print(f'{q}: {qs[0]}×{qs[1]} and {ps[0]}×{ps[1]} pixels, {off} of {len(pc)} cells differ')
    ok = ok and qs == ps and off < len(pc) * 0.002
sys.exit(0 if ok else 1)
PY
done

echo "print service: $failed failed"
[ "$failed" -eq 0 ]
