# Sourced by the demo and the namespace tests: a private virtual LAN of simulated printers.
# shellcheck shell=bash
#
# lan_begin TAG SUBNET COMMUNITY SOURCE_DIR makes $work (a temporary
# directory), the LAN and the client namespace $client_ns at SUBNET.100 and
# ${lan_subnet6}100, and removes all of it on exit, also when interrupted;
# lan_printer WALK HOST adds a simulator serving tests/devices/WALK.snmprec
# at SUBNET.HOST; lan_wait HOSTS waits until SUBNET.1 to SUBNET.HOSTS answer;
# lan_ipp_printer NAME HOST ATTRIBUTES [ipv6-only] adds an ippeveprinter
# answering IPP only (no SNMP) at SUBNET.HOST and ${lan_subnet6}HOST (with
# ipv6-only, at the latter alone), and lan_wait_ipp ADDRESS waits for it.
# lan_announce NAME HOSTNAME INSTANCE TXT... has an mDNS responder in NAME's
# namespace announce its IPP printer as _ipp._tcp and _ipps._tcp; lan_mdns_client
# starts the client's responder on a private message bus, whose address
# $client_bus names. Background processes whose pids the caller adds to
# lan_pids are ended on exit too. Commands run through the caller's as_root
# array (empty when already root).
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
  lan_announcers=()
  lan_port=0
  lan_subnet6=fd00::  # unique local addresses, private to the LAN
  client_bus=
  if ! declare -p as_root >/dev/null 2>&1; then as_root=(); fi
  work=$(mktemp -d "${TMPDIR:-/tmp}/netrov-lan.XXXXXX")
  trap lan_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # One bridge in a namespace of its own is the LAN; each host gets a veth
  # pair with one end on the bridge and the other, eth0, in its namespace.
  lan_add_namespace "$lan_ns"
  # Multicast floods the bridge: no snooping decides who hears mDNS.
  "${as_root[@]}" ip -n "$lan_ns" link add lan0 type bridge mcast_snooping 0
  "${as_root[@]}" ip -n "$lan_ns" link set lan0 up
  lan_add_namespace "$client_ns"
  lan_attach "$client_ns" "$lan_subnet.100" "${lan_subnet6}100"
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

lan_attach() {  # lan_attach NAMESPACE IPV4 [IPV6]; an empty IPV4 gives none
  lan_port=$((lan_port + 1))
  "${as_root[@]}" ip -n "$lan_ns" link add "p$lan_port" type veth peer name eth0 netns "$1"
  "${as_root[@]}" ip -n "$lan_ns" link set "p$lan_port" master lan0 up
  # No link-local IPv6 address: each host has exactly the addresses it is
  # given, so a search lists those and no fe80:: ones.
  "${as_root[@]}" ip -n "$1" link set eth0 addrgenmode none
  [ -z "$2" ] || "${as_root[@]}" ip -n "$1" addr add "$2/24" brd + dev eth0
  [ -z "${3:-}" ] || "${as_root[@]}" ip -n "$1" addr add "$3/64" dev eth0 nodad
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

lan_ipp_printer() {  # lan_ipp_printer NAME HOST ATTRIBUTES [ipv6-only]
  local name=$1 ns="$lan_tag-$1" address="$lan_subnet.$2" attributes=$3
  local address6="$lan_subnet6$2"
  [ "${4:-}" != ipv6-only ] || address=
  lan_add_namespace "$ns"
  lan_attach "$ns" "$address" "$address6"
  # ippeveprinter listens on the first address of its host name in each
  # family; the namespace's own hosts file names its LAN addresses (::1
  # would give 127.0.0.1 for IPv4 too). It will not start without an IPv4
  # listener, so a printer on IPv6 alone listens for IPv4 on its own
  # loopback, which nothing on the LAN reaches.
  "${as_root[@]}" mkdir -p "/etc/netns/$ns"
  printf '%s %s\n%s %s\n' "${address:-127.0.0.1}" "$name" "$address6" "$name" |
    "${as_root[@]}" tee "/etc/netns/$ns/hosts" >/dev/null
  mkdir -p "$work/$name/spool" "$work/$name/keys"
  # Its DNS-SD client needs a message bus even with registration off (-r
  # off); a private one keeps it from the machine's. The demo's responder
  # (lan_announce) announces it instead.
  "${as_root[@]}" ip netns exec "$ns" dbus-daemon --session --nofork --address="unix:path=$work/$name/bus" \
    >"$work/$name.log" 2>&1 &
  lan_pids+=($!)
  local deadline=$((SECONDS + 10))
  until [ -S "$work/$name/bus" ] || ((SECONDS > deadline)); do sleep 0.1; done
  # With a key folder it answers TLS on its port as well as plain HTTP.
  "${as_root[@]}" ip netns exec "$ns" env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/$name/bus" \
    ippeveprinter -r off -n "$name" -p 631 -d "$work/$name/spool" -K "$work/$name/keys" -a "$attributes" "$name" \
    >>"$work/$name.log" 2>&1 &
  lan_pids+=($!)
}

lan_wait_ipp() {  # lan_wait_ipp ADDRESS (IPv4 or IPv6)
  local deadline=$((SECONDS + 30))
  until "${as_root[@]}" ip netns exec "$client_ns" bash -c "exec 3<>/dev/tcp/$1/631" 2>/dev/null; do
    if ((SECONDS > deadline)); then
      echo "the IPP printer at $1 did not come up" >&2
      cat "$work"/*.log >&2 || true
      exit 1
    fi
    sleep 0.2
  done
}

# avahi-daemon in namespace NS with its configuration and services under DIR:
# a mount namespace of its own gives it a private runtime folder and service
# folder, so the responders of several hosts and the machine's do not meet.
lan_avahi() {  # lan_avahi NS DIR [BUS]
  local ns=$1 dir=$2 environment=()
  [ -z "${3:-}" ] || environment=("DBUS_SYSTEM_BUS_ADDRESS=unix:path=$3")
  # shellcheck disable=SC2016  # $1 is the inner shell's, given after the script
  "${as_root[@]}" ip netns exec "$ns" env "${environment[@]}" \
    unshare --mount --propagation private sh -c '
      mount -t tmpfs -o mode=0755 tmpfs /run && mkdir /run/avahi-daemon &&
      mount --bind "$1/services" /etc/avahi/services &&
      exec avahi-daemon -f "$1/avahi.conf" --no-chroot --no-drop-root --no-rlimits --no-proc-title' sh "$dir" \
    >"$dir/log" 2>&1 &
  lan_pids+=($!)
}

lan_avahi_config() {  # lan_avahi_config DIR HOSTNAME BUS(yes|no)
  mkdir -p "$1/services"
  {
    printf '[server]\nhost-name=%s\nuse-ipv4=yes\nuse-ipv6=yes\nallow-interfaces=eth0\nenable-dbus=%s\n' "$2" "$3"
    printf '[publish]\npublish-workstation=no\npublish-hinfo=no\n'
    [ "$3" = no ] || printf 'disable-publishing=yes\n'
  } >"$1/avahi.conf"
}

lan_xml() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' <<<"$1"; }

lan_announce() {  # lan_announce NAME HOSTNAME INSTANCE TXT...
  local name=$1 host=$2 instance=$3 dir="$work/$1/mdns" type txt
  shift 3
  lan_avahi_config "$dir" "$host" no
  {
    printf '<?xml version="1.0" standalone="no"?>\n<!DOCTYPE service-group SYSTEM "avahi-service.dtd">\n'
    printf '<service-group>\n<name replace-wildcards="no">%s</name>\n' "$(lan_xml "$instance")"
    for type in _ipp._tcp _ipps._tcp; do
      printf '<service><type>%s</type><port>631</port>' "$type"
      for txt in "$@"; do printf '<txt-record>%s</txt-record>' "$(lan_xml "$txt")"; done
      printf '</service>\n'
    done
    printf '</service-group>\n'
  } >"$dir/services/printer.service"
  lan_avahi "$lan_tag-$name" "$dir"
  lan_announcers+=("$dir/log")
}

lan_mdns_client() {
  local dir="$work/client-mdns" log deadline=$((SECONDS + 20))
  # Every responder has announced before the client's starts, so its first
  # browse finds them all.
  for log in "${lan_announcers[@]}"; do
    until grep -q "successfully established" "$log" 2>/dev/null; do
      if ((SECONDS > deadline)); then
        echo "an mDNS responder did not come up:" >&2
        cat "$log" >&2
        exit 1
      fi
      sleep 0.1
    done
  done
  mkdir -p "$dir/bus"
  client_bus="$dir/bus/socket"
  cat >"$dir/bus/bus.conf" <<BUS
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$client_bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>
BUS
  "${as_root[@]}" ip netns exec "$client_ns" dbus-daemon --config-file="$dir/bus/bus.conf" --nofork --nopidfile \
    >"$dir/bus/log" 2>&1 &
  lan_pids+=($!)
  until [ -S "$client_bus" ]; do
    ((SECONDS <= deadline)) || { echo "the client's message bus did not come up" >&2; exit 1; }
    sleep 0.1
  done
  lan_avahi_config "$dir" client yes
  lan_avahi "$client_ns" "$dir" "$client_bus"
  until grep -q "Server startup complete" "$dir/log" 2>/dev/null; do
    ((SECONDS <= deadline)) || { echo "the client's mDNS responder did not come up:" >&2; cat "$dir/log" >&2; exit 1; }
    sleep 0.1
  done
}
