# Sourced by the demo and the namespace tests: a private virtual LAN of simulated printers.
# shellcheck shell=bash
#
# lan_begin TAG SUBNET COMMUNITY SOURCE_DIR makes $work (a temporary
# directory), the LAN and the client namespace $client_ns at SUBNET.100, and
# removes all of it on exit, also when interrupted; lan_printer WALK HOST
# adds a simulator serving tests/devices/WALK.snmprec at SUBNET.HOST;
# lan_wait HOSTS waits until SUBNET.1 to SUBNET.HOSTS answer;
# lan_ipp_printer NAME HOST ATTRIBUTES adds an ippeveprinter answering IPP
# only (no SNMP) at SUBNET.HOST, and lan_wait_ipp HOST waits for it. Background
# processes whose pids the caller adds to lan_pids are ended on exit too.
# Commands run through the caller's as_root array (empty when already root).
#
# Nothing here touches the machine's own interfaces or routes: the LAN is a
# bridge inside a namespace of its own, and every host, the client included,
# sits in a namespace of its own whose name starts with TAG.

lan_begin() {
  lan_tag=$1
  lan_subnet=$2
  lan_community=$3
  lan_source_dir=$4
  lan_ns="$lan_tag-lan"
  client_ns="$lan_tag-client"
  lan_namespaces=()
  lan_pids=()
  lan_port=0
  if ! declare -p as_root >/dev/null 2>&1; then as_root=(); fi
  work=$(mktemp -d "${TMPDIR:-/tmp}/netrov-lan.XXXXXX")
  trap lan_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # One bridge in a namespace of its own is the LAN; each host gets a veth
  # pair with one end on the bridge and the other, eth0, in its namespace.
  lan_add_namespace "$lan_ns"
  "${as_root[@]}" ip -n "$lan_ns" link add lan0 type bridge
  "${as_root[@]}" ip -n "$lan_ns" link set lan0 up
  lan_add_namespace "$client_ns"
  lan_attach "$client_ns" "$lan_subnet.100"
  chmod 755 "$work"
}

lan_cleanup() {
  local status=$?
  trap - EXIT INT TERM
  local pid alive
  if ((${#lan_pids[@]})); then
    for pid in "${lan_pids[@]}"; do
      [ -z "$pid" ] || "${as_root[@]}" kill "$pid" 2>/dev/null || true
    done
    for _ in $(seq 50); do
      alive=0
      for pid in "${lan_pids[@]}"; do
        [ -n "$pid" ] && "${as_root[@]}" kill -0 "$pid" 2>/dev/null && alive=1
      done
      ((alive)) || break
      sleep 0.1
    done
    for pid in "${lan_pids[@]}"; do
      [ -z "$pid" ] || "${as_root[@]}" kill -KILL "$pid" 2>/dev/null || true
    done
  fi
  local ns
  for ns in "${lan_namespaces[@]}"; do
    "${as_root[@]}" ip netns del "$ns" 2>/dev/null || true
    [ -z "$ns" ] || "${as_root[@]}" rm -rf "/etc/netns/$ns"
  done
  "${as_root[@]}" rmdir /etc/netns 2>/dev/null || true
  "${as_root[@]}" rm -rf "$work"
  exit "$status"
}

lan_add_namespace() {
  "${as_root[@]}" ip netns add "$1"
  lan_namespaces+=("$1")
  "${as_root[@]}" ip -n "$1" link set lo up
}

lan_attach() {  # lan_attach NAMESPACE ADDRESS
  lan_port=$((lan_port + 1))
  "${as_root[@]}" ip -n "$lan_ns" link add "p$lan_port" type veth peer name eth0 netns "$1"
  "${as_root[@]}" ip -n "$lan_ns" link set "p$lan_port" master lan0 up
  "${as_root[@]}" ip -n "$1" addr add "$2/24" brd + dev eth0
  "${as_root[@]}" ip -n "$1" link set eth0 up
}

lan_printer() {  # lan_printer WALK HOST
  local walk=$1 ns="$lan_tag-$1" address="$lan_subnet.$2"
  lan_add_namespace "$ns"
  lan_attach "$ns" "$address"
  # Each simulator serves its walk under the search's community; it listens
  # on every address of its namespace, so broadcasts reach it.
  mkdir -p "$work/$walk/data" "$work/$walk/cache"
  cp "$lan_source_dir/tests/devices/$walk.snmprec" "$work/$walk/data/$lan_community.snmprec"
  chmod 755 "$work/$walk" "$work/$walk/data"
  chmod 644 "$work/$walk/data/$lan_community.snmprec"
  chmod 777 "$work/$walk/cache"
  "${as_root[@]}" ip netns exec "$ns" snmpsimd \
    --data-dir="$work/$walk/data" --cache-dir="$work/$walk/cache" \
    --agent-udpv4-endpoint=0.0.0.0:161 \
    --process-user=nobody --process-group=nogroup \
    >"$work/$walk.log" 2>&1 &
  lan_pids+=($!)
}

lan_wait() {  # lan_wait HOSTS
  local i deadline
  for ((i = 1; i <= $1; i++)); do
    deadline=$((SECONDS + 60))
    until "${as_root[@]}" ip netns exec "$client_ns" snmpget -v1 -c "$lan_community" -t 1 -r 0 -Oqv \
        "$lan_subnet.$i" 1.3.6.1.2.1.1.5.0 >/dev/null 2>&1; do
      if ((SECONDS > deadline)); then
        echo "the simulator at $lan_subnet.$i did not come up" >&2
        cat "$work"/*.log >&2 || true
        exit 1
      fi
      sleep 0.5
    done
  done
}

lan_ipp_printer() {  # lan_ipp_printer NAME HOST ATTRIBUTES
  local name=$1 ns="$lan_tag-$1" address="$lan_subnet.$2" attributes=$3
  lan_add_namespace "$ns"
  lan_attach "$ns" "$address"
  # ippeveprinter listens on the first address of its host name in each
  # family; the namespace's own hosts file names its LAN addresses (::1
  # would give 127.0.0.1 for IPv4 too).
  local address6="fd00::$2"
  "${as_root[@]}" ip -n "$ns" addr add "$address6/64" dev eth0 nodad
  "${as_root[@]}" mkdir -p "/etc/netns/$ns"
  printf '%s %s\n%s %s\n' "$address" "$name" "$address6" "$name" | "${as_root[@]}" tee "/etc/netns/$ns/hosts" >/dev/null
  mkdir -p "$work/$name/spool" "$work/$name/keys"
  # Its DNS-SD client needs a message bus even with registration off (-r
  # off); a private one keeps it from the machine's.
  "${as_root[@]}" ip netns exec "$ns" dbus-daemon --session --nofork --address="unix:path=$work/$name/bus" \
    >"$work/$name.log" 2>&1 &
  lan_pids+=($!)
  local deadline=$((SECONDS + 10))
  until [ -S "$work/$name/bus" ] || ((SECONDS > deadline)); do sleep 0.1; done
  "${as_root[@]}" ip netns exec "$ns" env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/$name/bus" \
    ippeveprinter -r off -n "$name" -p 631 -d "$work/$name/spool" -K "$work/$name/keys" -a "$attributes" "$name" \
    >>"$work/$name.log" 2>&1 &
  lan_pids+=($!)
}

lan_wait_ipp() {  # lan_wait_ipp HOST
  local deadline=$((SECONDS + 30))
  until "${as_root[@]}" ip netns exec "$client_ns" bash -c "exec 3<>/dev/tcp/$lan_subnet.$1/631" 2>/dev/null; do
    if ((SECONDS > deadline)); then
      echo "the IPP printer at $lan_subnet.$1 did not come up" >&2
      cat "$work"/*.log >&2 || true
      exit 1
    fi
    sleep 0.2
  done
}
