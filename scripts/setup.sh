#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test NetRov;
# with --windows also the cross toolchain and Wine for the Windows build.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 git
  clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libexpat1-dev libsqlite3-dev
  libsnmp-dev snmp snmpd snmpsim onesixtyone braa libssl-dev
  libcli11-dev nlohmann-json3-dev
  libcpp-httplib-dev prometheus libcrypt-dev libyaml-cpp-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev qtkeychain-qt6-dev fonts-dejavu-core
  iproute2 procps
)
windows=0
if [ "${1:-}" = --windows ]; then
  windows=1
  packages+=(mingw-w64 wine wine64 dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine runs 32-bit programs with its i386 half, which needs dpkg's i386
# architecture. Where it cannot be had, the 32-bit tests say so and skip.
if ((windows)) && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "setup: installing wine32:i386 for the 32-bit Windows tests"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! { "${sudo_cmd[@]}" dpkg --add-architecture i386 && "${sudo_cmd[@]}" apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends wine32:i386; }; then
    echo "setup: wine32:i386 could not be installed; the 32-bit Windows build is checked without running it" >&2
  fi
fi
