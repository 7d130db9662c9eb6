#!/usr/bin/env bash
# End to end: a separate drag-source process offers real files over XDND and
# xdotool drags them onto the running Dropwell's drop target.
# Usage: e2e_drag.sh DROPWELL_BINARY DRAG_SOURCE_BINARY
set -euo pipefail
dropwell_bin=$1
source_bin=$2
source "$(dirname "$0")/lib.sh"
source_pid=""
trap 'set +e; [ -n "$source_pid" ] && kill "$source_pid" 2>/dev/null; e2e_cleanup' EXIT
# As the shared fail, with what the program printed and the windows there are.
fail() {
  echo "FAIL: $*" >&2
  sed 's/^/  dropwell: /' "$work/app.log" >&2 2>/dev/null
  xdotool search --name 'Dropwell' 2>/dev/null | while read -r w; do
    echo "  window $w: $(xdotool getwindowname "$w") $(xdotool getwindowgeometry "$w" | tr '\n' ' ')" >&2
  done
  exit 1
}
start_xvfb 1024x768
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

app="$work/app"
mkdir -p "$app" "$work/src" "$work/target"
cp "$dropwell_bin" "$app/Dropwell"

# Window at 300,200 and 167 x 133: layout units are pixels, so the drop
# target's centre (8+28, 72+24) and MoveRb (80+28, 100+9) are easy to find.
left=300 top=200
drop_x=$((left + 36)) drop_y=$((top + 96))
move_x=$((left + 108)) move_y=$((top + 109))

start_dropwell() {  # $1: Folder index in the settings file
  printf '[Form]\r\nTop=%d\r\nLeft=%d\r\nWidth=167\r\nHeight=133\r\nStayTop=0\r\n[Select]\r\nFolder=%d\r\n' \
    "$top" "$left" "$1" >"$app/Dropwell.ini"
  (cd "$app" && exec ./Dropwell) >"$work/app.log" 2>&1 &
  app_pid=$!
}

wait_window() {  # $1: window name pattern; the drop window is 167 x 133
  for _ in $(seq 300); do
    for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
      xdotool getwindowgeometry "$w" | grep -q 'Geometry: 167x133' && return 0
    done
    sleep 0.1
  done
  fail "no window named $1"
}

stop_dropwell() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# Starts the drag source with the given files (none: a text drag) and drags
# them from its window onto the drop target; drag_result then waits for the
# source and prints what it was told: the action answered at the drop and
# the one the target reported as performed ("move move", "copy copy", ...).
drag_start() {
  "$source_bin" "$@" >"$work/source.out" 2>/dev/null &
  source_pid=$!
  for _ in $(seq 100); do grep -q ready "$work/source.out" 2>/dev/null && break; sleep 0.1; done
  # Give the source's window time to be mapped and take the press.
  sleep 1
  xdotool mousemove 60 60 mousedown 1
  sleep 0.3
  local steps=(70 100 160 220 "$drop_x")
  for x in "${steps[@]}"; do
    xdotool mousemove "$x" $((60 + (x - 60) * (drop_y - 60) / (drop_x - 60)))
    sleep 0.2
  done
  xdotool mousemove "$drop_x" "$drop_y"
  sleep 0.4
  xdotool mousemove $((drop_x + 1)) "$drop_y"
  sleep 0.4
  xdotool mouseup 1
}

drag_result() {
  for _ in $(seq 150); do kill -0 "$source_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$source_pid" 2>/dev/null || true
  wait "$source_pid" 2>/dev/null || true
  source_pid=""
  local finished
  finished=$(sed -n 's/^finished //p' "$work/source.out")
  echo "$(sed -n '2p' "$work/source.out") ${finished:-nothing}"
}

drag() {
  drag_start "$@"
  drag_result
}

# Presses key $2 in the first visible window named $1 that is not the drop
# window (167 x 133); fails after a while when there is none.
answer_window() {
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
      size=$(xdotool getwindowgeometry "$w" | awk '/Geometry/ {print $2}')
      if [ "$size" != 167x133 ]; then
        xdotool windowfocus --sync "$w" 2>/dev/null || true
        sleep 0.3
        xdotool key --clearmodifiers "$2"
        return 0
      fi
    done
    sleep 0.1
  done
  fail "no window named $1 to answer"
}

# --- copy and then move into an existing folder ---
printf '%s,Target\r\n%s,Gone\r\n' "$work/target" "$work/missing" >"$app/Dropwell.txt"
printf 'alpha' >"$work/src/a.txt"
printf 'beta' >"$work/src/b.txt"
printf 'gamma' >"$work/src/c.txt"
start_dropwell 0
wait_window '^Dropwell$'
sleep 0.5

answer=$(drag "$work/src/a.txt" "$work/src/b.txt")
[ "$answer" = "copy copy" ] || fail "copy drop: source was told '$answer'"
[ "$(cat "$work/target/a.txt")" = alpha ] || fail "a.txt not copied"
[ "$(cat "$work/target/b.txt")" = beta ] || fail "b.txt not copied"
[ -f "$work/src/a.txt" ] && [ -f "$work/src/b.txt" ] || fail "copy removed a source"
echo "ok: copy of two files"

xdotool mousemove "$move_x" "$move_y" click 1
sleep 0.3
answer=$(drag "$work/src/c.txt")
[ "$answer" = "move move" ] || fail "move drop: source was told '$answer'"
[ "$(cat "$work/target/c.txt")" = gamma ] || fail "c.txt not moved in"
[ ! -e "$work/src/c.txt" ] || fail "c.txt still at its source after a move"
echo "ok: move of one file, source told Move"

# A move that is not done in full reports Copy as performed, whatever was
# answered at the drop: a file manager then keeps its originals. Here the
# second file's name is taken and the question is answered Cancel (Esc).
printf 'delta' >"$work/src/d.txt"
printf 'epsilon' >"$work/src/e.txt"
printf 'old e' >"$work/target/e.txt"
drag_start "$work/src/d.txt" "$work/src/e.txt"
answer_window '^Replace or Skip Files$' Escape
answer_window '^Dropwell$' Return  # the failure is reported
answer=$(drag_result)
[ "$answer" = "move copy" ] || fail "cancelled move: source was told '$answer'"
[ "$(cat "$work/target/d.txt")" = delta ] && [ ! -e "$work/src/d.txt" ] ||
  fail "d.txt, before the cancel, was not moved"
[ "$(cat "$work/src/e.txt")" = epsilon ] && [ "$(cat "$work/target/e.txt")" = "old e" ] ||
  fail "the cancelled move touched e.txt"
echo "ok: cancelled move, source told Copy performed"
stop_dropwell

# --- a drop before any folder was chosen does nothing ---
before=$(ls "$work/target" | tr '\n' ' ')
start_dropwell -1
wait_window '^Dropwell$'
sleep 0.5
answer=$(drag "$work/src/a.txt")
[ "$answer" != "move move" ] || fail "a drop with no folder chosen reported a move"
sleep 0.3
[ "$(ls "$work/target" | tr '\n' ' ')" = "$before" ] || fail "a drop with no folder chosen transferred"
[ -f "$work/src/a.txt" ] || fail "a drop with no folder chosen touched the source"
echo "ok: drop before a folder was chosen does nothing"
stop_dropwell

# --- a disabled drop target (chosen folder missing) takes no drop ---
start_dropwell 1
# The missing folder is reported before the window shows: find the message
# box (also captioned "Dropwell", but not the window's size) and dismiss it.
answer_window '^Dropwell$' Return
wait_window '^Dropwell$'
sleep 0.8
answer=$(drag "$work/src/b.txt")
[ "$answer" = "none nothing" ] || fail "disabled drop target accepted ($answer)"
[ "$(ls "$work/target" | tr '\n' ' ')" = "$before" ] || fail "a disabled drop target transferred"
echo "ok: disabled drop target refuses"
stop_dropwell
echo "e2e drag: all passed"
