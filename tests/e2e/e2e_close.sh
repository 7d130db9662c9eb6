#!/usr/bin/env bash
# End to end under Xvfb: the real program copied alone into a folder with its
# two files, started, checked for the remembered geometry, closed by a click
# on the close button at its scaled place, and the written files checked.
# Usage: e2e_close.sh <path of the Dropwell executable>
set -uo pipefail
program=$1
source "$(dirname "$0")/lib.sh"
start_xvfb

# Clicks the close button (22 x 17 units at 136, 0 of 167 x 133) of the
# window at left, top, width, height, then waits for the program to end.
close_by_button() {
  local left=$1 top=$2 width=$3 height=$4
  local x=$((left + (147 * width) / 167)) y=$((top + (17 * height) / 266))
  xdotool mousemove "$x" "$y" click 1
  wait_exit "the close button"
}

geometry() {
  xdotool getwindowgeometry "$1" | awk '/Position/ {split($2, p, ","); x = p[1]; y = p[2]}
    /Geometry/ {split($2, s, "x"); print x, y, s[1], s[2]}'
}

# Settings keys as lines, CR removed.
ini_lines() { tr -d '\r' <"$1" | grep -v '^$'; }

# --- 1: a prepared folder list and settings file ---
dir1="$work/run one"
mkdir -p "$dir1/target folder"
cp "$program" "$dir1/Dropwell"
# UTF-8 with its mark, LF breaks, an empty and a short line before the
# second entry, and no break after the last line.
printf '\xEF\xBB\xBF%s,Target\n\nshort\n/tmp,\xE4\xB8\x80\xE6\x99\x82' "$dir1/target folder" \
  >"$dir1/Dropwell.txt"
printf '[Form]\r\nTop=50\r\nLeft=60\r\nWidth=334\r\nHeight=133\r\nStayTop=0\r\n[Select]\r\nFolder=1\r\n' \
  >"$dir1/Dropwell.ini"
start_program "$dir1"
got=$(geometry "$win")
[ "$got" = "60 50 334 133" ] || fail "geometry '$got', expected '60 50 334 133'"
close_by_button 60 50 334 133
printf '\xEF\xBB\xBF%s,Target\r\n\r\nshort\r\n/tmp,\xE4\xB8\x80\xE6\x99\x82\r\n' \
  "$dir1/target folder" >"$work/expected.txt"
cmp "$dir1/Dropwell.txt" "$work/expected.txt" || fail "folder list bytes differ"
expected_ini=$'[Form]\nTop=50\nLeft=60\nWidth=334\nHeight=133\nStayTop=0\n[Select]\nFolder=1'
[ "$(ini_lines "$dir1/Dropwell.ini")" = "$expected_ini" ] ||
  fail "settings: $(ini_lines "$dir1/Dropwell.ini")"

# --- 2: no settings file: defaults, and a new file with the keys in order ---
dir2="$work/run two"
mkdir -p "$dir2/a"
cp "$program" "$dir2/Dropwell"
printf '%s,A\r\n' "$dir2/a" >"$dir2/Dropwell.txt"
printf '\xEF\xBB\xBF%s,A\r\n' "$dir2/a" >"$work/expected2.txt"
start_program "$dir2"
got=$(geometry "$win")
[ "$got" = "100 100 150 140" ] || fail "default geometry '$got'"
close_by_button 100 100 150 140
cmp "$dir2/Dropwell.txt" "$work/expected2.txt" || fail "second folder list bytes differ"
expected_ini=$'[Form]\nTop=100\nLeft=100\nWidth=150\nHeight=140\nStayTop=0\n[Select]\nFolder=0'
[ "$(ini_lines "$dir2/Dropwell.ini")" = "$expected_ini" ] ||
  fail "new settings file: $(ini_lines "$dir2/Dropwell.ini")"

echo "e2e close: passed"
