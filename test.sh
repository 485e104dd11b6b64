#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UBSan
# (warnings are errors under CI), checks ./run.sh and scripts/install.sh and
# runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHARUMOKA_SANITIZE=ON \
      -DHARUMOKA_WERROR=$werror -DHARUMOKA_TESTS=ON -DHARUMOKA_BENCH=ON -DHARUMOKA_TOOLS=ON >/dev/null
cmake --build build-test
# ./run.sh and scripts/install.sh from another folder (they build build/).
tests/desktop/check_scripts.sh
cd build-test
ctest --output-on-failure -j2
