#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [build-dir] [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-20}

# shellcheck source=scripts/build-flags.sh
. scripts/build-flags.sh
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DNETROV_FUZZ=ON -DNETROV_BUILD_TESTS=OFF -DNETROV_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build "$build" -j "$(nproc)" --target fuzzers
shopt -s nullglob
# The targets run side by side, one per processor: each is single-threaded,
# so the checks take the same fuzzing time in a fraction of the wall time.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
run_one() {  # fuzzer
  local fuzzer=$1 name work status=0
  name=$(basename "$fuzzer"); name=${name#fuzz_}
  work=$(mktemp -d)
  "$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$work" "fuzz/corpus/$name" \
    > "$logs/$name.log" 2>&1 || status=$?
  rm -rf "$work"
  # One write per target, so the lines of two targets never interleave.
  printf 'fuzzed %s for %ss:\n%s\n' "$name" "$seconds" "$(tail -n 3 "$logs/$name.log")"
  if ((status != 0)); then
    echo "fuzz_$name failed (exit $status):" >&2
    tail -n 60 "$logs/$name.log" >&2
    touch "$logs/$name.failed"
  fi
}
for fuzzer in "$build"/fuzz/fuzz_*; do
  while (($(jobs -rp | wc -l) >= $(nproc))); do wait -n || true; done
  run_one "$fuzzer" &
done
wait
failures=("$logs"/*.failed)
((${#failures[@]} == 0))
