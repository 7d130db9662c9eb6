# Shared by the X11 end-to-end scripts (sourced after `set -uo pipefail`):
# a work folder, the processes they start (ended on exit by their PID),
# fail, a private Xvfb and openbox.
work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
app_pid=""
e2e_cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap e2e_cleanup EXIT
# e2e_label, when set, names the variant in failures.
fail() {
  echo "FAIL${e2e_label:+ ($e2e_label)}: $*" >&2
  exit 1
}

# Starts the program copied into the folder given and waits for its window;
# the window's id goes to $win, the process to $app_pid.
win=""
start_program() {
  (cd "$1" && exec ./Dropwell) >"$work/app.log" 2>&1 &
  app_pid=$!
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name '^Dropwell$' 2>/dev/null | head -n1)
    [ -n "$win" ] && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "program ended early: $(cat "$work/app.log")"
    sleep 0.1
  done
  fail "no window"
}

# Waits for the program to end after what $1 names, and checks that it ended
# with exit code 0.
wait_exit() {
  for _ in $(seq 150); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "program still running after $1"
  wait "$app_pid"
  local code=$?
  app_pid=""
  [ "$code" -eq 0 ] || fail "exit code $code after $1"
}

# A free display of our own (-displayfd), of the size given; sets DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "${1:-800x600}x24" -nolisten tcp -noreset 3>"$work/display" \
    2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
  # A UTF-8 locale: the system code page is then 65001, which writes a mark.
  export LC_ALL=C.UTF-8
}

# openbox with its stock configuration (Alt+F4 closes the active window),
# waited for until it manages the screen.
start_openbox() {
  command -v openbox >/dev/null || fail "openbox is not installed"
  openbox --sm-disable --config-file /etc/xdg/openbox/rc.xml >"$work/wm.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
    fail "openbox did not start: $(cat "$work/wm.log")"
}
