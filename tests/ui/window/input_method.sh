#!/usr/bin/env bash
# Usage: input_method.sh PROGRAM. With a real Japanese input method on (own Xvfb and D-Bus session, fcitx5,
# Anthy, Qt's fcitx front end), an amount and a date typed into a new income are saved as typed.
set -euo pipefail
export S=$(mktemp -d) PROGRAM=$1
export HOME=$S XDG_CONFIG_HOME=$S/config XDG_DATA_HOME=$S/data XDG_RUNTIME_DIR=$S/run
trap 'kill $xvfb; wait $xvfb; rm -rf "$S"' EXIT
mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_DATA_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=anthy' '[Groups/0/Items/0]' \
  'Name=keyboard-us' '[Groups/0/Items/1]' 'Name=anthy' '[GroupOrder]' '0=Default' >"$XDG_CONFIG_HOME/fcitx5/profile"
printf 'iMekalu135\r\nFalse\r\nIM\r\n\r\n\r\n' >"$S/a.txt"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$S/display" 2>/dev/null & xvfb=$!
until [ -s "$S/display" ]; do sleep 0.1; done
DISPLAY=:$(cat "$S/display") dbus-run-session -- bash -c '
  fcitx5 --disable=wayland,waylandim,kimpanel,notificationitem,notifications,classicui >/dev/null 2>&1 &
  fcitx=$! app=
  trap "kill \$app \$fcitx; wait \$app \$fcitx" EXIT
  wait_for() { until eval "$1" || [ $SECONDS -gt 60 ]; do sleep 0.2; done; }
  wait_for "dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 | grep -q true"
  QT_QPA_PLATFORM=xcb QT_IM_MODULE=fcitx "$PROGRAM" "$S/a.txt" >/dev/null 2>&1 & app=$!
  xdotool windowfocus --sync "$(xdotool search --sync --pid $app | head -1)"
  xdotool key --delay 80 Right Tab Return Tab   # the income sheet, its grid, a new entry, its article
  wait_for "[ \$(fcitx5-remote) = 1 ]"          # the article box has its input context: switched on
  wait_for "fcitx5-remote -o; [ \$(fcitx5-remote) = 2 ]"
  [ "$(fcitx5-remote)" = 2 ] || { echo "the input method is not on" >&2; exit 1; }
  xdotool key --delay 80 Tab Tab Tab Tab 1 2 0 0 Return   # the amount: 1200
  xdotool key --delay 80 Left Left Left Left Left Return 2 0 2 6 0 6 0 6 Return ctrl+s   # the date; saved
  wait_for "iconv -f CP932 $S/a.txt | grep -q 2026/06/06"
  got=$(iconv -f CP932 "$S/a.txt" | tr -d "\r" | sed -n "6,13p" | paste -sd "|")
  [ "$got" = "True|2026/06/06| 30||| 0| 0| 1200" ] || { echo "saved: $got" >&2; exit 1; }
'
