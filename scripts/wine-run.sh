#!/bin/sh
# Runs a Windows program under Wine: the emulator of the Windows build's
# tests. Quiet, with a prefix of its own, and without the Mono and Gecko
# installers that a new prefix would otherwise offer.
: "${WINEPREFIX:=${HOME:-/tmp}/.wine-netrov}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# A 64-bit program runs on Wine's 64-bit loader directly: the wine wrapper
# starts the 32-bit loader first, which a kernel without 32-bit support
# cannot execute.
if [ -x /usr/lib/wine/wine64 ] && file -b "$1" 2>/dev/null | grep -q '^PE32+'; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
