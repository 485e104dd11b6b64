#!/usr/bin/env bash
# Runs a test program in a real window with a real Japanese input method: its
# own Xvfb, its own D-Bus session and fcitx5 with Anthy (Qt's fcitx front
# end). Everything started here is stopped by its process id at the end.
# Usage: with_input_method.sh PROGRAM [ARGS...]
set -euo pipefail
scratch=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# The input method's settings: Anthy in the only group, off at first.
mkdir -p "$scratch/config/fcitx5" "$scratch/runtime"
chmod 700 "$scratch/runtime"
cat > "$scratch/config/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=anthy

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=anthy
Layout=

[GroupOrder]
0=Default
PROFILE

Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }

export DISPLAY=:$(cat "$scratch/display") XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime"
export SCRATCH="$scratch"
dbus-run-session -- bash -c '
  set -u
  fcitx5 --disable=wayland,waylandim,kimpanel,notificationitem,notifications,classicui >"$SCRATCH/fcitx5.log" 2>&1 &
  fcitx=$!
  owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
      string:org.fcitx.Fcitx5 2>/dev/null | grep -q "boolean true"
  }
  for _ in $(seq 100); do owned && break; sleep 0.1; done
  if ! owned; then echo "fcitx5 did not start" >&2; cat "$SCRATCH/fcitx5.log" >&2; kill $fcitx; exit 1; fi
  QT_QPA_PLATFORM=xcb QT_IM_MODULE=fcitx "$@"
  rc=$?
  kill $fcitx 2>/dev/null
  wait $fcitx 2>/dev/null
  [ $rc -eq 0 ] || { echo "--- fcitx5 log" >&2; tail -20 "$SCRATCH/fcitx5.log" >&2; }
  exit $rc
' with_input_method "$@"
