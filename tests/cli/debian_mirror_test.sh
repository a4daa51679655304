#!/usr/bin/env bash
# The scripts take the Debian archive from the machine's apt sources, in
# either form, and write no host of their own.
set -uo pipefail
source_dir=$1
# shellcheck source=/dev/null
. "$source_dir/scripts/debian-mirror.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
expect() {  # expected mirror ("" for a refusal), then "name:contents" of files under sources.list.d or the list
  local want=$1 got
  shift
  rm -rf "$work/apt" && mkdir -p "$work/apt/sources.list.d"
  for file in "$@"; do printf '%b' "${file#*:}" > "$work/apt/${file%%:*}"; done
  got=$(NETROV_APT_ETC=$work/apt debian_mirror bookworm 2>/dev/null)
  if [ "$got" != "$want" ]; then
    echo "[$*]: gave [$got], expected [$want]"
    failures=$((failures + 1))
  fi
}
expect "http://127.0.0.1:3142/debian" \
  "sources.list:# a comment\ndeb http://127.0.0.1:3142/debian-security bookworm-security main\ndeb [signed-by=/k.gpg arch=amd64] http://127.0.0.1:3142/debian/ bookworm main\n"
expect "file:///srv/debian" \
  "sources.list.d/debian.sources:Types: deb\nURIs: file:///srv/security\nSuites: bookworm-security\n\nTypes: deb deb-src\nURIs: file:///srv/debian file:///srv/other\nSuites: bookworm bookworm-updates\nComponents: main\n"
expect "http://[::1]:3142/debian" \
  "sources.list.d/off.sources:Enabled: no\nTypes: deb\nURIs: http://127.0.0.1/off\nSuites: bookworm\n" \
  "sources.list.d/proxy.list:deb-src http://[::1]:3142/debian bookworm main\n"
expect "" "sources.list.d/other.sources:Types: deb\nURIs: file:///srv/x\nSuites: trixie\n"
expect "" "sources.list.d/debian.sources.disabled:Types: deb\nURIs: file:///srv/debian\nSuites: bookworm\n"

for script in build-windows.sh package.sh; do
  if grep -n '://' "$source_dir/scripts/$script"; then
    echo "scripts/$script names a host of its own"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "debian mirror: every case gave what it should"
exit "$((failures > 0))"
