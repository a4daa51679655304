#!/usr/bin/env bash
# Demonstration: builds NetRov, puts simulated printers on a private virtual
# LAN (network namespaces only), and searches it with netrov-cli.
#
# Usage: scripts/demo.sh [--no-setup] [--no-build] [--build-dir DIR] [--check] [--desktop]
#   --check    print nothing but a verdict; exit 1 unless every printer is
#              found exactly once by broadcast, by range and by both, the
#              search by mDNS lists the two IPP printers beside them, both
#              are read over IPP, and an interrupted search ends without
#              results (the test suite runs it this way).
#   --desktop  at the end, start NetRov on the same LAN with the demo's fleet
#              store (needs a display); the demo ends when NetRov is closed.
#
# Nothing here touches the machine's own interfaces or routes (see
# netns_lan.sh): every printer and the client sit in namespaces of their own,
# and all of them are removed at the end, also when the script is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."

setup=1
build=1
check=0
desktop=0
build_dir=build
while (($#)); do
  case "$1" in
    --no-setup) setup=0 ;;
    --no-build) build=0 ;;
    --check) check=1 ;;
    --desktop) desktop=1 ;;
    --build-dir) build_dir=${2:?--build-dir needs a directory}; shift ;;
    *) echo "demo: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

say() { ((check)) || echo "$@"; }

# Namespaces and port 161 need root; sudo is used when we are not root.
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

if ((setup)); then
  scripts/setup.sh
fi
if ((build)); then
  # Configure output (Qt's notes about optional modules and the like) only
  # alarms a newcomer; it is shown when something fails.
  mkdir -p "$build_dir"
  # The same configuration as scripts/test.sh, so that either command reuses the other's build.
  # shellcheck source=scripts/build-flags.sh
  . scripts/build-flags.sh
  if ! cmake -S . -B "$build_dir" "${test_build[@]}" >"$build_dir/configure.log" 2>&1; then
    cat "$build_dir/configure.log" >&2
    echo "demo: configuring the build failed (log above, kept in $build_dir/configure.log)" >&2
    exit 1
  fi
  # Only what the demonstration runs: netrov-cli (which brings the libraries,
  # support packages and data it loads), the history tool, and NetRov for
  # --desktop; no tests, benchmarks or fuzz targets.
  targets=(netrov-cli forecast_demo_store)
  ((desktop)) && targets+=(NetRov)
  say "Building ${targets[*]} into $build_dir..."
  cmake --build "$build_dir" --target "${targets[@]}"
fi

cli="$(cd "$build_dir" && pwd)/netrov/netrov-cli"
history_tool="$(cd "$build_dir" && pwd)/bench/forecast_demo_store"
# The check needs no forecasts, so a build without the benchmarks serves it.
needs=("$cli" ip snmpsimd snmpget ippeveprinter avahi-daemon dbus-daemon unshare)
((check)) || needs+=("$history_tool")
for need in "${needs[@]}"; do
  if ! command -v "$need" >/dev/null 2>&1; then
    echo "demo: $need is missing (run without --no-setup/--no-build)" >&2
    exit 77
  fi
done
if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
  echo "demo: needs root (or sudo) for network namespaces" >&2
  exit 77
fi

# The simulated printers: walk file, address on the virtual LAN. The switch
# answers SNMP too but is no printer, so no search lists it.
printers=(mono_laser colour_laser mfp power_save jam_door toner_empty)
others=(switch)
subnet=192.0.2  # documentation range; the walks report these addresses as their own
community=tarpon

# shellcheck source-path=SCRIPTDIR source=netns_lan.sh
. scripts/netns_lan.sh
lan_begin "nr$$" "$subnet" "$community" .

host=0
expected=()
for walk in "${printers[@]}" "${others[@]}"; do
  host=$((host + 1))
  address="$subnet.$host"
  lan_printer "$walk" "$host"
  case " ${printers[*]} " in *" $walk "*) expected+=("$address") ;; esac
  say "printer $walk at $address (namespace $lan_tag-$walk)"
done

# Two printers whose SNMP is off answer IPP only, TLS included: one on both
# families, one on IPv6 alone. The demo's mDNS responders announce them as
# driverless printers do; the SNMP printers announce nothing.
ipp_host=21
ipp6_host=22
ipp_address="$subnet.$ipp_host"
ipp6_address="${lan_subnet6}$ipp6_host"
cat >"$work/ipp-only.conf" <<'END'
ATTR text printer-make-and-model "Tarnwell IJ-20 (IPP only)"
ATTR text printer-device-id "MFG:Tarnwell;MDL:IJ-20;SN:IJ20X0007;"
ATTR octetString printer-supply "index=1;type=inkCartridge;maxcapacity=100;level=12;colorantname=black;","index=2;type=inkCartridge;maxcapacity=100;level=55;colorantname=cyan;"
ATTR text printer-supply-description "Black Ink","Cyan Ink"
END
cat >"$work/ipp-six.conf" <<'END'
ATTR text printer-make-and-model "Tarnwell CL-36 Color (IPv6 only)"
ATTR text printer-device-id "MFG:Tarnwell;MDL:CL-36;SN:CL36V6001;"
ATTR octetString printer-supply "index=1;type=tonerCartridge;maxcapacity=100;level=80;colorantname=black;","index=2;type=tonerCartridge;maxcapacity=100;level=64;colorantname=cyan;","index=3;type=tonerCartridge;maxcapacity=100;level=47;colorantname=magenta;","index=4;type=tonerCartridge;maxcapacity=100;level=9;colorantname=yellow;"
ATTR text printer-supply-description "Black Toner","Cyan Toner","Magenta Toner","Yellow Toner"
END
lan_ipp_printer ipp-only "$ipp_host" "$work/ipp-only.conf"
lan_ipp_printer ipp-six "$ipp6_host" "$work/ipp-six.conf" ipv6-only
say "IPP-only printer at $ipp_address and ${lan_subnet6}$ipp_host (namespace $lan_tag-ipp-only)"
say "IPP-only printer at $ipp6_address, IPv6 alone (namespace $lan_tag-ipp-six)"
lan_announce ipp-only ipp-only "Tarnwell IJ-20" "rp=ipp/print" "ty=Tarnwell IJ-20" "note=Reception" "TLS=1.2" "Color=T"
lan_announce ipp-six ipp-six "Tarnwell CL-36 Color" "rp=ipp/print" "ty=Tarnwell CL-36 Color" "note=Second floor" "TLS=1.2" "Color=T"

# Wait until every simulator answers from the client's side of the LAN.
lan_wait "$host"
lan_wait_ipp "$ipp_address"
lan_wait_ipp "$ipp6_address"
lan_mdns_client

in_client() { "${as_root[@]}" ip netns exec "$client_ns" "$cli" "$@"; }
# The IPP printers' certificates are trusted on first use and their
# fingerprints kept in the demonstration's own data folder; the client's
# mDNS responder answers on its private message bus.
in_client_ipp() {
  "${as_root[@]}" ip netns exec "$client_ns" env HOME="$work" XDG_DATA_HOME="$work/data" \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$client_bus" "$cli" "$@"
}

if ((check)); then
  want=$(printf '%s\n' "${expected[@]}" | sort)
  found_addresses() { python3 -c 'import json,sys; print("\n".join(sorted(d["ipAddress"] for d in json.load(sys.stdin)["devices"])))'; }
  verdict=0
  got=$(in_client search --json --timeout 2 | found_addresses)
  [ "$got" = "$want" ] || { echo "demo: broadcast found [$got], expected [$want]" >&2; verdict=1; }
  got=$(in_client search --json --timeout 2 --no-broadcast --range "$subnet.1-$subnet.$host" | found_addresses)
  [ "$got" = "$want" ] || { echo "demo: range search found [$got], expected [$want]" >&2; verdict=1; }
  # Found by the broadcast and by address: listed once.
  got=$(in_client search --json --timeout 2 --address "$subnet.1" --address "$subnet.2" | found_addresses)
  [ "$got" = "$want" ] || { echo "demo: broadcast with addresses found [$got], expected [$want]" >&2; verdict=1; }
  # Each printer reports the address it is reached at as its own.
  for address in "${expected[@]}"; do
    got=$(in_client network "$address" --json --timeout 2 |
      python3 -c 'import json,sys; print(json.load(sys.stdin)["queries"]["GetDevTCP"]["records"][0]["ipAddress"])')
    [ "$got" = "$address" ] || { echo "demo: network of $address reports [$got]" >&2; verdict=1; }
  done
  # mDNS lists the two IPP printers beside what the broadcast finds: the one
  # on both families by its IPv4 address with both announced, the other by
  # its IPv6 address.
  want_mdns=$(printf '%s\n' "${expected[@]}" "$ipp_address $ipp_address ${lan_subnet6}$ipp_host" "$ipp6_address $ipp6_address" | sort)
  got=$(in_client_ipp search --mdns --json --timeout 2 2>"$work/mdns.err" | python3 -c '
import json, sys
rows = [" ".join([d["address"]] + (d["mdns"] or {}).get("addresses", [])) for d in json.load(sys.stdin)["devices"]]
print("\n".join(sorted(rows)))')
  [ "$got" = "$want_mdns" ] || { echo "demo: search --mdns found [$got], expected [$want_mdns]: $(cat "$work/mdns.err")" >&2; verdict=1; }
  # Each IPP printer read over IPP by its address: model, source, a known
  # toner level, and the check's warning for the low one.
  while read -r address model colour level check_status; do
    in_client_ipp status --source ipp "$address" --json --timeout 2 >"$work/row.json" 2>"$work/row.err" || true
    got=$(python3 -c '
import json, sys
d = json.load(open(sys.argv[1]))
print(str(d.get("model")).replace(" ", "_"), d.get("source"))' "$work/row.json" 2>&1) || true
    [ "$got" = "$model ipp" ] || { echo "demo: status --source ipp $address gave [$got], expected [$model ipp]: $(cat "$work/row.err")" >&2; verdict=1; }
    got=$(in_client_ipp toner --source ipp "$address" --json --timeout 2 | python3 -c '
import json, sys
colour = sys.argv[1]
print(" ".join(str(t.get("level")) for t in json.load(sys.stdin)["toners"] if colour in (t.get("name") or "").lower()))' "$colour") || true
    [ "$got" = "$level" ] || { echo "demo: toner --source ipp $address gave $colour [$got], expected [$level]" >&2; verdict=1; }
    status=0
    in_client_ipp check "$address" --source ipp --timeout 2 >"$work/check.out" 2>&1 || status=$?
    [ "$status" = "$check_status" ] || { echo "demo: check $address exited $status, expected $check_status: $(cat "$work/check.out")" >&2; verdict=1; }
  done <<ROWS
$ipp_address Tarnwell_IJ-20_(IPP_only) black 12 1
$ipp6_address Tarnwell_CL-36_Color_(IPv6_only) yellow 9 1
ROWS
  # Stopped during the broadcast: the silent address is never queried (that
  # would add its 3 s time-out), nothing is listed, the status says so.
  began=$(date +%s%N)
  "${as_root[@]}" ip netns exec "$client_ns" "$cli" search --timeout 3 --address "$subnet.250" \
    >"$work/abort.out" 2>"$work/abort.err" &
  searcher=$!
  sleep 1
  "${as_root[@]}" kill -TERM "$searcher"
  aborted=0
  wait "$searcher" || aborted=$?
  took_ms=$((($(date +%s%N) - began) / 1000000))
  if [ "$aborted" -ne 130 ] || [ -s "$work/abort.out" ] || ((took_ms > 4500)); then
    echo "demo: abort during the broadcast: status $aborted after $took_ms ms, output [$(cat "$work/abort.out")]" >&2
    verdict=1
  fi
  if ((!verdict)); then
    echo "demo: every simulated printer found once (${#expected[@]} printers, 2 more by mDNS, read over IPP); abort during the broadcast took $took_ms ms"
  fi
  exit "$verdict"
fi

echo
echo "== netrov-cli search   (broadcast on the virtual LAN, from namespace $client_ns)"
in_client search --timeout 2
echo
echo "== netrov-cli search --no-broadcast --range $subnet.1-$subnet.20"
in_client search --timeout 2 --no-broadcast --range "$subnet.1-$subnet.20"
echo
echo "== netrov-cli status $subnet.3 --json"
in_client status "$subnet.3" --json
echo
echo "== netrov-cli status $subnet.5   (paper jam and open door: each alert with its message and hint)"
in_client status "$subnet.5"
echo
echo "== netrov-cli toner $subnet.2   (toner levels of the colour laser)"
in_client toner "$subnet.2"
echo
echo "== netrov-cli report --range $subnet.0/24   (the fleet as CSV)"
in_client report --range "$subnet.0/24" --timeout 2 --rate 5000 --no-progress
echo
echo "== netrov-cli check $subnet.3   (a monitoring check: exit 1, warning)"
in_client check "$subnet.3" || true
echo
echo "== netrov-cli network $subnet.2"
in_client network "$subnet.2"
echo
echo "== netrov-cli search --mdns   (SNMP broadcast and mDNS: the two IPP-only printers join the list)"
in_client_ipp search --mdns --timeout 2
echo
echo "== netrov-cli status $ipp_address   (SNMP off: read over IPP, its certificate trusted on first use)"
in_client_ipp status "$ipp_address" --timeout 1
echo
echo "== netrov-cli check $ipp_address --source ipp"
in_client_ipp check "$ipp_address" --source ipp || true
echo
echo "== netrov-cli status --source ipp $ipp6_address   (a printer on IPv6 alone)"
in_client_ipp status --source ipp "$ipp6_address" || true
echo
echo "== netrov-cli toner --source ipp $ipp6_address"
in_client_ipp toner --source ipp "$ipp6_address" || true
echo
echo "== netrov-cli check $ipp6_address --source ipp   (the yellow toner is low: exit 1, warning)"
in_client_ipp check "$ipp6_address" --source ipp || true
echo
echo "== Fleet memory: a year of office use, then netrov-cli fleet and history"
# One watch round reads the printers as they are now; a year of hourly rounds
# that ends at exactly those levels and counters goes into the store first, so
# the forecasts show at once; a second watch round carries on from there.
store="$work/fleet.db"
in_client watch --range "$subnet.1-$subnet.$host" --rounds 1 --timeout 2 --store "$work/now.db" >/dev/null
"$history_tool" "$work/now.db" "$store"
in_client watch --range "$subnet.1-$subnet.$host" --rounds 1 --timeout 2 --store "$store"
echo
echo "== netrov-cli fleet   (every stored printer, the supply that empties first and when)"
in_client fleet --store "$store"
echo
echo "== netrov-cli history $subnet.2   (per supply: cartridges, pages on each, days and pages left)"
in_client history "$subnet.2" --store "$store"

echo
echo "== Notifications: watch --notify sends to a mail server and a webhook on the client's own loopback"
# Both sinks run inside the client's namespace, so nothing leaves the virtual LAN.
if /usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null; then
  cat >"$work/notify.ini" <<NOTIFY
[office-mail]
type = smtp
server = smtp://127.0.0.1:2525
from = printers@example.org
to = it@example.org
[chat]
type = webhook
url = http://127.0.0.1:8025/hooks/demo
severity = warning
NOTIFY
  chmod 600 "$work/notify.ini"
  "${as_root[@]}" ip netns exec "$client_ns" /usr/bin/python3 -u -m aiosmtpd -n -l 127.0.0.1:2525 >"$work/mail.txt" 2>/dev/null &
  mail_sink=$!
  "${as_root[@]}" ip netns exec "$client_ns" /usr/bin/python3 -u -c '
import http.server, sys
class Sink(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        sys.stdout.write(body.decode("utf-8", "replace") + "\n")
        self.send_response(204)
        self.end_headers()
    def log_message(self, *args):
        pass
http.server.HTTPServer(("127.0.0.1", 8025), Sink).serve_forever()
' >"$work/hook.txt" 2>/dev/null &
  hook_sink=$!
  sleep 1
  in_client watch --range "$subnet.1-$subnet.$host" --rounds 1 --timeout 2 --store "$store" \
    --notify --notify-config "$work/notify.ini"
  echo "-- the mail server received:"
  grep '^Subject:' "$work/mail.txt" || true
  echo "-- the webhook received (warnings and worse):"
  /usr/bin/python3 -c 'import json,sys; [print(json.loads(l)["text"]) for l in sys.stdin if l.strip()]' <"$work/hook.txt"
  "${as_root[@]}" kill "$mail_sink" "$hook_sink" 2>/dev/null || true
  wait "$mail_sink" "$hook_sink" 2>/dev/null || true
  echo
  echo "== netrov-cli events --since 1d   (what the store recorded)"
  in_client events --store "$store" --since 1d
  echo
  echo "== netrov-cli order   (what to order for the next 14 days, by part number)"
  in_client order --store "$store"
else
  echo "(python3-aiosmtpd is not installed: run scripts/setup.sh)"
fi

if ((desktop)); then
  # NetRov finds its store under FleetStore in its start-up file, so it runs
  # from a copy of its folder whose start-up file names the demo's store.
  program="$work/program"
  cp -r "$build_dir/netrov" "$program"
  sed -i "s|^\[Main\]\r\?\$|[Main]\r\nFleetStore=$store\r|" "$program/NetRov.ini"
  echo
  echo "== NetRov on the virtual LAN: the list's Empty in column and the device window's History page"
  echo "   show the same forecasts; close NetRov to end the demo."
  "${as_root[@]}" ip netns exec "$client_ns" env DISPLAY="${DISPLAY:-}" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" \
    XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}" XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-}" "$program/NetRov" || true
fi
echo
echo "Removing the namespaces and simulators."
