#!/usr/bin/env bash
# The exporter's system service and its configuration file as packaged: the
# unit passes systemd-analyze verify and its sandbox audit, names the program
# and the configuration, and the configuration starts the exporter on
# loopback, unprivileged, inside a private network namespace.
#   service_test.sh SOURCE_DIR PROGRAM_DIR
# Exit 77 (skipped) without systemd-analyze.
set -euo pipefail
source_dir=$1
program_dir=$2
unit=$source_dir/debian/netrov.netrov-exporter.service
config=$source_dir/exporter/exporter.yml
command -v systemd-analyze >/dev/null || { echo "SKIP: systemd-analyze is missing"; exit 77; }
[ -x "$program_dir/netrov-exporter" ] || { echo "SKIP: netrov-exporter is not built"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
verdict=0
fail() { echo "FAIL: $*" >&2; verdict=1; }

# The settings the package promises, one line each.
required=(
  "LoadCredential=exporter.yml:/etc/netrov/exporter.yml"
  "ExecStart=/usr/lib/netrov/netrov-exporter --config.file=%d/exporter.yml"
  "Restart=on-failure"
  "DynamicUser=yes"
  "ProtectSystem=strict"
  "ProtectHome=yes"
  "NoNewPrivileges=yes"
  "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX"
  "WantedBy=multi-user.target"
)
for line in "${required[@]}"; do
  grep -qxF "$line" "$unit" || fail "the unit lacks $line"
done

# A root with systemd's own units and the program where the unit expects it;
# an unknown key or a missing program is only a warning, so any output fails.
root=$work/root
mkdir -p "$root/usr/lib/netrov" "$root/etc/systemd/system" "$root/lib/systemd"
cp -a /lib/systemd/system "$root/lib/systemd/"
cp "$program_dir/netrov-exporter" "$root/usr/lib/netrov/"
cp "$unit" "$root/etc/systemd/system/netrov-exporter.service"
if ! out=$(systemd-analyze verify --man=no --root="$root" netrov-exporter.service 2>&1) || [ -n "$out" ]; then
  fail "systemd-analyze verify: $out"
fi
# Exposure 0 (locked down) to 10 (unprotected); the threshold is in tenths.
if ! out=$(systemd-analyze security --offline=yes --root="$root" --threshold=25 netrov-exporter.service 2>&1); then
  fail "the sandbox is weaker than exposure 2.5: $(grep -i 'overall' <<<"$out")"
fi

# The configuration file starts the exporter on 127.0.0.1:10109, as nobody.
if [ "$(id -u)" -ne 0 ] || ! unshare -n true 2>/dev/null; then
  echo "SKIP: starting the configuration needs root and unshare -n"
  [ "$verdict" -eq 0 ] && exit 77
  exit "$verdict"
fi
unshare -n sh -c 'ip link set lo up && exec setpriv --reuid=65534 --regid=65534 --clear-groups --no-new-privs "$@"' sh \
  /usr/bin/python3 - "$program_dir/netrov-exporter" "$config" <<'PY' || fail "the packaged configuration does not serve"
import subprocess, sys, time, urllib.request
exporter = subprocess.Popen([sys.argv[1], "--config.file=" + sys.argv[2]])
try:
    deadline = time.monotonic() + 15
    while True:
        try:
            text = urllib.request.urlopen("http://127.0.0.1:10109/metrics", timeout=2).read().decode()
            break
        except OSError:
            if exporter.poll() is not None or time.monotonic() > deadline:
                sys.exit("no answer on 127.0.0.1:10109")
            time.sleep(0.1)
    if "netrov_exporter_scrapes_total 0\n" not in text:
        sys.exit("unexpected /metrics:\n" + text)
finally:
    exporter.terminate()
    exporter.wait()
PY
[ "$verdict" -eq 0 ] && echo "the unit verifies, is sandboxed, and its configuration serves on loopback"
exit "$verdict"
