#!/usr/bin/env bash
# The scripts ride out a package archive in the middle of a sync: apt-get
# update is retried, an index that still fails is tolerated while the
# packages install, and the package check skips (77) when they do not. Stand-in
# apt-get, dpkg, dpkg-query and sudo on PATH play the machine; nothing is
# installed and no network is used.
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"

cat >"$work/bin/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >>"$FAKE/log"
case "$1" in
  update)
    left=$(cat "$FAKE/update-failures")
    if [ "$left" -gt 0 ]; then
      echo $((left - 1)) >"$FAKE/update-failures"
      echo "E: Failed to fetch i386/Packages  File has unexpected size (4096 != 8192). Mirror sync in progress?" >&2
      exit 100
    fi ;;
  install)
    for p in "$@"; do
      case " $FAKE_UNINSTALLABLE " in *" $p "*) echo "E: Unable to locate package $p" >&2; exit 100 ;; esac
    done ;;
esac
exit 0
STUB
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
for p; do :; done
case " $FAKE_MISSING " in *" $p "*) exit 1 ;; esac
printf 'install ok installed'
STUB
cat >"$work/bin/dpkg" <<'STUB'
#!/bin/sh
echo "dpkg $*" >>"$FAKE/log"
exit 0
STUB
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*

failures=0
# script and arguments | missing packages | update failures | packages that cannot be installed |
# expected status | expected apt-get updates | dpkg architecture calls
rows=(
  "setup.sh|snmpsim|1||0|2|"
  "setup.sh|snmpsim|9||0|3|"
  "setup.sh|snmpsim|9|snmpsim|100|3|"
  "setup.sh||9||0|0|"
  "package.sh --check --out $work/out|mmdebstrap|1|mmdebstrap|77|2|"
  "package.sh --check --out $work/out|mmdebstrap|9|mmdebstrap|77|3|"
  "setup.sh --windows|mingw-w64|0||0|1|"
  "setup.sh --windows --wine32|wine32:i386|1|wine32:i386|0|2|--add-architecture i386,--remove-architecture i386,"
  "setup.sh --windows --wine32|wine32:i386|0||0|1|--add-architecture i386,"
)
for row in "${rows[@]}"; do
  IFS='|' read -r command missing update_failures uninstallable want_status want_updates want_dpkg <<<"$row"
  rm -f "$work/log" && touch "$work/log"
  echo "$update_failures" >"$work/update-failures"
  # shellcheck disable=SC2086  # the command's words
  out=$(cd "$source_dir" && PATH="$work/bin:$PATH" FAKE=$work FAKE_MISSING=$missing FAKE_UNINSTALLABLE=$uninstallable \
        NETROV_APT_PAUSE=0 NETROV_POLICY_RC="$work/policy-rc.d" bash scripts/$command 2>&1)
  status=$?
  updates=$(grep -c '^apt-get update' "$work/log")
  dpkg_calls=$(sed -n 's/^dpkg \(--[a-z]*-architecture .*\)/\1/p' "$work/log" | tr '\n' ',')
  if [ "$status" != "$want_status" ] || [ "$updates" != "$want_updates" ] || [ "$dpkg_calls" != "$want_dpkg" ]; then
    echo "[$row]: status $status, $updates updates, dpkg [$dpkg_calls]; output [$out]"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "apt retries: every case gave what it should"
exit "$((failures > 0))"
