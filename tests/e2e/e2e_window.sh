#!/usr/bin/env bash
# End to end under Xvfb: the borderless window moved and resized by real
# pointer drags (xdotool), with or without a window manager: hints while
# inactive (with the window manager), drags with every
# button from empty spots, presses on controls that must not move it, a
# resize from the bottom-right, the geometry saved by the close button and
# reopened, and a close by the system that writes nothing.
# Usage: e2e_window.sh <path of the Dropwell executable> [openbox]
set -uo pipefail
program=$1
wm=${2:-none}
e2e_label=$wm
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768
[ "$wm" = openbox ] && start_openbox

dir="$work/drop window"
mkdir -p "$dir/target"
cp "$program" "$dir/Dropwell"
printf '%s,T\r\n' "$dir/target" >"$dir/Dropwell.txt"
printf '[Form]\r\nTop=200\r\nLeft=300\r\nWidth=167\r\nHeight=133\r\nStayTop=0\r\n' >"$dir/Dropwell.ini"

# "left top width height" of the window as the X server has it.
geometry() {
  xdotool getwindowgeometry "$win" | awk '/Position/ {split($2, p, ","); x = p[1]; y = p[2]}
    /Geometry/ {split($2, s, "x"); print x, y, s[1], s[2]}'
}

# Waits until the window stands at the geometry given (the program answers
# the pointer asynchronously), else fails with what it is.
expect_geometry() {
  local want=$1 what=$2 got=""
  for _ in $(seq 50); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      wait "$app_pid"
      fail "$what: the program ended with code $?: $(cat "$work/app.log")"
    fi
    got=$(geometry 2>/dev/null)
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  fail "$what: geometry '$got', expected '$want'"
}

# The screen point of a point in layout units (167 x 133) of the window.
read -r L T W H <<<"300 200 167 133"
at() { echo $((L + ($1 * W) / 167)) $((T + ($2 * H) / 133)); }
refresh() { read -r L T W H <<<"$(geometry)"; }

# A drag with button $1 from units ($2, $3) by ($4, $5), with a jump far
# outside the window on the way.
drag() {
  local button=$1 ux=$2 uy=$3 dx=$4 dy=$5
  refresh
  read -r px py <<<"$(at "$ux" "$uy")"
  xdotool mousemove "$px" "$py"
  sleep 0.1
  xdotool mousedown "$button"
  sleep 0.1
  xdotool mousemove $((px + dx + 250)) $((py + dy + 180))
  sleep 0.1
  xdotool mousemove $((px + dx)) $((py + dy))
  sleep 0.1
  # Once more to the same end, should a busy window manager have held back
  # the motions right after the press.
  xdotool mousemove $((px + dx + 1)) $((py + dy))
  xdotool mousemove $((px + dx)) $((py + dy))
  sleep 0.2
  xdotool mouseup "$button"
  sleep 0.1
}

start_program "$dir"
expect_geometry "300 200 167 133" "start"

# --- hints show while another window is the active one ---
if [ "$wm" = openbox ]; then
  xmessage -geometry +700+600 other >/dev/null 2>&1 &
  other_pid=$!
  other=""
  for _ in $(seq 50); do
    other=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -n1)
    [ -n "$other" ] && break
    sleep 0.1
  done
  [ -n "$other" ] || fail "no other window"
  xdotool windowactivate --sync "$other"
  [ "$(xdotool getactivewindow)" = "$other" ] || fail "the other window is not active"
  read -r px py <<<"$(at 15 11)"  # SettingBtn
  xdotool mousemove "$px" "$py"
  sleep 0.2
  xdotool mousemove $((px + 1)) "$py"
  tip=no
  for _ in $(seq 50); do
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
      xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP && tip=yes
    done
    [ "$tip" = yes ] && break
    sleep 0.1
  done
  [ "$tip" = yes ] || fail "no hint on SettingBtn while another window is active"
  kill "$other_pid"
  wait "$other_pid" 2>/dev/null
fi

# --- drags from empty spots follow the pointer exactly ---
drag 1 100 28 40 30     # strip between the tool bar and the combo box
expect_geometry "340 230 167 133" "left drag from the strip"
drag 3 120 12 -70 15    # tool bar between two buttons
expect_geometry "270 245 167 133" "right drag on the tool bar"
drag 2 147 21 25 -45    # tool bar below the shorter close button
expect_geometry "295 200 167 133" "middle drag below the close button"
drag 1 150 100 5 0      # margin right of the radio buttons
expect_geometry "300 200 167 133" "left drag from the margin"

# The second press of a double click moves as well.
refresh
read -r px py <<<"$(at 100 28)"
xdotool mousemove "$px" "$py" click 1 mousedown 1
# A window manager that sees presses first (openbox, to focus) may hold
# back a motion that comes at once after one.
sleep 0.1
xdotool mousemove $((px + 12)) $((py + 7))
sleep 0.2
xdotool mouseup 1
expect_geometry "312 207 167 133" "drag with the second press of a double click"
drag 2 100 28 -12 -7
expect_geometry "300 200 167 133" "back"

# --- presses on controls never move the window ---
for spot in "15 11" "43 11" "67 11" "91 11" "60 45" "108 85" "108 110" "36 96"; do
  # Right and middle presses open nothing and toggle nothing.
  for button in 3 2; do
    drag "$button" $spot 30 20
    expect_geometry "300 200 167 133" "button $button on the control at $spot"
  done
done
for spot in "108 110" "36 96" "108 85"; do  # MoveRb, the drop target, CopyRb
  drag 1 $spot 30 20
  expect_geometry "300 200 167 133" "left drag on the control at $spot"
done

# --- with ReSizeBtn on, a drag resizes from the bottom-right ---
refresh
read -r px py <<<"$(at 67 11)"
xdotool mousemove "$px" "$py" click 1
sleep 0.2
drag 3 5 128 60 40      # near the bottom-left corner: still the bottom-right moves
expect_geometry "300 200 227 173" "resize grows"
drag 1 100 28 -90 -70   # left and up shrink by as much
expect_geometry "300 200 137 103" "resize shrinks"
refresh
read -r px py <<<"$(at 67 11)"
xdotool mousemove "$px" "$py" click 1
sleep 0.2
drag 2 100 28 17 -11
expect_geometry "317 189 137 103" "move after ReSizeBtn is off again"

# --- TopBtn switches the window manager's stay-on-top in place ---
if [ "$wm" = openbox ]; then
  for want in yes no; do
    refresh
    read -r px py <<<"$(at 91 11)"
    xdotool mousemove "$px" "$py" click 1
    above=no
    for _ in $(seq 50); do
      xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE && above=yes || above=no
      [ "$above" = "$want" ] && break
      sleep 0.1
    done
    [ "$above" = "$want" ] || fail "stay on top is '$above' after a click on TopBtn, expected '$want'"
    expect_geometry "317 189 137 103" "TopBtn keeps the geometry"
  done
fi

# --- the close button saves the geometry; a restart opens there ---
refresh
read -r px py <<<"$(at 147 8)"
xdotool mousemove "$px" "$py" click 1
wait_exit "the close button"
saved=$(tr -d '\r' <"$dir/Dropwell.ini" | grep -E '^(Top|Left|Width|Height)=' | tr '\n' ' ')
[ "$saved" = "Top=189 Left=317 Width=137 Height=103 " ] || fail "saved geometry '$saved'"
start_program "$dir"
expect_geometry "317 189 137 103" "restart"

# --- a close by the system after a move writes neither file: Alt+F4 under
# the window manager, a termination request (the session ending) without ---
drag 1 100 28 -100 50
expect_geometry "217 239 137 103" "move before the close"
list_before=$(md5sum <"$dir/Dropwell.txt")
ini_before=$(md5sum <"$dir/Dropwell.ini")
if [ "$wm" = openbox ]; then
  how="Alt+F4"
  xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
  xdotool key --clearmodifiers alt+F4
else
  how="SIGTERM"
  kill -TERM "$app_pid"
fi
wait_exit "$how"
[ "$(md5sum <"$dir/Dropwell.txt")" = "$list_before" ] || fail "$how wrote the folder list"
[ "$(md5sum <"$dir/Dropwell.ini")" = "$ini_before" ] || fail "$how wrote the settings"

echo "e2e window ($wm): passed"
