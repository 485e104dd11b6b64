#!/usr/bin/env bash
# Screenshots of the real window under Xvfb for the README:
#   docs/screenshots/dark-expense.png  the expense sheet under GTK's dark theme
#                                      (Adwaita:dark through Qt's gtk3 platform theme)
#   docs/screenshots/scale2.png        the whole 1600×1200 screen at QT_SCALE_FACTOR=2,
#                                      the income sheet
# Usage: scripts/xvfb_screenshots.sh [BUILD_DIR]   (default: build; the program must be built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
exe=$build/src/harumoka
[ -x "$exe" ] || { echo "build the program first: $exe is missing" >&2; exit 1; }
"$root/scripts/deps.sh" screenshots

work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
sleep 2

# A private home: no settings of the user's, no window placement from before.
export DISPLAY=$display HOME=$work XDG_CONFIG_HOME=$work/config ASAN_OPTIONS=detect_leaks=0
account="$work/3年2組.txt"
cp "$root/docs/sample/sample.txt" "$account"

# shot NAME TAB_X TAB_Y ENV...: starts the program, clicks the tab at (x, y)
# of the window (logical pixels times the scale), saves the picture.
shot() {
  local name=$1 x=$2 y=$3 target=$4
  shift 4
  env "$@" "$exe" "$account" >/dev/null 2>&1 &
  app=$!
  local window=
  for _ in $(seq 50); do
    window=$(xdotool search --name "ハルモカ" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
  sleep 2
  xdotool mousemove --window "$window" "$x" "$y" click 1
  sleep 1
  if [ "$target" = screen ]; then
    import -window root "$root/docs/screenshots/$name"
  else
    import -window "$window" "$root/docs/screenshots/$name"
  fi
  kill "$app"
  wait "$app" 2>/dev/null || true
  app=
}

# The tabs at scale 1: the income sheet's at about (120, 68), the expense sheet's at (240, 68).
shot dark-expense.png 240 68 window QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
shot scale2.png 240 136 screen QT_SCALE_FACTOR=2
echo "written: docs/screenshots/dark-expense.png docs/screenshots/scale2.png"
