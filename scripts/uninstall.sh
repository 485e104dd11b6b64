#!/usr/bin/env bash
# Removes ハルモカ from where scripts/install.sh (or "cmake --install") put it,
# ~/.local unless another prefix is given, without the build folder: the
# program, its menu entry, icons, MIME type, manual pages, metadata, copyright
# and changelog. Then refreshes the desktop's databases under the prefix (and
# removes those that have nothing left to list) and the folders that are left
# empty. Account files, Mekalu.ini and ~/.config/ハルモカ stay.
# The Debian package is removed with "sudo apt remove harumoka" instead.
# Usage: scripts/uninstall.sh [PREFIX]
set -euo pipefail
prefix=${1:-$HOME/.local}
[ -d "$prefix" ] || { echo "$prefix がありません。" >&2; exit 1; }
prefix=$(cd "$prefix" && pwd)
id=io.github.harumoka.Harumoka
hicolor=share/icons/hicolor
# What the install rules in CMakeLists.txt install, and what older versions
# installed (uncompressed manual pages, LICENSE). tests/desktop/check_scripts.sh
# checks that nothing of an install is left.
files=(bin/harumoka "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
       $hicolor/scalable/apps/harumoka.svg $hicolor/256x256/apps/harumoka.png $hicolor/48x48/apps/harumoka.png
       share/mime/packages/harumoka.xml share/man/man1/harumoka.1.gz share/man/ja/man1/harumoka.1.gz
       share/doc/harumoka/copyright share/doc/harumoka/changelog.gz
       share/man/man1/harumoka.1 share/man/ja/man1/harumoka.1 share/doc/harumoka/LICENSE)
removed=()
for f in "${files[@]}"; do
  if [ -e "$prefix/$f" ] || [ -L "$prefix/$f" ]; then
    rm -f "$prefix/$f"
    removed+=("$f")
  fi
done
[ ${#removed[@]} -gt 0 ] || { echo "$prefix にハルモカは入っていません。" >&2; exit 1; }

# The desktop's databases: rebuilt while something is left to list, else
# their generated files go (everything in share/mime but packages/ is one).
run() { if command -v "$1" >/dev/null; then "$@"; else echo "$1 がないため更新していません。" >&2; fi; }
mime=$prefix/share/mime
if [ -d "$mime" ]; then
  if ls "$mime"/packages/*.xml >/dev/null 2>&1; then run update-mime-database "$mime"
  else find "$mime" -mindepth 1 -maxdepth 1 ! -name packages -exec rm -rf {} +; fi
fi
apps=$prefix/share/applications
if [ -d "$apps" ]; then
  if ls "$apps"/*.desktop >/dev/null 2>&1; then run update-desktop-database -q "$apps"
  else rm -f "$apps/mimeinfo.cache"; fi
fi
icons=$prefix/$hicolor
if [ -d "$icons" ]; then
  if [ -n "$(find "$icons" -type f ! -name icon-theme.cache)" ]; then run gtk-update-icon-cache -q -t -f "$icons"
  else rm -f "$icons/icon-theme.cache"; fi
fi

# Empty folders on the way up from each file, below share/ (bin/ stays: a
# desktop puts ~/.local/bin on PATH only while it exists).
for f in "${removed[@]}"; do
  d=$(dirname "$prefix/$f")
  while [ "$d" != "$prefix" ] && [ "$d" != "$prefix/share" ] && [ "$d" != "$prefix/bin" ] \
        && rmdir "$d" 2>/dev/null; do
    d=$(dirname "$d")
  done
done
echo "ハルモカを $prefix から取り除きました。会計のファイルと設定は残っています。"
[ -f "$prefix/bin/Mekalu.ini" ] && echo "入力した項目名は $prefix/bin/Mekalu.ini に残っています。"
exit 0
