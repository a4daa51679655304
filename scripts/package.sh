#!/usr/bin/env bash
# Builds the Debian package netrov_<version>_<arch>.deb and, with --check,
# installs it into a fresh Debian 12 root, runs it there and removes it again.
#
# Usage: scripts/package.sh [--check] [--no-build] [--out DIR]
#   --out DIR   where the .deb, .buildinfo and .changes go (default build-package/)
#   --no-build  use the .deb already in DIR
#   --check     make a Debian 12 root with mmdebstrap (cached packages in
#               ~/.cache/netrov-package), install the package with apt-get,
#               then, in a private network namespace with loopback only: run
#               `netrov-cli --version`, search an snmpsim agent serving
#               tests/devices/mono_laser.snmprec, run NetRov offscreen for a
#               few seconds, start netrov-exporter with the shipped
#               configuration and scrape it and the agent through it; purge
#               the package and check that it left nothing.
#               When the root cannot be made (no package source reachable) it
#               says so and exits 77.
# As root (or with sudo); needs debhelper, lintian and mmdebstrap, which it
# installs when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)

check=0
build=1
out="build-package"
while (($#)); do
  case "$1" in
    --check) check=1 ;;
    --no-build) build=0 ;;
    --out) out=${2:?--out needs a directory}; shift ;;
    *) echo "package: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
say() { echo "package: $*"; }
took() { echo "package: $1 took $((SECONDS - $2)) s"; }

need=(debhelper lintian dpkg-dev fakeroot)
((check)) && need+=(mmdebstrap)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# shellcheck source=scripts/apt.sh
. scripts/apt.sh
if ((${#missing[@]})); then
  say "installing ${missing[*]}"
  if ! apt_install "${missing[@]}" >/dev/null; then
    echo "package: SKIPPED: ${missing[*]} cannot be installed (apt's complaint above)" >&2
    exit 77
  fi
fi

version=$(sed -n 's/^project(NetRov VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog_version=$(dpkg-parsechangelog -l debian/changelog -S Version)
if [ "$version" != "$changelog_version" ]; then
  echo "package: CMakeLists.txt says $version, debian/changelog $changelog_version; add a changelog entry" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
deb="$out/netrov_${version}_${arch}.deb"

if ((build)); then
  started=$SECONDS
  # Built from a copy, so that dpkg-buildpackage writes beside the copy and
  # never into the folder that holds the work tree. The copy's path is the
  # same for every build (Debian's flags carry it, and ccache hashes them), so
  # ccache finds what the last package build of any clone compiled; a lock
  # keeps two builds out of each other's way.
  work=${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/netrov-package/build
  mkdir -p "$work"
  exec {lock}>"$work.lock"
  flock "$lock"
  trap 'rm -rf "$work"' EXIT
  rm -rf "${work:?}"/* && mkdir "$work/netrov-$version"
  tar -C "$source_dir" --exclude='./build*' --exclude=./.git --exclude='./obj-*' --exclude=./debian/netrov \
    --exclude=./debian/.debhelper -cf - . | tar -C "$work/netrov-$version" -xf -
  export CCACHE_DIR=${CCACHE_DIR:-${HOME:-/root}/.cache/ccache}
  say "building netrov $version"
  if ! (cd "$work/netrov-$version" && DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" \
        dpkg-buildpackage -b -us -uc >"$work/build.log" 2>&1); then
    tail -n 60 "$work/build.log" >&2
    echo "package: dpkg-buildpackage failed (last lines above)" >&2
    exit 1
  fi
  cp "$work"/netrov_"${version}"_* "$out/"
  took "the build" "$started"
  say "lintian"
  lintian --fail-on error "$deb"
  say "built $deb"
fi
[ -f "$deb" ] || { echo "package: $deb is missing (build it without --no-build)" >&2; exit 1; }
((check)) || exit 0

# ---------------------------------------------------------------------------
# The check in a fresh Debian 12 root.
started=$SECONDS
cache=${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/netrov-package/archives
mkdir -p "$cache"
root=$(mktemp -d)
# shellcheck disable=SC2317  # called by the trap
cleanup() {
  # Mounts live in private mount namespaces, so only the folder is left.
  "${as_root[@]}" rm -rf --one-file-system "$root"
  [ -z "${work:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT  # so that the root is removed when the check is stopped

# The machine's own apt sources name the mirror the root comes from.
# shellcheck source=scripts/debian-mirror.sh
. scripts/debian-mirror.sh  # the working directory is the source tree (see above)
if ! mirror=$(debian_mirror bookworm); then
  echo "package: SKIPPED the check: no apt source of this machine serves Debian 12" >&2
  exit 77
fi

say "making a Debian 12 root from $mirror"
# mmdebstrap fetches the archive's indexes itself: retried like apt-get
# update, each time into an empty folder.
# shellcheck disable=SC2317  # called through apt_retry
make_root() {
  "${as_root[@]}" rm -rf --one-file-system "$root" && mkdir "$root" &&
    "${as_root[@]}" mmdebstrap --mode=root --variant=apt --include=snmpsim,iproute2 \
      --skip=download/empty --skip=cleanup/apt \
      --setup-hook="mkdir -p \"\$1\"/var/cache/apt/archives && cp -n $cache/*.deb \"\$1\"/var/cache/apt/archives/ 2>/dev/null || true" \
      bookworm "$root" "$mirror" </dev/null
}
if ! apt_retry make_root >"$root.log" 2>&1; then
  tail -n 15 "$root.log" >&2
  echo "package: SKIPPED the check: the Debian 12 root cannot be made (no package source reachable?)" >&2
  rm -f "$root.log"
  exit 77
fi
rm -f "$root.log"
cp -n "$root"/var/cache/apt/archives/*.deb "$cache/" 2>/dev/null || true
took "the root" "$started"

# shellcheck disable=SC2016  # $0 and $@ belong to the inner shell
in_root() { "${as_root[@]}" unshare --mount --fork sh -c 'mount -t proc proc "$0/proc" && exec chroot "$0" "$@"' "$root" "$@"; }
# Loopback only: nothing the check starts can reach another machine.
# shellcheck disable=SC2016
in_root_offline() {
  "${as_root[@]}" unshare --mount --net --fork sh -c \
    'ip link set lo up && mount -t proc proc "$0/proc" && exec chroot "$0" "$@"' "$root" "$@"
}
# Everything a package may own; user data (/root, /tmp) and apt's and dpkg's
# own records are not the package's files.
snapshot() {
  "${as_root[@]}" find "$root" -xdev \( -path "$root/proc" -o -path "$root/sys" -o -path "$root/dev" \
    -o -path "$root/tmp" -o -path "$root/root" -o -path "$root/run" -o -path "$root/var/lib/apt" \
    -o -path "$root/var/lib/dpkg" -o -path "$root/var/cache" -o -path "$root/var/log" \) -prune -o -print |
    sed "s|^$root||" | sort
}

"${as_root[@]}" cp /etc/resolv.conf "$root/etc/resolv.conf"
# The dependencies first, so that what the package itself leaves behind is
# all that the comparison at the end can show.
wanted=$(dpkg-deb -f "$deb" Depends)
recommended=$(dpkg-deb -f "$deb" Recommends)
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get satisfy -y -q "$wanted${recommended:+, $recommended}" \
     >"$root.install" 2>&1; then
  tail -n 30 "$root.install" >&2
  if grep -qE 'Unable to fetch|Could not resolve|Temporary failure|Connection failed' "$root.install"; then
    echo "package: SKIPPED the check: the dependencies cannot be downloaded (no package source reachable?)" >&2
    exit 77
  fi
  echo "package: installing the dependencies failed" >&2
  exit 1
fi
snapshot >"$root.before"
"${as_root[@]}" cp "$deb" "$root/tmp/"
say "apt-get install ./$(basename "$deb")"
if ! in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$(basename "$deb")" >"$root.install" 2>&1; then
  tail -n 30 "$root.install" >&2
  echo "package: installing the package failed" >&2
  exit 1
fi
# Keep what was downloaded for the next check.
cp -n "$root"/var/cache/apt/archives/*.deb "$cache/" 2>/dev/null || true

verdict=0
fail() { echo "package: FAILED: $*" >&2; verdict=1; }

version_out=$(in_root_offline netrov-cli --version 2>&1) || fail "netrov-cli --version: $version_out"
[ "$version_out" = "netrov-cli $version" ] || fail "netrov-cli --version said [$version_out]"

"${as_root[@]}" mkdir -p "$root/tmp/agent/data" "$root/tmp/agent/cache"
"${as_root[@]}" cp tests/devices/mono_laser.snmprec "$root/tmp/agent/data/"
"${as_root[@]}" chmod -R a+rX "$root/tmp/agent"
"${as_root[@]}" chmod 1777 "$root/tmp/agent/cache"  # snmpsimd writes it as nobody
# One namespace for the agent and the search: the agent starts, the search
# asks it by address, NetRov runs offscreen (its first search broadcasts on
# loopback only) and must still be running after a few seconds.
# shellcheck disable=SC2016
run_log=$(in_root_offline sh -c '
  snmpsimd --data-dir=/tmp/agent/data --agent-udpv4-endpoint=127.0.0.1:161 \
    --process-user=nobody --process-group=nogroup --cache-dir=/tmp/agent/cache >/tmp/agent/log 2>&1 &
  agent=$!
  for i in $(seq 50); do
    netrov-cli model 127.0.0.1 --community mono_laser --timeout 1 >/dev/null 2>&1 && break
    sleep 0.2
  done
  echo "== search"
  netrov-cli search --no-broadcast --address 127.0.0.1 --community mono_laser --timeout 2 --json --no-progress
  echo "== search status $?"
  mkdir -p /tmp/home
  HOME=/tmp/home QT_QPA_PLATFORM=offscreen timeout 5 NetRov >/tmp/netrov.log 2>&1
  echo "== NetRov status $?"
  # The exporter as its unit starts it, with the shipped configuration and a
  # community named for the agent, scraped once for itself and once for the agent.
  sed "s/^  default: public$/  default: public\n  mono: mono_laser/" /etc/netrov/exporter.yml >/tmp/agent/exporter.yml
  netrov-exporter --config.file=/tmp/agent/exporter.yml >/tmp/agent/exporter.log 2>&1 &
  exporter=$!
  python3 - <<"SCRAPE"
import http.client, time
def get(path):
    for _ in range(50):
        try:
            connection = http.client.HTTPConnection("127.0.0.1", 10109, timeout=10)
            connection.request("GET", path)
            return connection.getresponse().read().decode()
        except OSError:
            time.sleep(0.2)
    return "(no answer)"
print("== exporter metrics"); print(get("/metrics"))
print("== exporter probe"); print(get("/probe?target=127.0.0.1&community=mono"))
SCRAPE
  kill "$exporter"; wait "$exporter" 2>/dev/null
  kill "$agent"; wait "$agent" 2>/dev/null
  exit 0' 2>&1) || true
grep -q '"model": "Tarnwell ML-210"' <<<"$run_log" || fail "the search did not list the agent: $run_log"
grep -q '== search status 0' <<<"$run_log" || fail "the search failed: $run_log"
# timeout's 124: NetRov was still running when its time was up.
grep -q '== NetRov status 124' <<<"$run_log" ||
  fail "NetRov did not keep running offscreen: $run_log $("${as_root[@]}" cat "$root/tmp/netrov.log" 2>/dev/null)"

grep -q '^netrov_exporter_build_info' <<<"$run_log" || fail "the exporter did not serve its own metrics: $run_log"
grep -qE '^netrov_up(\{[^}]*\})? 1' <<<"$run_log" || fail "the exporter's probe did not reach the agent: $run_log"
[ -n "$("${as_root[@]}" find "$root/lib/systemd/system" "$root/usr/lib/systemd/system" -name netrov-exporter.service 2>/dev/null)" ] ||
  fail "the exporter's systemd unit is not installed"
# The communities stay root's: the unit hands the service its own copy.
config_owner=$("${as_root[@]}" stat -c '%U:%G %a' "$root/etc/netrov/exporter.yml" 2>&1)
[ "$config_owner" = "root:root 600" ] || fail "/etc/netrov/exporter.yml is [$config_owner], not root:root 600"
for unit in system/netrov-exporter.service user/netrov-watch.service; do
  file=$("${as_root[@]}" find "$root/lib/systemd/$unit" "$root/usr/lib/systemd/$unit" 2>/dev/null | head -n 1)
  "${as_root[@]}" grep -qx 'Restart=on-failure' "$file" 2>/dev/null || fail "$unit does not restart on failure"
done

say "apt-get purge netrov"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q netrov >"$root.purge" 2>&1 ||
  fail "purging the package failed: $(tail -n 20 "$root.purge")"
snapshot >"$root.after"
if ! left=$(diff "$root.before" "$root.after"); then
  fail "the package left these behind (or took these away):
$left"
fi
rm -f "$root.before" "$root.after" "$root.install" "$root.purge"
took "the check" "$started"
if ((verdict == 0)); then
  say "installed, ran and removed cleanly in a fresh Debian 12 root"
fi
exit "$verdict"
