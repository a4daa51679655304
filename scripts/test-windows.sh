#!/usr/bin/env bash
# Runs the tests of a Windows build made by scripts/build-windows.sh: under
# Wine when it starts the build's programs, else only the checks that need no
# Windows to run (export tables and record layouts). --abi runs only those.
#   scripts/test-windows.sh BUILD-DIR [--abi]
#
# As root the whole run happens in a private network namespace with loopback
# only. Wine opens its programs' sockets in its server process, so the server
# must start inside that namespace: one left from before is stopped first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: scripts/test-windows.sh BUILD-DIR [--abi]}")
abi_only=${2:-}
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-netrov}"

if [ -z "${NETROV_ISOLATED:-}" ] && [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n env NETROV_ISOLATED=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$build" ${abi_only:+"$abi_only"}
fi
wineserver -k 2>/dev/null || true
cli=$build/netrov/netrov-cli.exe

# A 32-bit program needs Wine's i386 half (wine32 with dpkg's i386
# architecture); say so rather than show Wine's own complaint.
if [ "$abi_only" = --abi ]; then
  status=0
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 -R '^abi\.' || status=$?
  wineserver -k 2>/dev/null || true
  exit "$status"
fi
reason=
complaint=$(mktemp)
trap 'rm -f "$complaint"; wineserver -k 2>/dev/null || true' EXIT
# The first start also makes the Wine prefix, which takes a while.
if ! started=$(timeout 300 scripts/wine-run.sh "$cli" --version 2>"$complaint") || [[ $started != netrov-cli* ]]; then
  if file -b "$cli" | grep -q 'Intel 80386' && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
    reason="the i386 wine32 package is not installed, so Wine cannot run 32-bit programs"
  else
    reason="Wine cannot start $cli: $(tail -n 3 "$complaint")"
  fi
fi

if [ -z "$reason" ]; then
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
else
  echo "test-windows: SKIPPED the tests that run Windows programs: $reason"
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 -R '^abi\.'
fi
