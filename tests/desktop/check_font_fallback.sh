#!/usr/bin/env bash
# A desktop without the IPA Mincho fonts: the printouts take the next
# stand-in of the table in src/print/fonts.cpp (here IPAGothic, the only
# Japanese font left) for every character, not fontconfig's general fallback
# (DejaVu or DroidSansFallback digits among Japanese text).
# Usage: check_font_fallback.sh HARUMOKA
set -euo pipefail
exe=$1
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gothic=$(fc-list -f '%{file}\n' IPAGothic | head -n 1)
[ -n "$gothic" ] || { echo "IPAGothic is missing: scripts/deps.sh test"; exit 1; }
cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$(dirname "$gothic")</dir>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$work/cache</cachedir>
</fontconfig>
CONF
mkdir -m 700 "$work/runtime"
FONTCONFIG_FILE=$work/fonts.conf QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime HOME=$work \
  ASAN_OPTIONS=detect_leaks=0 "$exe" --pdf "$work/report.pdf" --kind 12 --date 2027-03-20 "$src/docs/sample/sample.txt"
fonts=$(pdffonts "$work/report.pdf" | tail -n +3 | awk '{ sub(/^[A-Z]+\+/, "", $1); print $1 }' | sort -u | xargs)
echo "fonts in the report: $fonts"
[ "$fonts" = IPAGothic ]
