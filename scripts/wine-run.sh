#!/bin/sh
# Runs a Windows program under Wine: the emulator of the Windows build's
# tests. Quiet, with a prefix of its own, and without the Mono and Gecko
# installers that a new prefix would otherwise offer.
: "${WINEPREFIX:=${HOME:-/tmp}/.wine-netrov}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
