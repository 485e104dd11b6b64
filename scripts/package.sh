#!/usr/bin/env bash
# Builds the Debian package harumoka_<version>_amd64.deb with CPack from the
# project's install rules: the program built with Debian's hardening flags
# (dpkg-buildflags, as debhelper passes them), installed under /usr, stripped.
# Prints the package's path as its last line.
# Usage: scripts/package.sh [BUILD_DIR]   (default: build-package)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-package}
"$root/scripts/deps.sh" package >&2
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Reproducible: the package's times are the commit's (a tree without git: the changelog's).
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || stat -c %Y "$root/dist/changelog")
export SOURCE_DATE_EPOCH
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
# The sources' and the build's folders out of the debug information, whose
# hash is the program's build ID: another build folder gives the same program.
mkdir -p "$build" && build=$(cd "$build" && pwd)
cxxflags="$cxxflags -ffile-prefix-map=$root=. -ffile-prefix-map=$build=."
ldflags=$(dpkg-buildflags --get LDFLAGS)
# Build type None: the flags are exactly Debian's (-O2 -g and the hardening).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
      -DHARUMOKA_TESTS=OFF -DHARUMOKA_BENCH=OFF -DHARUMOKA_TOOLS=OFF -DHARUMOKA_SANITIZE=OFF >&2
cmake --build "$build" >&2
version=$(sed -n 's/^project(harumoka VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb=$build/harumoka_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >&2)
[ -f "$deb" ] || { echo "cpack did not write $deb" >&2; exit 1; }
echo "$deb"
