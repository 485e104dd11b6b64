#!/usr/bin/env bash
# The Debian package as a PC admin gets it (scripts/package.sh, in a build of
# its own): lintian at pedantic has no error or warning, Depends names the
# run-time needs, and the program unpacked into a scratch root answers --help
# and writes a PDF, also on a desktop with Noto CJK and no IPA fonts, where the
# stand-ins of src/print/fonts.cpp give Noto Serif CJK JP alone (Qt's own
# fallback took Noto Sans with DejaVu digits). Usage: check_package.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd) work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
deb=$("$src/scripts/package.sh" "$1" 2>"$work/log" | tail -n 1) || { tail -n 30 "$work/log"; exit 1; }
lintian -L ">=pedantic" --pedantic "$deb" | tee "$work/lintian" || true
echo "$deb: $(stat -c %s "$deb") bytes, Depends: $(dpkg-deb -f "$deb" Depends)"
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
! grep -qE '^[EW]: ' "$work/lintian" || fail "lintian has errors or warnings"
[[ $deb == */harumoka_[0-9.]*_amd64.deb ]] || fail "named $deb"
for need in libqt6widgets6 libcups2 "fonts-ipafont-mincho | fonts-noto-cjk" qt6-translations-l10n qt6-qpa-plugins; do
  [[ $(dpkg-deb -f "$deb" Depends) == *"$need"* ]] || fail "Depends lacks $need"
done
dpkg -x "$deb" "$work/root"
[ "$(ls "$work/root")" = usr ] || fail "files outside /usr"
mkdir -m 700 "$work/rt"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/rt HOME=$work exe=$work/root/usr/bin/harumoka
"$exe" --help | grep -q -- --print || fail "--help"
noto=$(dirname "$(fc-list -f '%{file}\n' 'Noto Serif CJK JP' | head -n 1)")
printf '<fontconfig><dir>%s</dir><dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>%s</cachedir></fontconfig>' \
  "$noto" "$work/fc" >"$work/fonts.conf"
FONTCONFIG_FILE=$work/fonts.conf "$exe" --pdf "$work/r.pdf" --kind 12 "$src/docs/sample/sample.txt" || fail "--pdf"
fonts=$(pdffonts "$work/r.pdf" | awk 'NR > 2 { sub(/^[A-Z]+\+/, "", $1); print $1 }' | sort -u | xargs)
[ "$fonts" = NotoSerifCJKjp-Regular ] || fail "fonts without IPA: $fonts"
echo "package: $failed failed"
[ "$failed" -eq 0 ]
