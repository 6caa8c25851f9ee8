#!/usr/bin/env bash
# What `kivo play` costs while it plays: a generated 60-second file played in
# a 140x45 tmux pane; prints the player's share of one core (utime + stime)
# over the measured seconds (after two to settle) and its peak resident
# memory (VmHWM), both read from /proc.
#
#   bench/play-cpu.sh [--kivo PATH] [--skin bars|picture|frames] [--seconds N]
#                     [--runs N] [--fps N] [--sound]
#
# Each run starts its own tmux server, home folder and runtime folder, so it
# touches neither the user's terminal nor their settings. With several runs
# the median is printed last. Without --sound the player keeps time silently.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
kivo="$here/../build/release/player/kivo"
skin=bars
seconds=20
runs=1
fps=30
sound=--no-sound
settle=2

while [[ $# -gt 0 ]]; do
  case "$1" in
    --kivo) kivo=$2; shift 2 ;;
    --skin) skin=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --fps) fps=$2; shift 2 ;;
    --sound) sound=; shift ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "play-cpu.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done

for tool in sox tmux; do
  command -v "$tool" >/dev/null || { echo "play-cpu.sh: needs $tool" >&2; exit 1; }
done
kivo=$(realpath "$kivo")
[[ -x "$kivo" ]] || { echo "play-cpu.sh: no player at $kivo (build the release preset)" >&2; exit 1; }
design="$(dirname "$kivo")/../share/skins/$skin/design.ini"
[[ -f "$design" ]] || { echo "play-cpu.sh: no skin '$skin' at $design" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-play-cpu-XXXXXX")
tmux_cmd=(tmux -f /dev/null -S "$work/socket")
cleanup() {
  "${tmux_cmd[@]}" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Music-like enough to move every band: two sweeps, a tremolo and some noise.
sox -n -r 44100 -c 2 -b 16 "$work/tune.wav" \
  synth 60 sine 80-6000 sine 5000-100 tremolo 3 60 synth 60 pinknoise mix 2>/dev/null \
  || sox -n -r 44100 -c 2 -b 16 "$work/tune.wav" synth 60 sine 80-6000 sine 5000-100

ticks=$(getconf CLK_TCK)

# utime + stime of a process, in clock ticks.
cpu_ticks() {
  # The command name may hold blanks: the fields follow its closing parenthesis.
  local stat
  stat=$(<"/proc/$1/stat")
  stat=${stat##*) }
  read -r -a fields <<<"$stat"
  echo $((fields[11] + fields[12]))
}

one_run() {
  local run=$1
  mkdir -p "$work/home$run" "$work/runtime$run"
  chmod 700 "$work/runtime$run"
  "${tmux_cmd[@]}" kill-server 2>/dev/null || true
  "${tmux_cmd[@]}" new-session -d -s view -x 140 -y 45 \
    -e COLORTERM=truecolor -e "XDG_RUNTIME_DIR=$work/runtime$run" \
    "exec '$kivo' play $sound --fps $fps --home '$work/home$run' --design '$design' '$work/tune.wav'"
  local pid
  pid=$("${tmux_cmd[@]}" display-message -p -t view '#{pane_pid}')
  sleep "$settle"
  [[ -r "/proc/$pid/stat" ]] || { echo "play-cpu.sh: the player ended early" >&2; exit 1; }
  local before after
  before=$(cpu_ticks "$pid")
  sleep "$seconds"
  after=$(cpu_ticks "$pid")
  local hwm
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
  "${tmux_cmd[@]}" send-keys -t view q
  awk -v used=$((after - before)) -v ticks="$ticks" -v seconds="$seconds" -v hwm="$hwm" \
    -v run="$run" -v skin="$skin" 'BEGIN {
      printf "run %d (%s): cpu %.2f %% of one core, peak resident %.1f MB\n",
             run, skin, 100 * used / ticks / seconds, hwm / 1024
    }' | tee -a "$work/results"
}

for ((run = 1; run <= runs; ++run)); do one_run "$run"; done

if ((runs > 1)); then
  sort -t' ' -k5 -g "$work/results" | awk -v n="$runs" '
    { cpu[NR] = $5; mem[NR] = $12 }
    END { m = int((n + 1) / 2); printf "median cpu %.2f %% of one core\n", cpu[m] }'
  awk '{ print $12 }' "$work/results" | sort -g | awk -v n="$runs" '
    { mem[NR] = $1 } END { printf "median peak resident %.1f MB\n", mem[int((n + 1) / 2)] }'
fi
