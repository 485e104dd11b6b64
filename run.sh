#!/usr/bin/env bash
# Installs what is missing, builds ハルモカ and starts it. The arguments go to
# the program unchanged and are read from the caller's folder, so that
# "./run.sh 3年2組.txt" or "../harumoka/run.sh --pdf a.pdf 3年2組.txt" name
# files where the caller is. Build messages go to standard error, leaving
# standard output to the program (--help, --version).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/deps.sh" run >&2
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DHARUMOKA_TESTS=OFF -DHARUMOKA_BENCH=OFF >/dev/null
cmake --build "$here/build" --target harumoka >&2
exec "$here/build/src/harumoka" "$@"
