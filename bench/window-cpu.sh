#!/usr/bin/env bash
# What `kivo play --view window` costs while it plays at the default scale:
# a generated 60-second file played silently in a desktop window on an X
# server of its own; prints the player's share of one core (its time on a
# processor, from /proc/PID/schedstat) over the measured seconds (after
# two to settle), the X server's share beside it, and the player's peak
# resident memory (VmHWM).
#
#   bench/window-cpu.sh [--kivo PATH] [--reference PATH] [--skin bars|picture|frames]
#                       [--screen WxH]... [--seconds N] [--runs N] [--fps N]
#
# Without --screen both 1920x1080 and 3840x2160 are measured (the bars skin
# at scale 4 and 9). --reference plays a second player (another build) at
# the same time, on an X server of its own, and prints the ratio of the
# two: a machine shared with others changes both alike. The two take turns
# at starting first. Each player gets its own Xvfb (-displayfd picks a free
# display), home and runtime folder, all stopped and removed at the end.
# With several runs the medians are printed last, per screen.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
kivo="$here/../build/release/player/kivo"
reference=
skin=bars
screens=()
seconds=20
runs=1
fps=30
settle=2

while [[ $# -gt 0 ]]; do
  case "$1" in
    --kivo) kivo=$2; shift 2 ;;
    --reference) reference=$2; shift 2 ;;
    --skin) skin=$2; shift 2 ;;
    --screen) screens+=("$2"); shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --fps) fps=$2; shift 2 ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "window-cpu.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done
((${#screens[@]} > 0)) || screens=(1920x1080 3840x2160)

for tool in sox Xvfb; do
  command -v "$tool" >/dev/null || { echo "window-cpu.sh: needs $tool" >&2; exit 1; }
done

# The skin's design file that comes with a player build.
design_of() {
  local design
  design="$(dirname "$1")/../share/skins/$skin/design.ini"
  [[ -f "$design" ]] || { echo "window-cpu.sh: no skin '$skin' at $design" >&2; exit 1; }
  echo "$design"
}

players=("$(realpath "$kivo")")
[[ -z "$reference" ]] || players+=("$(realpath "$reference")")
for player in "${players[@]}"; do
  [[ -x "$player" ]] || { echo "window-cpu.sh: no player at $player (build the release preset)" >&2; exit 1; }
  design_of "$player" >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-window-cpu-XXXXXX")
pids_to_stop=()
cleanup() {
  local pid
  for pid in "${pids_to_stop[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids_to_stop[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Music-like enough to move every band: two sweeps, a tremolo and some noise.
sox -n -r 44100 -c 2 -b 16 "$work/tune.wav" \
  synth 60 sine 80-6000 sine 5000-100 tremolo 3 60 synth 60 pinknoise mix 2>/dev/null \
  || sox -n -r 44100 -c 2 -b 16 "$work/tune.wav" synth 60 sine 80-6000 sine 5000-100

# Nanoseconds a process has spent on a processor, all its threads together.
cpu_ns() {
  local total=0 ns rest task
  for task in /proc/"$1"/task/*; do
    read -r ns rest <"$task/schedstat" || continue
    total=$((total + ns))
  done
  echo "$total"
}

# Starts an Xvfb with screen $2 for name $1; sets xvfb_pid and display.
start_xvfb() {
  local name=$1 screen=$2 fifo="$work/displayfd$1"
  : >"$fifo"
  exec {fd}<>"$fifo"
  Xvfb -displayfd "$fd" -screen 0 "${screen}x24" -nolisten tcp -noreset 2>/dev/null &
  xvfb_pid=$!
  exec {fd}>&-
  pids_to_stop+=("$xvfb_pid")
  for _ in $(seq 300); do [[ -s "$fifo" ]] && break; sleep 0.1; done
  [[ -s "$fifo" ]] || { echo "window-cpu.sh: Xvfb did not start" >&2; exit 1; }
  display=":$(head -n1 "$fifo")"
}

# Starts player $3 for name $1 on display $2; sets player_pid.
start_player() {
  local name=$1 on=$2 player=$3
  mkdir -p "$work/home$name" "$work/runtime$name"
  chmod 700 "$work/runtime$name"
  DISPLAY=$on SDL_VIDEODRIVER=x11 XDG_RUNTIME_DIR="$work/runtime$name" \
    "$player" play --view window --no-sound --fps "$fps" --home "$work/home$name" \
    --design "$(design_of "$player")" "$work/tune.wav" </dev/null >"$work/log$name" 2>&1 &
  player_pid=$!
  pids_to_stop+=("$player_pid")
}

one_run() {
  local screen=$1 run=$2 i
  local pids=() servers=() before=() after=() server_before=() server_after=()
  local order=("${!players[@]}")
  # The player started first costs a little more: every other run starts
  # the reference first.
  if ((${#players[@]} == 2 && run % 2 == 0)); then order=(1 0); fi
  for i in "${order[@]}"; do
    start_xvfb "$screen-$run-$i" "$screen"
    servers[i]=$xvfb_pid
    start_player "$screen-$run-$i" "$display" "${players[$i]}"
    pids[i]=$player_pid
  done
  sleep "$settle"
  for i in "${!pids[@]}"; do
    [[ -r "/proc/${pids[$i]}/stat" ]] || {
      echo "window-cpu.sh: a player ended early:" >&2
      cat "$work/log$screen-$run-$i" >&2
      exit 1
    }
    before[i]=$(cpu_ns "${pids[$i]}")
    server_before[i]=$(cpu_ns "${servers[$i]}")
  done
  sleep "$seconds"
  for i in "${!pids[@]}"; do
    after[i]=$(cpu_ns "${pids[$i]}")
    server_after[i]=$(cpu_ns "${servers[$i]}")
  done
  local hwm reference_hwm=0
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/${pids[0]}/status")
  ((${#pids[@]} == 1)) || reference_hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/${pids[1]}/status")
  # Each player before its server, which it would otherwise see go away
  # while it closes.
  for i in "${!pids[@]}"; do kill "${pids[$i]}" 2>/dev/null || true; done
  for i in "${!pids[@]}"; do wait "${pids[$i]}" 2>/dev/null || true; done
  for i in "${!pids[@]}"; do kill "${servers[$i]}" 2>/dev/null || true; done
  for i in "${!pids[@]}"; do wait "${servers[$i]}" 2>/dev/null || true; done
  # Ended and waited for: their numbers may be another process's next.
  pids_to_stop=()
  local used=$((after[0] - before[0])) server=$((server_after[0] - server_before[0]))
  local reference_used=0
  ((${#pids[@]} == 1)) || reference_used=$((after[1] - before[1]))
  awk -v used="$used" -v server="$server" -v ref="$reference_used" -v seconds="$seconds" \
    -v hwm="$hwm" -v refhwm="$reference_hwm" -v run="$run" -v skin="$skin" -v screen="$screen" '
    BEGIN {
      printf "run %d (%s on %s): cpu %.2f %% of one core, X-server %.2f %%, resident %.1f MB",
             run, skin, screen, 100 * used / 1e9 / seconds, 100 * server / 1e9 / seconds, hwm / 1024
      if (ref > 0)
        printf ", reference-cpu %.2f %%, reference-resident %.1f MB, ratio %.3f",
               100 * ref / 1e9 / seconds, refhwm / 1024, used / ref
      printf "\n"
    }' | tee -a "$work/results-$screen"
}

# The median of the value after word $1 in the results of screen $2.
median() {
  awk -v field="$1" '{ for (i = 1; i < NF; ++i) if ($i == field) { v = $(i + 1); sub(/,/, "", v); print v } }' \
    "$work/results-$2" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

for screen in "${screens[@]}"; do
  for ((run = 1; run <= runs; ++run)); do one_run "$screen" "$run"; done
  if ((runs > 1)); then
    echo "$screen median cpu $(median cpu "$screen") % of one core," \
      "X server $(median X-server "$screen") %, peak resident $(median resident "$screen") MB"
    if [[ -n "$reference" ]]; then
      echo "$screen median reference cpu $(median reference-cpu "$screen") % of one core," \
        "peak resident $(median reference-resident "$screen") MB, ratio $(median ratio "$screen")"
    fi
  fi
done
