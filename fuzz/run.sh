#!/usr/bin/env bash
# Builds the "fuzz" preset and runs every fuzz target (or the ones named) for
# SECONDS each (default 60). The seeds in fuzz/corpus/<name>/ are read only;
# what a run learns goes to build/fuzz/corpus/<name>/ and is reused by the
# next run, and a crashing input is kept in build/fuzz/artifacts/.
#   fuzz/run.sh [SECONDS] [fuzz_folder_entry fuzz_folder_list ...]
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=60
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(fuzz_folder_entry fuzz_folder_list fuzz_profile_integer fuzz_ini_store)

scripts/deps --fuzz || exit 1
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)" || exit 1

build=build/fuzz
mkdir -p "$build/artifacts"
status=0
for name in "${targets[@]}"; do
  if [ ! -x "$build/fuzz/$name" ] || [ ! -d "fuzz/corpus/$name" ]; then
    echo "no fuzz target $name" >&2
    status=1
    continue
  fi
  mkdir -p "$build/corpus/$name"
  echo "=== $name: ${seconds} s ==="
  log="$build/$name.log"
  "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" \
    "$build/corpus/$name" "fuzz/corpus/$name" >"$log" 2>&1
  rc=$?
  grep -a -E '^#[0-9]+[[:space:]]+DONE' "$log"
  if [ $rc -ne 0 ]; then
    status=1
    echo "$name FOUND A FAULT (exit $rc); see $log"
    grep -a -E 'FUZZ_CHECK failed|ERROR: |SUMMARY: |Test unit written' "$log"
  fi
done
[ $status -eq 0 ] && echo "No fault found." || echo "Some fuzz target FAILED."
exit $status
