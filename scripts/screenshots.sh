#!/usr/bin/env bash
# Retakes every picture of the guides from the program as it is now:
#   docs/screenshots/*.png  the real window under Xvfb (a 1600×1200 screen, no
#                           window manager), driven by tools/screenshots.cpp:
#                           the sheets, the detail window, the 集金 window, the 編集 menu,
#                           バージョン情報, the read-only notice, the recovery
#                           question, the next year; GTK's dark theme (Adwaita:dark
#                           through Qt's gtk3 platform theme); scale 2
#   docs/printouts/*.png    the first term's ledger, the year's report, the collections' checklist and
#                           reminders by --pdf, at 70 dpi
# from docs/sample/sample.txt, in a private home (no settings of the user's).
# Builds what it needs in BUILD_DIR (build-screenshots unless given; a few
# minutes the first time).
# Usage: scripts/screenshots.sh [BUILD_DIR]   then look at the pictures and commit them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-screenshots}
"$root/scripts/deps.sh" screenshots
cmake -S "$root" -B "$build" -G Ninja -DHARUMOKA_TOOLS=ON >/dev/null
cmake --build "$build" --target harumoka harumoka_screenshots
tool=$build/tools/harumoka_screenshots
shots=$root/docs/screenshots

work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A display nobody uses: Xvfb exits at once when the number is taken.
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  kill -0 "$xvfb" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ] && break
  xvfb=
done
[ -n "$xvfb" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
export DISPLAY=:$n HOME=$work XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state \
       XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_QPA_PLATFORMTHEME GTK_THEME

# Each run gets a fresh copy of the sample named as a teacher would name it.
fresh() {
  mkdir -p "$work/$1"
  cp "$root/docs/sample/sample.txt" "$work/$1/3年2組.txt"
  cp "$root/docs/sample/sample.harumoka" "$work/$1/3年2組.harumoka" # the roster and who has paid
  echo "$work/$1/3年2組.txt"
}
account=$(fresh window)
"$tool" leave-recovery "$account"
"$tool" window "$account" "$shots"
QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark "$tool" dark "$(fresh dark)" "$shots"
QT_SCALE_FACTOR=2 "$tool" scale2 "$(fresh scale2)" "$shots"

# The printouts as paper shows them, the sample's year at its end.
for c in "1 ledger" "12 report" "13 checklist" "14 reminders"; do
  set -- $c
  QT_QPA_PLATFORM=offscreen "$build/src/harumoka" --pdf "$work/$2.pdf" --kind "$1" --date 2027-03-20 \
    "$(fresh print)"
  pdftoppm -q -r 70 -png -singlefile "$work/$2.pdf" "$root/docs/printouts/$2"
done
ls -l "$shots" "$root/docs/printouts"
