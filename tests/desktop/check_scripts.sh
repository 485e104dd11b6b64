#!/usr/bin/env bash
# ./run.sh, scripts/install.sh and scripts/uninstall.sh as a user runs them: from another folder,
# with account files named relative to it. Builds the program as run.sh does
# (in build/, not the test build), so test.sh runs it before the suite.
set -euo pipefail
export LC_ALL=C.UTF-8
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work=$(mktemp -d)
# The install below replaces build/install_manifest.txt, the list a user
# uninstalls with: keep the user's.
manifest=$src/build/install_manifest.txt
[ -f "$manifest" ] && cp "$manifest" "$work/manifest"
trap '[ -f "$work/manifest" ] && cp "$work/manifest" "$manifest"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$work/学年/3年2組" "$work/out"
cp "$src/docs/sample/sample.txt" "$work/学年/3年2組/会計.txt"

failed=0
check() { # description, then the command; its output is shown on failure
  local what=$1; shift
  if out=$("$@" 2>&1); then echo "ok   $what"; else echo "FAIL $what"; echo "$out" | tail -n 20 | sed 's/^/     /'; failed=$((failed + 1)); fi
}

# Folder to run in | account as given | output as given
cases=(
  '学年/3年2組|会計.txt|元帳.csv'
  '学年|3年2組/会計.txt|../out/元帳.csv'
  'out|../学年/3年2組/会計.txt|元帳.csv'
)
for c in "${cases[@]}"; do
  IFS='|' read -r dir account output <<<"$c"
  rm -f "$work/$dir/$output"
  check "run.sh --csv $output --kind 11 $account (in $dir)" \
    bash -c "cd '$work/$dir' && '$src/run.sh' --csv '$output' --kind 11 '$account' && test -s '$output'"
done
check "run.sh --pdf with a relative account" bash -c \
  "cd '$work/学年' && '$src/run.sh' --pdf 報告.pdf --kind 12 --date 2027-03-20 3年2組/会計.txt && head -c 5 報告.pdf | grep -q '%PDF-'"
# Build messages go to standard error: standard output is the program's.
check "run.sh --version prints the version alone" \
  bash -c "[[ \"\$(cd '$work' && '$src/run.sh' --version 2>/dev/null)\" =~ ^ハルモカ　Ver[0-9.]+\$ ]]"

# The install as the README gives it, into a prefix named relative to the caller.
check "scripts/install.sh prefix" bash -c "cd '$work' && '$src/scripts/install.sh' prefix"
check "installed program writes a PDF from a relative path" bash -c \
  "cd '$work/学年' && ../prefix/bin/harumoka --pdf 年間.pdf --kind 11 3年2組/会計.txt && test -s 年間.pdf"
check "install refreshed the MIME database" test -s "$work/prefix/share/mime/mime.cache"
check "scripts/uninstall.sh prefix" bash -c "cd '$work' && '$src/scripts/uninstall.sh' prefix"
check "uninstall left no file, cache or empty folder" bash -c "[ -z \"\$(find '$work/prefix' -mindepth 1 ! -name bin ! -name share)\" ]"

echo "run.sh and install.sh: $failed failed"
[ "$failed" -eq 0 ]
