#!/usr/bin/env bash
# netrov-cli.exe under Wine, on a virtual LAN of simulated printers: a search
# with its default broadcast, from a private namespace, finds each printer
# exactly once. This is what reads the Windows adapter table
# (GetAdaptersAddresses) and broadcasts through Windows Sockets.
#   broadcast_test.sh SOURCE_DIR CLI_EXE PREFIX_DIR
# Wine opens a program's sockets in its server process, so the server must
# start inside the client's namespace: the test has a Wine prefix of its own
# (PREFIX_DIR) that no other program uses, and stops its server at the end.
set -euo pipefail
source_dir=$1
cli=$2
export WINEPREFIX=$3

[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: network namespaces need root"; exit 77; }
command -v snmpsimd >/dev/null || { echo "SKIPPED: snmpsimd is not installed (Debian package snmpsim)"; exit 77; }
# A server left by an earlier run (in that run's namespace) is stopped, and
# waited for, before anything of this run starts one.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

as_root=()
# shellcheck source=../../scripts/netns_lan.sh
source "$source_dir/scripts/netns_lan.sh"
community=wine$$
lan_begin "nrw$$" 198.51.100 "$community" "$source_dir"
lan_printer colour_laser 1
lan_printer mono_laser 2
lan_wait 2

in_client() { ip netns exec "$client_ns" "$source_dir/scripts/wine-run.sh" "$cli" "$@"; }
# Every Wine program of this prefix starts in the client's namespace, the
# first one (which also makes the prefix) included.
if ! in_client --version >/dev/null 2>&1; then
  echo "SKIPPED: Wine cannot start $cli"
  exit 77
fi
found=$(in_client search --community "$community" --timeout 2 --no-progress --json)
wineserver -k 2>/dev/null || true

addresses=$(printf '%s' "$found" | python3 -c '
import json, sys
print(" ".join(sorted(d["ipAddress"] for d in json.load(sys.stdin)["devices"])))')
if [ "$addresses" != "198.51.100.1 198.51.100.2" ]; then
  echo "FAIL: the broadcast search found [$addresses], not each printer once"
  echo "$found"
  exit 1
fi
echo "a broadcast search under Wine finds each printer of the LAN once"
