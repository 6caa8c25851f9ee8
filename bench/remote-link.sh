#!/usr/bin/env bash
# The player's link across processes under faults, on a session bus of its
# own: the live loop's frame time as a subscribed observer sees it (the gaps
# between its position notifications; median, 99th percentile, largest) with 0, 1
# and 4 other subscribed clients and with one of those stopped; the time of
# `kivo remote status` with and without a stopped peer on the bus; and the
# median of `kivo remote volume 50` (start, bind, one call, unbind). With a
# second build, the same is measured for it in the same run, and the ratios
# of this build's medians to it are printed.
#   bench/remote-link.sh [BUILD_DIR] [REFERENCE_BUILD_DIR]
set -euo pipefail

build=${1:-build/release}
reference=${2:-}
work=$(mktemp -d)
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

read -r DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID < <(
  dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 | paste -s -d ' ')
export DBUS_SESSION_BUS_ADDRESS
mkdir -p "$work/run" && chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run SDL_AUDIODRIVER=dummy
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 600 sine 440 2>/dev/null

# Milliseconds between the position notifications a `kivo remote events`
# client prints during `seconds`: "median p99 max".
observe_frames() {
  local kivo=$1 seconds=$2
  timeout "$seconds" "$kivo" remote events 2>/dev/null | python3 -c '
import sys, time
stamps = [time.monotonic() for line in sys.stdin if "\"position\"" in line]
gaps = sorted((b - a) * 1000 for a, b in zip(stamps, stamps[1:]))
if not gaps: print("- - -"); sys.exit()
print("%.1f %.1f %.1f" % (gaps[len(gaps) // 2], gaps[min(len(gaps) - 1, int(len(gaps) * 0.99))], gaps[-1]))
' || true
}

# Median wall time of `kivo remote ARGS`, in milliseconds, over `runs`.
remote_ms() {
  local kivo=$1 runs=$2
  shift 2
  python3 - "$kivo" "$runs" "$@" <<'EOF'
import subprocess, sys, time
kivo, runs, args = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
times = []
for _ in range(runs):
    start = time.monotonic()
    subprocess.run([kivo, "remote", *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    times.append((time.monotonic() - start) * 1000)
times.sort()
print("%.1f" % times[len(times) // 2])
EOF
}

measure_build() {
  local kivo label=$2 home=$work/home-$2
  kivo=$(realpath "$1/player/kivo")
  export KIVO_HOME=$home KIVO_REGISTRY_DIR=$home/registry
  "$kivo" play --view none --no-sound --fps 30 "$work/tone.wav" </dev/null >/dev/null 2>&1 &
  local player=$!
  pids+=("$player")
  for _ in $(seq 100); do "$kivo" remote status >/dev/null 2>&1 && break; sleep 0.1; done

  echo "$label: frame gaps seen by an observer (ms, median p99 max)"
  echo "  no other subscriber:     $(observe_frames "$kivo" 8)"
  local clients=()
  "$kivo" remote events >/dev/null 2>&1 &
  clients+=($!)
  echo "  one other subscriber:    $(observe_frames "$kivo" 8)"
  for _ in 1 2 3; do "$kivo" remote events >/dev/null 2>&1 & clients+=($!); done
  pids+=("${clients[@]}")
  echo "  four other subscribers:  $(observe_frames "$kivo" 8)"
  kill -STOP "${clients[0]}"
  echo "  four, one of them stopped: $(observe_frames "$kivo" 12)"

  echo "$label: kivo remote status (ms, median of 3 with, 10 without)"
  echo "  with a stopped peer:     $(remote_ms "$kivo" 3 status)"
  kill -CONT "${clients[0]}"
  kill "${clients[@]}" 2>/dev/null || true
  sleep 1
  echo "  without one:             $(remote_ms "$kivo" 10 status)"
  local call
  call=$(remote_ms "$kivo" 20 volume 50)
  echo "$label: kivo remote volume 50 (ms, median of 20): $call"
  eval "${label}_call=$call"
  "$kivo" remote quit >/dev/null 2>&1 || kill "$player"
  wait "$player" 2>/dev/null || true
}

measure_build "$build" this
if [ -n "$reference" ]; then
  measure_build "$reference" reference
  echo "ratio of the call's medians (this / reference): $(echo "scale=2; $this_call / $reference_call" | bc)"
fi
