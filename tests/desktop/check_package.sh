#!/usr/bin/env bash
# The Debian package as a PC admin gets it: scripts/package.sh builds it in a
# build of its own (Debian's hardening flags, /usr), lintian at pedantic finds
# no error and no warning, Depends names what the program needs at run time,
# and the program unpacked into a scratch root answers --help and writes a PDF.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
export LC_ALL=C.UTF-8
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
deb=$("$src/scripts/package.sh" "$1" 2>"$work/build.log" | tail -n 1) || { tail -n 30 "$work/build.log"; exit 1; }
echo "package: $deb ($(stat -c %s "$deb") bytes)"
failed=0
check() { # description, then the command; its output is shown on failure
  local what=$1; shift
  if out=$("$@" 2>&1); then echo "ok   $what"; else echo "FAIL $what"; echo "$out" | sed 's/^/     /'; failed=$((failed + 1)); fi
}

lintian -L ">=pedantic" --pedantic "$deb" >"$work/lintian.txt" 2>&1 || true
sed 's/^/     lintian: /' "$work/lintian.txt"
check "lintian: no error, no warning" bash -c "! grep -E '^[EW]: ' '$work/lintian.txt'"
check "named harumoka_<version>_amd64.deb" bash -c "[[ '$(basename "$deb")' =~ ^harumoka_[0-9.]+_amd64\.deb$ ]]"
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libcups2 "fonts-ipafont-mincho | fonts-noto-cjk" \
            "fonts-ipafont-gothic | fonts-noto-cjk" qt6-translations-l10n qt6-qpa-plugins; do
  check "Depends names $need" grep -qF "$need" <<<"$depends"
done

root=$work/root
dpkg -x "$deb" "$root"
check "everything under /usr" bash -c "[ \"\$(ls '$root')\" = usr ]"
check "menu entry runs harumoka from PATH" grep -qx 'Exec=harumoka %f' "$root/usr/share/applications/io.github.harumoka.Harumoka.desktop"
mkdir -m 700 "$work/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime HOME=$work
check "unpacked program answers --help" bash -c "'$root/usr/bin/harumoka' --help | grep -q -- '--print'"
check "unpacked program writes a PDF" bash -c "'$root/usr/bin/harumoka' --pdf '$work/r.pdf' --kind 12 \
  '$src/docs/sample/sample.txt' && head -c 5 '$work/r.pdf' | grep -q '%PDF-'"

echo "package: $failed failed"
[ "$failed" -eq 0 ]
