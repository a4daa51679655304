# shellcheck shell=bash
# Sourced by scripts: apt that survives an archive in the middle of a sync.
# A mirror being synced serves an index of the wrong size for a few minutes,
# and apt-get update then fails although every package is still there.
#
#   apt_retry COMMAND...   runs COMMAND up to NETROV_APT_TRIES times (3),
#                          NETROV_APT_PAUSE seconds apart (20); its last status
#   apt_update             apt-get update, retried; an index that still fails
#                          is reported and tolerated: the install that follows
#                          decides whether what apt has is enough
#   apt_install PACKAGE... apt_update, then installs the packages; the status
#                          of the install
#
# apt_root is the command prefix for root (sudo when not root); a caller that
# runs apt on its own private directories sets it to ().
apt_root=()
[ "$(id -u)" -eq 0 ] || apt_root=(sudo)

apt_retry() {
  local tries=${NETROV_APT_TRIES:-3} pause=${NETROV_APT_PAUSE:-20} try=1 status
  while :; do
    status=0
    "$@" || status=$?
    if ((status == 0 || try >= tries)); then
      return "$status"
    fi
    echo "apt: $* failed (status $status, try $try of $tries); trying again in $pause s" >&2
    sleep "$pause"
    try=$((try + 1))
  done
}

apt_update() {
  if ! apt_retry "${apt_root[@]}" apt-get update -qq; then
    echo "apt: apt-get update still fails; going on with the package lists apt has" >&2
  fi
  return 0
}

apt_install() {
  apt_update
  "${apt_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}
