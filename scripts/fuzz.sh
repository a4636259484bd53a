#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target in tests/fuzz/ for the given number
# of seconds each (default 30), several at a time (FUZZ_JOBS, default: all at once, up to one
# more than the processors).
# Each starts from the seeds the build wrote with the program's own writers. Any crash,
# leak or sanitizer report fails the run; the input that caused it is kept in
# build/fuzz/artifacts/ and the target's log is printed.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$f" ] && targets+=("$(basename "$f")")
  done
fi
jobs=${FUZZ_JOBS:-$(($(nproc) + 1))}
((jobs <= ${#targets[@]})) || jobs=${#targets[@]}
rm -rf "$build/corpus" "$build/logs"
mkdir -p "$build/corpus" "$build/logs" "$build/artifacts"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_one() {
  local build=$1 seconds=$2 target=$3
  local name=${target#fuzz_}
  local corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  cp -r "$build/tests/fuzz/seeds/$name/." "$corpus/" 2>/dev/null || true
  if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$name-" "$corpus" >"$build/logs/$name.log" 2>&1; then
    echo "ok      $name ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/logs/$name.log" | grep -o '[0-9]*$') runs)"
  else
    echo "FAILED  $name: see $build/logs/$name.log"
    tail -n 40 "$build/logs/$name.log"
    return 1
  fi
}
export -f run_one

status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ "$build" "$seconds" {} || status=1
[ $status -eq 0 ] && echo "All ${#targets[@]} fuzz targets ran ${seconds} s without a report." || echo "Fuzzing found a fault."
exit $status
