#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan) in
# build-fuzz and runs each for SECONDS seconds, all at the same time.
# Usage: scripts/fuzz.sh SECONDS [TARGET...]   (targets: account settings)
# Inputs that found a fault are left in build-fuzz/artifacts/; put each into
# tests/storage/regressions/ once it is fixed. Exits 1 when any was found.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?"usage: scripts/fuzz.sh SECONDS [account] [settings]"}
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(account settings)

for tool in clang clang++; do
  command -v $tool >/dev/null || { echo "$tool is missing: apt-get install clang libclang-rt-14-dev" >&2; exit 2; }
done

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHARUMOKA_FUZZ=ON -DHARUMOKA_TESTS=OFF -DHARUMOKA_BENCH=OFF -DHARUMOKA_TOOLS=OFF >/dev/null
names=()
for t in "${targets[@]}"; do names+=("fuzz_${t}_file"); done
cmake --build $build --target "${names[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p $build/artifacts
pids=()
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  # The seeds are copied so that the checked-in corpus stays small.
  cp tests/fuzz/corpus/$t/* "$corpus"/
  # -timeout: one input taking seconds is a hang; -rss_limit_mb: a reader
  # must not need more than this for any input, the 16 MB size limit included.
  $build/tests/fuzz/fuzz_${t}_file "$corpus" -dict=tests/fuzz/$t.dict \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=16384 \
    -artifact_prefix=$build/artifacts/$t- -print_final_stats=1 \
    >$build/fuzz_$t.log 2>&1 &
  pids+=($!)
done
status=0
for p in "${pids[@]}"; do wait "$p" || status=1; done

for t in "${targets[@]}"; do
  log=$build/fuzz_$t.log
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  secs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | grep -o 'in [0-9]*' | grep -o '[0-9]*' || echo "?")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  echo "$t: $runs executions in $secs s, coverage $cov edges, corpus $(ls $build/corpus/$t | wc -l) inputs (log: $log)"
done
found=$(ls $build/artifacts 2>/dev/null | grep -c . || true)
echo "inputs that found a fault: $found (in $build/artifacts)"
[ "$found" -gt 0 ] && status=1
exit $status
