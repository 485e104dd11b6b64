#!/usr/bin/env bash
# Usage: accessible_names.sh PROGRAM ACCOUNT. What a screen reader gets, read from the AT-SPI tree of
# the real program (own Xvfb, D-Bus session and accessibility bus): the drop-downs by their labels,
# the sheet tabs without a leading space, an open cell editor by its column, the detail window a dialog.
set -euo pipefail
S=$(mktemp -d); export HOME=$S XDG_CONFIG_HOME=$S/config XDG_RUNTIME_DIR=$S/run PROGRAM=$1
mkdir -m 700 "$S/run" && cp "$2" "$S/a.txt"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$S/display" 2>/dev/null & xvfb=$!
trap 'kill $xvfb; wait $xvfb; rm -rf "$S"' EXIT
until [ -s "$S/display" ]; do sleep 0.1; done
DISPLAY=:$(cat "$S/display") dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & bus=$!
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$PROGRAM" "$HOME/a.txt" >/dev/null 2>&1 & app=$!
  trap "kill \$app \$bus; wait \$app \$bus" EXIT
  xdotool search --sync --pid $app >/dev/null
  /usr/bin/python3 - <<PY
import pyatspi, subprocess, sys, time
def found(pred, acc=None, what=""):
    end = time.monotonic() + 10
    while time.monotonic() < end:
        hit = look(pred, acc or next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "ハルモカ"), None))
        if hit: return hit
        time.sleep(0.2)
    sys.exit("not in the AT-SPI tree: " + what)
def look(pred, acc):
    if acc is None or pred(acc): return acc
    for c in acc:
        if c and c.getRoleName() not in ("table cell", "list item", "table row header", "table column header"):
            hit = look(pred, c)
            if hit: return hit
def click(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(e.x + e.width // 2), str(e.y + e.height // 2), "click", "1"])
def named(role, name):
    return lambda a: a.getRoleName() == role and a.name == name
for label in ("年度", "学年", "学級", "報告相手の名称"):
    found(named("combo box", label), what=label)
click(found(named("page tab", "収入元帳")))
table = found(named("table", "収入元帳"))
time.sleep(0.5); click(table.queryTable().getAccessibleAt(0, 2))
found(lambda a: a.getRoleName() == "combo box" and a.getState().contains(pyatspi.STATE_FOCUSED) and a.name == "項目", what="項目")
click(found(named("page tab", "支出元帳")))
time.sleep(0.5); click(found(named("table", "支出元帳")).queryTable().getAccessibleAt(0, 6))
time.sleep(0.5); click(found(lambda a: a.name == "明細の編集" and a.getState().contains(pyatspi.STATE_SHOWING)))
found(named("dialog", "明細書"), pyatspi.Registry.getDesktop(0), "明細書")
PY
'
