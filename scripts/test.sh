#!/usr/bin/env bash
# Sets everything up, builds and runs every test.
#   scripts/test.sh [--build-only | --test-only] [build-dir]
# CI times the build and the tests apart with the two options.
set -euo pipefail
cd "$(dirname "$0")/.."
steps=both
build=build
while (($#)); do
  case "$1" in
    --build-only) steps="build" ;;
    --test-only) steps="test" ;;
    -*) echo "test: unknown option $1" >&2; exit 2 ;;
    *) build=$1 ;;
  esac
  shift
done

if [ "$steps" != test ]; then
  scripts/setup.sh
  # shellcheck source=scripts/build-flags.sh
  . scripts/build-flags.sh
  cmake -S . -B "$build" "${test_build[@]}"
  cmake --build "$build" -j "$(nproc)"
fi
if [ "$steps" != build ]; then
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
fi
