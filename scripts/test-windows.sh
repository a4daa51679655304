#!/usr/bin/env bash
# Runs the tests of a Windows build made by scripts/build-windows.sh: under
# Wine when it starts the build's programs, else only the checks that need no
# Windows to run (export tables and record layouts). As on Linux, the tests
# run in a private network namespace when they can.
#   scripts/test-windows.sh BUILD-DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: scripts/test-windows.sh BUILD-DIR}")
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-netrov}"
cli=$build/netrov/netrov-cli.exe

isolate=()
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  isolate=(unshare -n sh -c 'ip link set lo up && exec "$@"' sh)
fi

# A 32-bit program needs Wine's i386 half (wine32 with dpkg's i386
# architecture); say so rather than show Wine's own complaint.
reason=
if ! started=$(scripts/wine-run.sh "$cli" --version 2>&1) || [[ $started != netrov-cli* ]]; then
  if file -b "$cli" | grep -q 'Intel 80386' && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
    reason="the i386 wine32 package is not installed, so Wine cannot run 32-bit programs"
  else
    reason="Wine cannot start $cli: $(printf '%s' "$started" | tail -n 3)"
  fi
fi

if [ -z "$reason" ]; then
  "${isolate[@]}" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
else
  echo "test-windows: SKIPPED the tests that run Windows programs: $reason"
  "${isolate[@]}" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 -R '^abi\.'
fi
