#!/usr/bin/env bash
# Installs what is missing, builds ハルモカ and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHARUMOKA_TESTS=OFF -DHARUMOKA_BENCH=OFF >/dev/null
cmake --build build --target harumoka
exec ./build/src/harumoka "$@"
