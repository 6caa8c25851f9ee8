#!/usr/bin/env bash
# What `kivo play` costs while it plays: a generated 60-second file played in
# a 140x45 tmux pane; prints the player's share of one core (its time on a
# processor, from /proc/PID/schedstat) over the measured seconds (after two
# to settle) and its peak resident memory (VmHWM).
#
#   bench/play-cpu.sh [--kivo PATH] [--reference PATH] [--skin bars|picture|frames]
#                     [--seconds N] [--runs N] [--fps N] [--sound]
#
# --reference plays a second player (another build) at the same time, in a
# pane of its own, and prints the ratio of the two: a machine shared with
# others changes both alike. The two take turns at starting first. Each run
# starts its own tmux servers, home and runtime folders, so it touches
# neither the user's terminal nor their settings. With several runs the
# medians are printed last. Without --sound the players keep time silently.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
kivo="$here/../build/release/player/kivo"
reference=
skin=bars
seconds=20
runs=1
fps=30
sound=--no-sound
settle=2

while [[ $# -gt 0 ]]; do
  case "$1" in
    --kivo) kivo=$2; shift 2 ;;
    --reference) reference=$2; shift 2 ;;
    --skin) skin=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --fps) fps=$2; shift 2 ;;
    --sound) sound=; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "play-cpu.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done

for tool in sox tmux; do
  command -v "$tool" >/dev/null || { echo "play-cpu.sh: needs $tool" >&2; exit 1; }
done

# The skin's design file that comes with a player build.
design_of() {
  local design
  design="$(dirname "$1")/../share/skins/$skin/design.ini"
  [[ -f "$design" ]] || { echo "play-cpu.sh: no skin '$skin' at $design" >&2; exit 1; }
  echo "$design"
}

players=("$(realpath "$kivo")")
[[ -z "$reference" ]] || players+=("$(realpath "$reference")")
for player in "${players[@]}"; do
  [[ -x "$player" ]] || { echo "play-cpu.sh: no player at $player (build the release preset)" >&2; exit 1; }
  design_of "$player" >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-play-cpu-XXXXXX")
sockets=()
cleanup() {
  for socket in "${sockets[@]}"; do tmux -S "$socket" kill-server 2>/dev/null || true; done
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
    read -r ns rest <"$task/schedstat"
    total=$((total + ns))
  done
  echo "$total"
}

# Starts player $3 for run $1 in the tmux server at socket $2; prints its pid.
start_player() {
  local name=$1 socket=$2 player=$3
  mkdir -p "$work/home$name" "$work/runtime$name"
  chmod 700 "$work/runtime$name"
  tmux -f /dev/null -S "$socket" new-session -d -s view -x 140 -y 45 \
    -e COLORTERM=truecolor -e "XDG_RUNTIME_DIR=$work/runtime$name" \
    "exec '$player' play $sound --fps $fps --home '$work/home$name' --design '$(design_of "$player")' '$work/tune.wav'"
  tmux -S "$socket" display-message -p -t view '#{pane_pid}'
}

one_run() {
  local run=$1 i
  local pids=() before=() after=()
  local run_sockets=() order=("${!players[@]}")
  # The player started first costs a little more: every other run starts
  # the reference first.
  if ((${#players[@]} == 2 && run % 2 == 0)); then order=(1 0); fi
  for i in "${order[@]}"; do
    run_sockets+=("$work/socket$run-$i")
    sockets+=("$work/socket$run-$i")
    pids[i]=$(start_player "$run-$i" "$work/socket$run-$i" "${players[$i]}")
  done
  sleep "$settle"
  for i in "${!pids[@]}"; do
    [[ -r "/proc/${pids[$i]}/stat" ]] || { echo "play-cpu.sh: a player ended early" >&2; exit 1; }
    before+=("$(cpu_ns "${pids[$i]}")")
  done
  sleep "$seconds"
  for i in "${!pids[@]}"; do after+=("$(cpu_ns "${pids[$i]}")"); done
  local hwm
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/${pids[0]}/status")
  for socket in "${run_sockets[@]}"; do tmux -S "$socket" send-keys -t view q 2>/dev/null || true; done
  local used=$((after[0] - before[0])) reference_used=0
  ((${#pids[@]} == 1)) || reference_used=$((after[1] - before[1]))
  awk -v used="$used" -v ref="$reference_used" -v seconds="$seconds" -v hwm="$hwm" \
    -v run="$run" -v skin="$skin" 'BEGIN {
      printf "run %d (%s): cpu %.2f %% of one core, peak resident %.1f MB",
             run, skin, 100 * used / 1e9 / seconds, hwm / 1024
      if (ref > 0) printf ", reference %.2f %%, ratio %.2f", 100 * ref / 1e9 / seconds, used / ref
      printf "\n"
    }' | tee -a "$work/results"
}

for ((run = 1; run <= runs; ++run)); do one_run "$run"; done

# The median of field $1 of the results.
median() {
  awk -v field="$1" '{ for (i = 1; i <= NF; ++i) if ($i == field) { v = $(i + 1); sub(/,/, "", v); print v } }' \
    "$work/results" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

if ((runs > 1)); then
  echo "median cpu $(median cpu) % of one core"
  echo "median peak resident $(median resident) MB"
  if [[ -n "$reference" ]]; then
    echo "median reference cpu $(median reference) % of one core"
    echo "median ratio $(median ratio)"
  fi
fi
