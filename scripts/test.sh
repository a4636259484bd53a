#!/usr/bin/env bash
# Checks that includes run down the layers, then builds and runs every test: the plain
# build by g++ (its tests include making the Debian package), then all tests built by
# clang++ with AddressSanitizer + UBSan (CI's clang build), then ThreadSanitizer on the
# threading tests, then the package check (lintian, the staged program's first frame) and
# 30 s of each fuzz target, all at once.
# Each stage is timed; the times (wall clock, and the CPU time of its processes) are printed
# at the end, also when a stage fails. The compiler cache (ccache, ~/.cache/ccache unless
# CCACHE_DIR says otherwise) keeps the objects of the last run.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_lines=()
current_stage=""
run_start=$EPOCHREALTIME
cpu_file=$(mktemp)

# Sets cpu to the CPU seconds (user + sys) of the finished child processes so far, from the
# shell's own `times` (a command substitution would ask a subshell, which has none).
children_cpu() {
  times >"$cpu_file"
  cpu=$(awk 'NR == 2 { for (i = 1; i <= 2; i++) { split($i, t, "m"); s += t[1] * 60 + t[2] } printf "%.0f", s }' "$cpu_file")
}

minutes() {
  printf '%d:%02d' $(($1 / 60)) $(($1 % 60))
}

# stage NAME COMMAND...: runs the command as one timed stage.
stage() {
  local name=$1 start=$EPOCHREALTIME cpu start_cpu
  shift
  children_cpu
  start_cpu=$cpu
  current_stage=$name
  echo "=== $name"
  "$@"
  current_stage=""
  local wall
  wall=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }')
  children_cpu
  stage_lines+=("$(printf '  %-14s %8s %10s' "$name" "$(minutes "$wall")" "$(minutes $((cpu - start_cpu)))")")
}

print_times() {
  local status=$? wall cpu
  wall=$(awk -v a="$run_start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }')
  echo
  printf '  %-14s %8s %10s\n' stage wall cpu
  printf '%s\n' "${stage_lines[@]}"
  ((status == 0)) || printf '  %-14s failed (exit status %d)\n' "${current_stage:-?}" "$status"
  children_cpu
  printf '  %-14s %8s %10s\n' total "$(minutes "$wall")" "$(minutes "$cpu")"
  rm -f "$cpu_file"
}
trap print_times EXIT

# build_and_test PRESET: configures, builds and runs the preset's tests.
build_and_test() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
  ctest --preset "$1"
}

# The threading tests under ThreadSanitizer: only their programs are built.
tsan_threads() {
  cmake --preset tsan >/dev/null
  local targets
  targets=$(cmake --build --preset tsan --target help | sed -n 's/^\(test_threads[a-z_]*\):.*/\1/p' | sort -u)
  if [ -n "$targets" ]; then
    cmake --build --preset tsan --target $targets
    ctest --preset tsan
  fi
}

stage deps scripts/install-deps.sh
stage layers scripts/check-layers.sh
stage default build_and_test default
stage asan build_and_test asan
stage tsan tsan_threads
stage package scripts/check-package.sh
stage fuzz scripts/fuzz.sh 30
# Further stages go here, one line each: stage NAME COMMAND ARGS...
