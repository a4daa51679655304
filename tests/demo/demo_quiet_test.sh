#!/usr/bin/env bash
# The demonstration keeps configure output to itself unless configuring
# fails. A stand-in cmake on PATH makes the noise; the demo then stops with
# 77 because the stand-in builds no netrov-cli, before any namespace is made.
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cat >"$work/bin/cmake" <<'STUB'
#!/bin/sh
case "$1" in
  --build) exit 0 ;;
esac
echo "-- Could NOT find XKB (missing: XKB_LIBRARY XKB_INCLUDE_DIR)"
[ -n "${STUB_CONFIGURE_FAILS:-}" ] && { echo "CMake Error: configure broke"; exit 1; }
exit 0
STUB
chmod +x "$work/bin/cmake"

verdict=0
out=$(PATH="$work/bin:$PATH" bash "$source_dir/scripts/demo.sh" --no-setup --build-dir "$work/build" 2>&1)
status=$?
if [ "$status" -ne 77 ] || grep -q XKB <<<"$out"; then
  echo "quiet configure: status $status, output [$out]"; verdict=1
fi
out=$(STUB_CONFIGURE_FAILS=1 PATH="$work/bin:$PATH" bash "$source_dir/scripts/demo.sh" --no-setup --build-dir "$work/build" 2>&1)
status=$?
if [ "$status" -ne 1 ] || ! grep -q "configure broke" <<<"$out" || ! grep -q XKB <<<"$out"; then
  echo "failed configure: status $status, output [$out]"; verdict=1
fi
[ "$verdict" -eq 0 ] && echo "demo configure output: quiet when it works, shown when it fails"
exit "$verdict"
