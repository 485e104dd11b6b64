#!/usr/bin/env bash
# The .deb (scripts/package.sh): lintian clean at pedantic, reproducible, Depends, all under /usr; unpacked, it
# runs --help and --pdf, and without IPA fonts prints in Noto Serif CJK JP alone (src/print/fonts.cpp;
# Qt's own fallback took Noto Sans with DejaVu digits). Usage: check_package.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd) work=$(mktemp -d) failed=0
trap 'rm -rf "$work"' EXIT
deb=$("$src/scripts/package.sh" "$1" 2>"$work/log" | tail -n 1) || { tail -n 30 "$work/log"; exit 1; }
lintian -L ">=pedantic" --pedantic "$deb" | tee "$work/lintian" || true
# Reproducible: packed again from the same build, byte for byte the same package.
cp "$deb" "$work/first.deb" && sleep 1 && "$src/scripts/package.sh" "$1" >/dev/null 2>&1
cmp -s "$deb" "$work/first.deb" || { echo "FAIL two packages of one commit differ"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends) && echo "$deb: $(stat -c %s "$deb") bytes, Depends: $depends"
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
! grep -qE '^[EW]: ' "$work/lintian" && [[ $deb == */harumoka_[0-9.]*_amd64.deb ]] || fail "lintian or the name"
# libcups is opened with dlopen, so no tool derives its version: the newest function of the
# program's table, by Debian's symbols file, gives it.
cups=$(grep -oE 'X\([a-zA-Z0-9_]+\)' "$src/src/print/print_service.cpp" | sed 's/X(//; s/)//' | while read -r f; do
  awk -v f="$f@Base" '$1 == f { print $2 }' /var/lib/dpkg/info/libcups2*.symbols; done | sort -V | tail -n 1)
for need in libqt6widgets6 "libcups2 (>= $cups)" "fonts-ipafont-mincho | fonts-noto-cjk" qt6-translations-l10n qt6-qpa-plugins; do
  [[ $depends == *"$need"* ]] || fail "Depends lacks $need"
done
dpkg -x "$deb" "$work/root" && mkdir -m 700 "$work/rt" && [ "$(ls "$work/root")" = usr ] || fail "not all in /usr"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/rt HOME=$work exe=$work/root/usr/bin/harumoka
"$exe" --help | grep -q -- --print || fail "--help"
printf '<fontconfig><dir>%s</dir><dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>%s</cachedir></fontconfig>' \
  "$(dirname "$(fc-list -f '%{file}\n' 'Noto Serif CJK JP' | head -n 1)")" "$work/fc" >"$work/fonts.conf"
FONTCONFIG_FILE=$work/fonts.conf "$exe" --pdf "$work/r.pdf" --kind 12 "$src/docs/sample/sample.txt" || fail "--pdf"
fonts=$(pdffonts "$work/r.pdf" | awk 'NR > 2 { sub(/^[A-Z]+\+/, "", $1); print $1 }' | sort -u | xargs)
[ "$fonts" = NotoSerifCJKjp-Regular ] || fail "fonts without IPA: $fonts"
# The installed program writes nothing into its own tree (so a purge leaves nothing behind):
# exports and a roster read in go where they are asked, settings under $HOME.
cp "$src/docs/sample/sample.txt" "$work/a.txt" && printf '1,山田\n' >"$work/names.csv"
"$exe" --import-roster "$work/names.csv" "$work/a.txt" >/dev/null || fail "--import-roster"
written=$(find "$work/root" -newer "$deb" ! -type d)
[ -z "$written" ] || fail "written into the program's tree: $written"
echo "package: $failed failed" && [ "$failed" -eq 0 ]
