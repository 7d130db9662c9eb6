#!/usr/bin/env bash
# End to end under Xvfb, on a bare X server and with a window manager
# (openbox) as on a desktop: the folder list editor opened from the tool bar,
# centred and modal, both windows with the program icon. Under openbox also
# an entry typed and added, two entries reordered with a real pointer drag,
# the window manager's close (Alt+F4), a second opening where the first was
# left closed by the title bar's button, and the list written by the close
# button checked byte for byte.
# Usage: e2e_editor.sh <path of the Dropwell executable>
set -uo pipefail
program=$1
source "$(dirname "$0")/lib.sh"
start_xvfb

# Waits for a visible window whose name matches $1; its id on stdout.
wait_window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits until no visible window's name matches $1.
wait_gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
# x y width height of a window's client area on the screen (xwininfo's
# absolute position holds also inside a window manager's frame).
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}
# left right top bottom of the frame the window manager put around it.
frame() {
  local extents
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ',')
  echo "${extents:-0 0 0 0}"
}
# The editor draws its own frame: its client area starts below the 29-pixel
# title bar and inside the 6-pixel left border.
ox=6 oy=29
# Clicks at a point given in the editor's client coordinates.
click_in() {
  xdotool mousemove --window "$1" $(($2 + ox)) $(($3 + oy)) sleep 0.2 click 1
  sleep 0.3
}
# Moves the pointer to a point given in the editor's client coordinates.
point_in() {
  xdotool mousemove --window "$1" $(($2 + ox)) $(($3 + oy))
}

dir="$work/program folder"
mkdir -p "$dir"
cp "$program" "$dir/Dropwell"
printf '\xEF\xBB\xBF/srv/a,Ay\r\n/srv/b,Bee\r\n' >"$dir/Dropwell.txt"
printf '[Form]\r\nTop=40\r\nLeft=30\r\nWidth=167\r\nHeight=133\r\nStayTop=0\r\n[Select]\r\nFolder=-1\r\n' \
  >"$dir/Dropwell.ini"

# Starts the program, opens the editor from SettingBtn and checks that its
# outer bounds are centred on the 800 x 600 screen and that the drop window
# takes no input meanwhile. Sets main, editor, left, top, width, height and
# the editor's client geometry ex, ey, ew, eh.
open_editor() {
  start_program "$dir"
  main=$win
  read -r left top width height <<<"$(geometry "$main")"
  # SettingBtn: 22 x 22 at 4, 0.
  xdotool mousemove $(at 15 11) click 1
  editor=$(wait_window 'フォルダー追加') || fail "the editor did not open"
  sleep 0.5
  read -r ex ey ew eh <<<"$(geometry "$editor")"
  [ "$ew $eh" = "390 313" ] || fail "editor size $ew x $eh"
  local fl fr ft fb cx cy
  read -r fl fr ft fb <<<"$(frame "$editor")"
  # Twice the frame's centre, against twice the screen's.
  cx=$(((ex - fl) * 2 + ew + fl + fr)) cy=$(((ey - ft) * 2 + eh + ft + fb))
  [ $((cx - 800)) -ge -2 ] && [ $((cx - 800)) -le 2 ] && [ $((cy - 600)) -ge -2 ] &&
    [ $((cy - 600)) -le 2 ] || fail "editor not centred: client $ex,$ey frame $fl $fr $ft $fb"
  # Both windows wear the program icon (the taskbar's picture of them).
  local id
  for id in "$main" "$editor"; do
    [[ "$(xprop -id "$id" _NET_WM_ICON)" == *"Icon (32 x 32)"* ]] || fail "no program icon on $id"
  done
  # CloseBtn (22 x 17 at 136, 0) does nothing while the editor is open.
  xdotool mousemove $(at 147 8) click 1
  sleep 0.5
  kill -0 "$app_pid" 2>/dev/null || fail "the drop window took a click while the editor was open"
  xdotool search --onlyvisible --name 'フォルダー追加' >/dev/null || fail "the editor went away"
}
# A point of the drop window given in layout units (167 x 133).
at() { echo $((left + ($1 * width) / 167)) $((top + ($2 * height) / 133)); }

# --- 1: a bare X server, no window manager ---
open_editor
kill "$app_pid"
wait "$app_pid" 2>/dev/null
app_pid=""

# --- 2: under openbox ---
start_openbox
open_editor

# Type a path and an alias; AddBtn appends "path,alias".
click_in "$editor" 181 27
xdotool type --delay 20 "/tmp/new folder"
click_in "$editor" 181 71
xdotool type --delay 20 "New"
click_in "$editor" 322 71

# Reorder: a first click makes the top entry current and a second press
# picks it up; the picture that then follows the pointer is as tall as a row
# (and as wide as the list, 265), so the release lands on the second row.
click_in "$editor" 60 93
sleep 0.6
point_in "$editor" 60 93
xdotool mousedown 1
sleep 0.3
row=$(xwininfo -root -children | sed -n 's/.* 265x\([0-9]*\)+.*/\1/p' | head -n1)
[ -n "$row" ] || fail "no picture of the dragged entry"
for y in 96 100 $((90 + row)) $((90 + row * 3 / 2)); do
  point_in "$editor" 60 "$y"
  sleep 0.05
done
sleep 0.2
xdotool mouseup 1
sleep 0.3

# The window manager's close.
xdotool windowactivate --sync "$editor" 2>/dev/null
xdotool key --clearmodifiers alt+F4
wait_gone 'フォルダー追加' || fail "Alt+F4 did not close the editor"

# Opened again: where it was left, with the edited list.
xdotool mousemove $(at 15 11) click 1
editor=$(wait_window 'フォルダー追加') || fail "the editor did not open again"
sleep 0.5
[ "$(geometry "$editor")" = "$ex $ey $ew $eh" ] ||
  fail "reopened at $(geometry "$editor"), was $ex $ey $ew $eh"
# This time by the close button of its own title bar (28 x 18, right end).
xdotool mousemove --window "$editor" $((390 - 6 - 14)) 14 sleep 0.2 click 1
wait_gone 'フォルダー追加' || fail "the title bar's close button did not close the editor"

# CloseBtn: 22 x 17 at 136, 0; it writes the list and ends the program.
xdotool mousemove $(at 147 8) click 1
wait_exit "the close button"
printf '\xEF\xBB\xBF/srv/b,Bee\r\n/srv/a,Ay\r\n/tmp/new folder,New\r\n' >"$work/expected.txt"
cmp "$dir/Dropwell.txt" "$work/expected.txt" ||
  fail "folder list: $(od -c "$dir/Dropwell.txt" | head -n 8 | tr "\n" " ")"
echo "e2e editor: passed"
