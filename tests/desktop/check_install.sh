#!/usr/bin/env bash
# Installs a build into a temporary prefix with "cmake --install" and checks
# it as a desktop sees it: how GIO and xdg-mime type account files and other
# text files, which application opens them, the manual pages and the
# AppStream metadata. Usage: check_install.sh BUILD_DIR
set -euo pipefail
export LC_ALL=C.UTF-8
build=$1
id=io.github.harumoka.Harumoka
account=application/x-harumoka-account

for tool in gio xdg-mime mimetype desktop-file-validate appstreamcli groff man \
            update-mime-database update-desktop-database; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/deps.sh test"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
# A desktop session of its own: the prefix is the user's data folder; below
# it a text editor for text/plain and the system's MIME database; no
# preferences of the user (no mimeapps.list).
system=$work/system
mkdir -p "$system/applications"
printf '[Desktop Entry]\nType=Application\nName=Editor\nExec=true %%f\nMimeType=text/plain;\n' \
  >"$system/applications/editor.desktop"
update-desktop-database "$system/applications"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$prefix/share XDG_DATA_DIRS=$system:/usr/share
export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

failed=0
check() { # description, then the command; the command's output is shown on failure
  local what=$1; shift
  if out=$("$@" 2>&1); then echo "ok   $what"; else echo "FAIL $what"; echo "$out" | sed 's/^/     /'; failed=$((failed + 1)); fi
}
expect() { # description, expected, actual
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected '$2', got '$3'"; failed=$((failed + 1)); fi
}

# The install refreshed the databases itself.
check "install refreshed the MIME database" test -s "$prefix/share/mime/mime.cache"
check "install refreshed the desktop database" grep -q "^$account=$id.desktop" "$prefix/share/applications/mimeinfo.cache"

# File name | bytes (printf) | type. Accounts are code page 932 with CR LF.
cases=(
  '3年2組.txt|iMekalu135\r\nTrue\r\n\x8e\x73\x97\xa7\x8f\xac\x8a\x77\x8d\x5a\r\n|account'
  '3年2組の会計|iMekalu135\r\nTrue\r\n|account'
  'KAIKEI.TXT|iMekalu135\r\nFalse\r\n|account'
  '2019年度.txt|iMekalu120\r\nTrue\r\n|account'
  '平成.txt|Mekalu\r\nTrue\r\n|account'
  'メモ.txt|\xe4\xbc\x9a\xe8\xa8\x88\xe3\x81\xae\xe3\x83\xa1\xe3\x83\xa2\n|text/plain'
  'sjis.txt|\x89\xef\x8c\x76\x82\xcc\x83\x81\x83\x82\r\n|text/plain'
  'utf16.txt|\xff\xfe\x22\x4f\x08\x8a\r\x00\n\x00|text/plain'
  'notes.txt|# iMekalu135 files\n|text/plain'
  'empty.txt||text/plain'
  'memo|Mekal\n|text/plain'
)
mkdir -p "$work/files"
for c in "${cases[@]}"; do
  IFS='|' read -r name bytes type <<<"$c"
  [ "$type" = account ] && type=$account
  f=$work/files/$name
  printf "$bytes" >"$f"
  expect "gio info: $name" "$type" "$(gio info "$f" | sed -n 's/^ *standard::content-type: //p')"
  # xdg-mime asks gio on GNOME and the shared-mime-info Perl module (mimetype)
  # on a desktop it does not know.
  expect "xdg-mime (GNOME): $name" "$type" "$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$f")"
  expect "xdg-mime (other): $name" "$type" "$(XDG_CURRENT_DESKTOP=X-Generic xdg-mime query filetype "$f")"
done

# The entry opens accounts and nothing else: with no default text editor set,
# it must not become the one for every .txt.
check "gio: default for accounts" bash -c "gio mime '$account' | head -n 1 | grep -q ': $id.desktop\$'"
check "gio: not offered for text/plain" bash -c "! gio mime text/plain | grep -F '$id'"
expect "xdg-mime: default for accounts" "$id.desktop" "$(XDG_CURRENT_DESKTOP=X-Generic xdg-mime query default "$account")"
check "xdg-mime: not the default for text/plain" \
  bash -c "[ \"\$(XDG_CURRENT_DESKTOP=X-Generic xdg-mime query default text/plain)\" != '$id.desktop' ]"
check "desktop entry valid" desktop-file-validate "$prefix/share/applications/$id.desktop"
check "desktop entry runs the installed program" grep -qx "Exec=$prefix/bin/harumoka %f" \
  "$prefix/share/applications/$id.desktop"

# AppStream: the file alone, and together with the entry it launches.
check "metainfo valid" appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
check "metainfo and desktop entry agree" appstreamcli validate-tree --no-net "$prefix"

# Manual pages: found by man once the program is on PATH (man looks beside
# PATH's bin folders), formatted without a warning, naming every option that
# --help lists.
unset MANPATH
export PATH=$prefix/bin:$PATH MANWIDTH=100
expect "man finds the English page" "$prefix/share/man/man1/harumoka.1.gz" "$(man -w harumoka)"
expect "man -L ja finds the Japanese page" "$prefix/share/man/ja/man1/harumoka.1.gz" "$(man -L ja -w harumoka)"
options=$("$prefix/bin/harumoka" --help | grep -oE '^ +-[-a-z, ]+' | grep -oE -- '--?[a-z-]+')
check "--help lists the options (ten today)" test "$(wc -w <<<"$options")" -ge 10
for page in man1/harumoka.1.gz ja/man1/harumoka.1.gz; do
  f=$prefix/share/man/$page
  check "groff -ww: $page" bash -c "[ -z \"\$(zcat '$f' | groff -k -man -Tutf8 -ww -z 2>&1)\" ]"
  check "man --warnings: $page" bash -c "[ -z \"\$(man --warnings -l '$f' 2>&1 >/dev/null)\" ]"
  text=$(man -l "$f")
  for o in $options; do
    grep -qe "$o\b" <<<"$text" || { echo "FAIL $page does not name $o"; failed=$((failed + 1)); }
  done
done
check "copyright installed" grep -q "^Copyright: 2026 ハルモカの開発者" "$prefix/share/doc/harumoka/copyright"

echo "desktop install: $failed failed"
[ "$failed" -eq 0 ]
