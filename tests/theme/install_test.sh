#!/usr/bin/env bash
# cmake --install into a fresh prefix: the program in lib/dropwell (a folder
# of its own, where it keeps its two files), a link in bin, the desktop entry
# naming the installed program, and the hicolor icons.
# Usage: install_test.sh <build folder>
set -uo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$prefix/install.log" 2>&1 ||
  fail "install: $(cat "$prefix/install.log")"
[ -x "$prefix/lib/dropwell/Dropwell" ] || fail "no program in lib/dropwell"
[ "$(readlink -f "$prefix/bin/dropwell")" = "$(readlink -f "$prefix/lib/dropwell/Dropwell")" ] ||
  fail "bin/dropwell does not lead to the program"
entry="$prefix/share/applications/dropwell.desktop"
[ -f "$entry" ] || fail "no desktop entry"
grep -qx "Exec=\"$prefix/lib/dropwell/Dropwell\"" "$entry" || fail "Exec: $(grep Exec "$entry")"
grep -qx 'Icon=dropwell' "$entry" || fail "Icon: $(grep Icon "$entry")"
for size in 16 24 32 48 64 72 96 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/dropwell.png"
  [ -f "$png" ] || fail "no ${size}px icon"
  # The PNG header holds width and height as big-endian words at 16 and 20.
  read -r w h <<<"$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4, $7 * 256 + $8}')"
  [ "$w $h" = "$size $size" ] || fail "${size}px icon is $w x $h"
done
echo "install layout: passed"
