# shellcheck shell=bash
# Sourced by scripts: the Debian archive this machine's apt is configured with.
# debian_mirror prints the first URI that serves the bookworm suite in
# /etc/apt/sources.list, sources.list.d/*.list and sources.list.d/*.sources
# (one-line and deb822 forms), so a local mirror or proxy is used as apt uses
# it. NETROV_APT_ETC names another apt directory (for tests). Fails, saying
# so, when no source serves bookworm.
debian_mirror() {
  local etc=${NETROV_APT_ETC:-/etc/apt} suite=${1:-bookworm} f uri=""
  for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    uri=$(awk -v suite="$suite" '
      $1 == "deb" || $1 == "deb-src" {
        i = 2
        if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
        if ($(i + 1) == suite) { print $i; exit }
      }' "$f")
    [ -n "$uri" ] && break
  done
  if [ -z "$uri" ]; then
    for f in "$etc"/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      uri=$(awk -v suite="$suite" '
        function check() {
          if (types ~ /(^| )deb(-src)?( |$)/ && (" " suites " ") ~ (" " suite " ") && enabled != "no" && uris != "") {
            split(uris, u, " "); print u[1]; found = 1; exit
          }
          types = ""; uris = ""; suites = ""; enabled = ""
        }
        /^[ \t]*$/ { check(); next }
        /^#/ { next }
        { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
          if (key == "types") types = $0
          else if (key == "uris") uris = $0
          else if (key == "suites") suites = $0
          else if (key == "enabled") enabled = tolower($0) }
        END { if (!found) check() }' "$f")
      [ -n "$uri" ] && break
    done
  fi
  if [ -z "$uri" ]; then
    echo "no apt source in $etc serves Debian $suite: add one (a mirror or a local proxy) first" >&2
    return 1
  fi
  echo "${uri%/}"
}
