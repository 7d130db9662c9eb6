#!/usr/bin/env bash
# End to end in a Wayland session: a headless weston, with XWayland or
# without. With an X server at hand the program must run on it (its window
# mapped there, no Wayland surface of its own); without one it runs natively
# and maps an xdg toplevel. Either way a termination request ends it with
# exit code 0 and nothing written. Skips (77) only when weston, or Xwayland
# for that mode, is not installed.
# Natively it also runs the GUI tests that need a Wayland session, when
# given their executable.
# Usage: e2e_wayland.sh <Dropwell executable> xwayland|native [GUI test executable]
set -uo pipefail
program=$1
mode=$2
gui_tests=${3:-}
command -v weston >/dev/null || { echo "weston is not installed"; exit 77; }
if [ "$mode" = xwayland ]; then
  command -v Xwayland >/dev/null || { echo "Xwayland is not installed"; exit 77; }
fi
work=$(mktemp -d)
weston_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($mode): $*" >&2
  [ -f "$work/weston.log" ] && tail -n 20 "$work/weston.log" >&2
  exit 1
}

# A session of our own: nothing of the caller's display, no platform forced.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM WAYLAND_SOCKET
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export XDG_SESSION_TYPE=wayland
export LC_ALL=C.UTF-8
socket="dropwell-$$"
options=(--backend=headless-backend.so "--socket=$socket" --idle-time=0 "--log=$work/weston.log")
[ "$mode" = xwayland ] && options+=(--xwayland)
weston "${options[@]}" >/dev/null 2>&1 &
weston_pid=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || fail "weston did not start"
export WAYLAND_DISPLAY=$socket
if [ "$mode" = xwayland ]; then
  # weston starts Xwayland on the first X client, on the display it names.
  for _ in $(seq 100); do grep -q 'xserver listening on display' "$work/weston.log" && break; sleep 0.1; done
  number=$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$work/weston.log" | head -n1)
  [ -n "$number" ] || fail "weston offers no X display"
  export DISPLAY=":$number"
fi

dir="$work/app"
mkdir -p "$dir"
cp "$program" "$dir/Dropwell"
# The client's side of the Wayland protocol goes to the log.
(cd "$dir" && WAYLAND_DEBUG=client exec ./Dropwell) >"$work/app.log" 2>&1 &
app_pid=$!

mapped=no
for _ in $(seq 150); do
  kill -0 "$app_pid" 2>/dev/null || fail "program ended early: $(tail -n 20 "$work/app.log")"
  if [ "$mode" = xwayland ]; then
    [ -n "$(xdotool search --onlyvisible --name '^Dropwell$' 2>/dev/null)" ] && mapped=yes
  else
    # A toplevel with our title whose surface got a buffer: mapped.
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Dropwell")' "$work/app.log" &&
      grep -q 'xdg_surface@[0-9]*\.ack_configure' "$work/app.log" &&
      grep -q 'wl_surface@[0-9]*\.attach(wl_buffer@' "$work/app.log" && mapped=yes
  fi
  [ "$mapped" = yes ] && break
  sleep 0.1
done
[ "$mapped" = yes ] || fail "no window mapped: $(tail -n 20 "$work/app.log")"
if [ "$mode" = xwayland ] && grep -q 'xdg_toplevel' "$work/app.log"; then
  fail "the program made a Wayland window though an X server was there"
fi

kill -TERM "$app_pid"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "program still running after SIGTERM"
wait "$app_pid"
code=$?
app_pid=""
[ "$code" -eq 0 ] || fail "exit code $code: $(grep -v '^\[' "$work/app.log" | tail -n 20)"
[ -e "$dir/Dropwell.txt" ] || [ -e "$dir/Dropwell.ini" ] && fail "files written at the end"

if [ "$mode" = native ] && [ -n "$gui_tests" ]; then
  (cd "$work" && QT_QPA_PLATFORM=wayland "$gui_tests" --gtest_filter='AppTest.OnWayland*') \
    >"$work/gui.log" 2>&1 || fail "GUI tests on Wayland: $(grep -v 'does not support' "$work/gui.log" | tail -n 30)"
  grep -q '^\[       OK \] AppTest.OnWayland' "$work/gui.log" ||
    fail "no GUI test ran on Wayland: $(tail -n 10 "$work/gui.log")"
fi

echo "e2e wayland ($mode): passed"
