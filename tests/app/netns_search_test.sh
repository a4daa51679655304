#!/usr/bin/env bash
# End to end: NetRov, started with its own start-up file inside a client
# namespace of a private virtual LAN of simulated printers, searches by
# broadcast and writes every printer into the device list export.
#
# With a third argument, the path of the desktop program's QTest binary, it
# runs that binary's NetnsViewTest in the client namespace instead: the main
# window's first search lists every printer with its status word.
#
# Usage: netns_search_test.sh PROGRAM_DIR SOURCE_DIR [UI_TEST_BINARY]
# Exit 77 (skipped) without root, ip or snmpsimd. Nothing touches the
# machine's own interfaces: every host sits in a namespace made here.
set -euo pipefail
program_dir=$1
source_dir=$2
ui_test=${3:-}

for need in ip snmpsimd snmpget; do
  command -v "$need" >/dev/null 2>&1 || { echo "skipped: $need is missing"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "skipped: network namespaces need root"; exit 77; }
[ -e "$program_dir/libtessel.so" ] || { echo "skipped: the SNMP service is not built"; exit 77; }

printers=(mono_laser colour_laser mfp power_save jam_door toner_empty)
subnet=10.213.48
community=tarpon
# shellcheck source-path=SCRIPTDIR source=../../scripts/netns_lan.sh
. "$source_dir/scripts/netns_lan.sh"
lan_begin "nrui$$" "$subnet" "$community" "$source_dir"
host=0
for walk in "${printers[@]}"; do
  host=$((host + 1))
  lan_printer "$walk" "$host"
done
lan_wait "$host"

if [ -n "$ui_test" ]; then
  status=0
  ip netns exec "$client_ns" env QT_QPA_PLATFORM=offscreen NETROV_NETNS_PROGRAM_DIR="$program_dir" \
    NETROV_NETNS_SUBNET="$subnet" "$ui_test" NetnsViewTest || status=$?
  exit "$status"
fi

# The program as installed, in a private home, with the export registered in
# a private system store.
mkdir -p "$work/home/.config" "$work/system/Korrin" "$work/export" "$work/runtime"
chmod 700 "$work/runtime"
printf '[Network%%20MFPList]\nIniFilePath=%s\n' "$work/export" >"$work/system/Korrin/Veltrano-Tarn.conf"
ip netns exec "$client_ns" env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_CONFIG_DIRS="$work/system" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work" \
  QT_QPA_PLATFORM=offscreen NETROV_MESSAGES_TO_STDERR=1 "$program_dir/NetRov" >"$work/program.log" 2>&1 &
program=$!
lan_pids+=("$program")

# The first search starts by itself; with the installation's settings it
# lasts about 11 s, and the export is written when it completes.
deadline=$((SECONDS + 60))
until [ -s "$work/export/MfpList.ini" ]; do
  kill -0 "$program" 2>/dev/null || { echo "NetRov ended early:" >&2; cat "$work/program.log" >&2; exit 1; }
  ((SECONDS < deadline)) || { echo "no export after 60 s" >&2; cat "$work/program.log" >&2; exit 1; }
  sleep 0.5
done
sleep 1
cat "$work/export/MfpList.ini"
verdict=0
for ((i = 1; i <= host; i++)); do
  count=$(grep -c "=3,,$subnet.$i,\"" "$work/export/MfpList.ini" || true)
  [ "$count" = 1 ] || { echo "printer $subnet.$i listed $count times" >&2; verdict=1; }
done

# Another program's end command ends it at once, cleanly (a sanitizer build
# reports its findings at this exit).
mutex=$(sed -n 's/^MutexName=\([^\r]*\).*/\1/p' "$program_dir/NetRov.ini")
# The program listens in its private runtime folder.
python3 - "$work/runtime/${mutex//\//_}" <<'PY'
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.connect(sys.argv[1])
s.sendall(b"command 1 11\n")
s.close()
PY
status=0
wait "$program" || status=$?
lan_pids=("${lan_pids[@]/$program}")
[ "$status" = 0 ] || { echo "NetRov ended with $status:" >&2; cat "$work/program.log" >&2; verdict=1; }
exit "$verdict"
