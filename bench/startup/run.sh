#!/usr/bin/env bash
# Runs the start-up benchmark on a private Xvfb with a black root.
# Usage: bench/startup/run.sh [build folder, default build/bench] [rounds]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/bench}
rounds=${2:-10}
fd_file=$(mktemp)
Xvfb -displayfd 3 -br -screen 0 800x600x24 -nolisten tcp -noreset 3>"$fd_file" 2>/dev/null &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; rm -f "$fd_file"' EXIT
for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$fd_file")" QT_QPA_PLATFORM=xcb \
  "$build/bench/startup/startup_bench" "$build/Dropwell" "$build/bench/startup/startup_anchor" "$rounds"
