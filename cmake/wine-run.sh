#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine, headless. The first argument
# --prefix=DIR names the build's own prefix, used when WINEPREFIX is unset
# (the test command exports it and runs the Wine server for the whole lane).
set -euo pipefail
default_prefix="${XDG_CACHE_HOME:-$HOME/.cache}/dropwell/wineprefix"
if [[ "${1:-}" == --prefix=* ]]; then
  default_prefix="${1#--prefix=}"
  shift
fi
: "${WINEPREFIX:=$default_prefix}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# No display: keep Wine from looking for one.
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$(dirname "$WINEPREFIX")"
exec /usr/bin/wine "$@"
