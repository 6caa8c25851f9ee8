#!/usr/bin/env bash
# The player's CPU share while playing live at 30 frames a second, in each
# view: none (the reference), the terminal (a tmux pane of its own) and a
# desktop window (an Xvfb server of its own). Each run samples the
# player's user + system time over the same stretch of wall time; the
# medians of a few runs and their ratios to the reference are printed.
#   bench/live-view-cpu.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=${1:-build/release}
runs=${2:-3}
kivo=$(realpath "$build/player/kivo")
work=$(mktemp -d)
tmux_socket="$work/tmux"
xvfb_pid=

cleanup() {
  tmux -S "$tmux_socket" kill-server 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
display=":$(head -n1 "$work/displayfd")"

clock_ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Waits for the player of `view` to start, then measures 8 seconds of it.
measure() {
  local pattern=$1 pid= start end
  for _ in $(seq 200); do
    pid=$(pgrep -n -f "$pattern" || true)
    [ -n "$pid" ] && break
    sleep 0.05
  done
  sleep 2
  start=$(cpu_ticks "$pid")
  sleep 8
  end=$(cpu_ticks "$pid")
  kill "$pid" 2>/dev/null || true
  echo "scale=2; ($end - $start) * 100 / $clock_ticks / 8" | bc
}

run_view() {
  local view=$1 home="$work/home-$1" runtime="$work/runtime-$1"
  mkdir -p "$runtime" && chmod 700 "$runtime"
  local args="play --home $home --view $view --no-sound --fps 30 --display-mode 4"
  local tag="kivo play --home $home "
  case $view in
    none)
      XDG_RUNTIME_DIR=$runtime "$kivo" $args </dev/null >/dev/null 2>&1 &
      ;;
    window)
      DISPLAY=$display SDL_VIDEODRIVER=x11 XDG_RUNTIME_DIR=$runtime \
        "$kivo" $args </dev/null >/dev/null 2>&1 &
      ;;
    terminal)
      tmux -f /dev/null -S "$tmux_socket" new-session -d -s "bench$RANDOM" -x 320 -y 51 \
        -e XDG_RUNTIME_DIR="$runtime" -e COLORTERM=truecolor "exec $kivo $args"
      ;;
  esac
  measure "$tag"
  wait 2>/dev/null || true
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

declare -A result
for view in none terminal window; do
  samples=()
  for _ in $(seq "$runs"); do samples+=("$(run_view "$view")"); done
  result[$view]=$(printf '%s\n' "${samples[@]}" | median)
  echo "$view: samples ${samples[*]} (% of one core)"
done
for view in none terminal window; do
  ratio=$(echo "scale=2; ${result[$view]} / ${result[none]}" | bc)
  printf '%-8s median %6s%% of one core, %sx the view-less player\n' "$view" "${result[$view]}" "$ratio"
done
