#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine with a prefix of the build's own.
set -euo pipefail
: "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/dropwell/wineprefix}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec /usr/bin/wine "$@"
