#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [build-dir] [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-20}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNETROV_FUZZ=ON -DNETROV_BUILD_TESTS=OFF -DNETROV_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target fuzzers
shopt -s nullglob
for fuzzer in "$build"/fuzz/fuzz_*; do
  name=$(basename "$fuzzer"); name=${name#fuzz_}
  corpus="fuzz/corpus/$name"
  work=$(mktemp -d)
  echo "fuzzing $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$work" "$corpus" 2>&1 | tail -n 3
  rm -rf "$work"
done
