#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test NetRov.
#   scripts/setup.sh [--windows [--wine32]]
# --windows adds the cross toolchain and Wine for the Windows builds;
# --wine32 also Wine's i386 half, which only running the 32-bit Windows
# programs needs (it adds dpkg's i386 architecture, and with it an i386
# index to every apt-get update of this machine).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config python3 git ccache
  clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libexpat1-dev libsqlite3-dev
  libsnmp-dev snmp snmpd snmpsim onesixtyone braa libssl-dev
  libcli11-dev nlohmann-json3-dev
  libcpp-httplib-dev prometheus libcrypt-dev libyaml-cpp-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev qtkeychain-qt6-dev fonts-dejavu-core
  iproute2 procps
  libcups2-dev cups-ipp-utils libavahi-client-dev avahi-daemon avahi-utils dbus-daemon
  libcurl4-openssl-dev libsystemd-dev python3-aiosmtpd
)
windows=0
wine32=0
while (($#)); do
  case "$1" in
    --windows) windows=1 ;;
    --wine32) wine32=1 ;;
    *) echo "setup: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
if ((windows)); then
  packages+=(mingw-w64 wine wine64 dpkg-dev file)
fi

# shellcheck source=scripts/apt.sh
. scripts/apt.sh
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  # The tests start their own avahi-daemon inside network namespaces; the
  # package's service must not start on this machine's interfaces, where it
  # would announce the machine by multicast. Services are held back for the
  # install unless a policy is already in place.
  policy=${NETROV_POLICY_RC:-/usr/sbin/policy-rc.d}
  held=0
  if [[ ! -e $policy ]]; then
    printf '#!/bin/sh\nexit 101\n' | "${apt_root[@]}" tee "$policy" >/dev/null
    "${apt_root[@]}" chmod 755 "$policy"
    held=1
  fi
  status=0
  apt_install "${missing[@]}" || status=$?
  if ((held)); then "${apt_root[@]}" rm -f "$policy"; fi
  ((status == 0)) || exit "$status"
fi

# Where wine32 cannot be had, the 32-bit tests say so and skip; the i386
# architecture is then taken away again, so that no later apt-get update
# fetches an index that nothing here uses.
if ((windows && wine32)) && ! installed wine32:i386; then
  echo "setup: installing wine32:i386 for the 32-bit Windows tests"
  added=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${apt_root[@]}" dpkg --add-architecture i386
    added=1
  fi
  if ! apt_install wine32:i386; then
    echo "setup: wine32:i386 could not be installed; the 32-bit Windows build is checked without running it" >&2
    ((added == 0)) || "${apt_root[@]}" dpkg --remove-architecture i386 || true
  fi
fi
