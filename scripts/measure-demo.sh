#!/usr/bin/env bash
# Measures the program as a whole on the demo installation, offscreen: for each scenario it
# starts the release build on a fresh demo installation of its own (build/measure-demo/),
# times the process start to the first painted frame of the display, lets it settle, reads
# the process's CPU time from /proc and counts the frames painted over a window, and stops it. Each scenario runs LAUNCHES
# times; the figures are printed as min, median and max over the launches.
#
#   scripts/measure-demo.sh [LAUNCHES] [SECONDS]     (defaults 5 and 5)
#
# MEASURE_PLATFORM=xcb measures on the X display in $DISPLAY instead (a desktop, or Xvfb with
# a window manager): the first paint then waits for the window to be mapped and exposed.
#
# Scenarios (the state file a launch starts with): both channels running at 1 ms/div, at
# 100 ms/div (a record a second), in NORMAL trigger mode with the level above the signals
# (never triggers), and at 500k points. A stopped display cannot be reached without a user
# at the window: bench_acquisition_cycle_bench BM_Demo measures it on the program's worker.
set -euo pipefail
cd "$(dirname "$0")/.."

launches=${1:-5}
window=${2:-5}
settle=2
platform=${MEASURE_PLATFORM:-offscreen}

if [ ! -x build/release/form/velmora2 ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target velmora2
fi
program="$PWD/build/release/form/velmora2"
ticks=$(getconf CLK_TCK)
root="$PWD/build/measure-demo"

# The state file of a scenario.
state() {
  local common="[CHANNEL]
channelOnOff1=1
channelOnOff2=1
voltageOffset1=300
voltageOffset2=100
triggerOffset2=100"
  case $1 in
  run-1ms) printf '%s\ntriggerOffset1=300\n[HORIZONTAL]\ntimeDiv=17\n' "$common" ;;
  run-100ms) printf '%s\ntriggerOffset1=300\n[HORIZONTAL]\ntimeDiv=23\n' "$common" ;;
  normal-no-trigger) printf '%s\ntriggerOffset1=400\n[TRIGGER]\ntriggerMode=1\n[HORIZONTAL]\ntimeDiv=17\n' "$common" ;;
  run-500k) printf '%s\ntriggerOffset1=300\n[HORIZONTAL]\ntimeDiv=17\n[ACQUIRE]\nbufferSizeMax=7\nbufferSizeMode=7\n' "$common" ;;
  esac
  printf '[DISPLAY]\nlineJoinMode=2\n'
}

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Seconds since boot at which a process started.
start_seconds() { awk -v t="$ticks" '{ printf "%.3f", $22 / t }' "/proc/$1/stat"; }

# Copies the program's output to file $1 and writes the uptime at which the line of the first
# paint came to file $2: the moment is taken as the line arrives, not when a poll finds it.
stamp_paint() {
  local line up rest
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$1"
    case $line in
    *"first frame painted"*) read -r up rest </proc/uptime && echo "$up" >"$2" ;;
    esac
  done
}

# min median max of the numbers on stdin.
spread() { sort -g | awk '{ v[NR] = $1 } END { if (NR) printf "%.3g  %.3g  %.3g", v[1], v[int((NR + 1) / 2)], v[NR] }'; }

# Frames painted so far, by the lines in the log of launch $1.
frames() { grep -c 'frame shown$' "$1" 2>/dev/null || true; }

# One launch: prints "first-paint-seconds cpu-percent frames-per-second".
launch() {
  local scenario=$1 demo=$2
  rm -rf "$demo"
  mkdir -p "$demo/config/velmora2" "$demo/main" "$demo/firmware"
  cp firmware/trevan.hex "$demo/firmware/trevan.hex"
  printf '[Velmora2]\nmainDirectory=%s/main\nfirmwareDirectory=%s/firmware\ngraphicmode=GDI\nusbBackend=simulator\n' \
    "$demo" "$demo" >"$demo/config/velmora2/registry.ini"
  state "$scenario" >"$demo/main/state.ini"
  local log="$demo/log" mark="$demo/painted"
  VELMORA2_REGISTRY="$demo/config/velmora2/registry.ini" QT_QPA_PLATFORM="$platform" QT_LOGGING_RULES="velmora2.startup.info=true;velmora2.frames.info=true" \
    "$program" > >(stamp_paint "$log" "$mark") 2>&1 &
  local pid=$!
  local started painted=""
  started=$(start_seconds "$pid")
  for _ in $(seq 1 3000); do
    if [ -s "$mark" ]; then
      painted=$(<"$mark")
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  local first="nan" cpu="nan" fps="nan"
  if [ -n "$painted" ]; then
    first=$(awk -v a="$started" -v b="$painted" 'BEGIN { printf "%.3f", b - a }')
    sleep "$settle"
    local before after framesBefore framesAfter
    before=$(cpu_ticks "$pid")
    framesBefore=$(frames "$log")
    sleep "$window"
    after=$(cpu_ticks "$pid")
    framesAfter=$(frames "$log")
    cpu=$(awk -v d="$((after - before))" -v t="$ticks" -v w="$window" 'BEGIN { printf "%.1f", d / t / w * 100 }')
    fps=$(awk -v d="$((framesAfter - framesBefore))" -v w="$window" 'BEGIN { printf "%.1f", d / w }')
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "$first $cpu $fps"
}

printf '%-20s %-28s %-32s %s\n' "scenario" "first paint s (min med max)" "CPU % of a core (min med max)" \
  "frames/s (min med max)"
for scenario in run-1ms run-100ms normal-no-trigger run-500k; do
  results=()
  for i in $(seq 1 "$launches"); do
    results+=("$(launch "$scenario" "$root/$scenario")")
  done
  firsts=$(printf '%s\n' "${results[@]}" | awk '$1 != "nan" { print $1 }' | spread)
  cpus=$(printf '%s\n' "${results[@]}" | awk '$2 != "nan" { print $2 }' | spread)
  fpss=$(printf '%s\n' "${results[@]}" | awk '$3 != "nan" { print $3 }' | spread)
  printf '%-20s %-28s %-32s %s\n' "$scenario" "${firsts:-none painted}" "${cpus:-none}" "${fpss:-none}"
done
