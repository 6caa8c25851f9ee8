#!/usr/bin/env bash
# What `kivo play --capture` costs while it shows what a sound server plays,
# beside CAVA on the same source and beside the same player playing a file:
# a PulseAudio server of the script's own with a null sink, a generated tune
# played into it with paplay, and in 140x45 tmux panes, all at once,
#   - `kivo play --capture SINK.monitor` (the player measured),
#   - CAVA reading the same monitor at the same frame rate (when installed),
#   - `kivo play --no-sound TUNE` (the file-playing figure, same player),
#   - `kivo levels --capture SINK.monitor --format bars` (the status-bar feed),
#   - with --app, `kivo play --capture-app` of the tune's player as well (one
#     stream through the server's per-stream monitor),
#   - with --reference, another build's `kivo play --capture` as well.
# Prints for each its share of one core (time on a processor, all threads,
# from /proc/PID/task/*/schedstat) over the measured seconds (after a few to
# settle), its wake-ups a second (voluntary context switches, all threads),
# the bytes a second written to its terminal (tmux pipe-pane into a file),
# and the ratios of ours to CAVA, to the file player and to the reference.
#
#   bench/capture-cpu.sh [--kivo PATH] [--reference PATH] [--skin bars|picture|frames]
#                        [--seconds N] [--runs N] [--fps N] [--no-cava] [--app]
#
# Each run starts its own tmux servers, homes and runtime folders; the
# server is reached through its own socket only, reads no user
# configuration, and is stopped at the end, also when the script fails.
# With several runs the medians are printed last.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
kivo="$here/../build/release/player/kivo"
reference=
skin=bars
seconds=20
runs=1
fps=30
settle=3
use_cava=1
use_app=0
tune_app=KivoBenchTune

while [[ $# -gt 0 ]]; do
  case "$1" in
    --kivo) kivo=$2; shift 2 ;;
    --reference) reference=$2; shift 2 ;;
    --skin) skin=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --fps) fps=$2; shift 2 ;;
    --no-cava) use_cava=0; shift ;;
    --app) use_app=1; shift ;;
    -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "capture-cpu.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done

for tool in sox tmux pulseaudio paplay pactl; do
  command -v "$tool" >/dev/null || { echo "capture-cpu.sh: needs $tool" >&2; exit 1; }
done
if ((use_cava)) && ! command -v cava >/dev/null; then
  echo "capture-cpu.sh: cava is not installed; measuring without it" >&2
  use_cava=0
fi

design_of() {
  local design
  design="$(dirname "$1")/../share/skins/$skin/design.ini"
  [[ -f "$design" ]] || { echo "capture-cpu.sh: no skin '$skin' at $design" >&2; exit 1; }
  echo "$design"
}

kivo=$(realpath "$kivo")
[[ -z "$reference" ]] || reference=$(realpath "$reference")
for player in "$kivo" ${reference:+"$reference"}; do
  [[ -x "$player" ]] || { echo "capture-cpu.sh: no player at $player (build the release preset)" >&2; exit 1; }
  design_of "$player" >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-capture-cpu-XXXXXX")
sockets=()
server_pid=
tune_pid=
cleanup() {
  for socket in "${sockets[@]}"; do tmux -S "$socket" kill-server 2>/dev/null || true; done
  [[ -z "$tune_pid" ]] || kill "$tune_pid" 2>/dev/null || true
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

sink=kivobench
pulse_socket="$work/pulse/native"
mkdir -p "$work/pulse" "$work/pulse-home" "$work/pulse-runtime"
chmod 700 "$work/pulse-runtime"
# Everything a client of the private server (and of no other) needs.
pulse_env=(HOME="$work/pulse-home" XDG_RUNTIME_DIR="$work/pulse-runtime"
           PULSE_RUNTIME_PATH="$work/pulse-runtime/pulse" PULSE_SERVER="unix:$pulse_socket")
# -n: no default script, so no user or system configuration is read.
env "${pulse_env[@]}" pulseaudio --daemonize=no --system=false --exit-idle-time=-1 -n \
  --log-target=stderr \
  "--load=module-null-sink sink_name=$sink sink_properties=device.description=KivoBenchSink" \
  "--load=module-native-protocol-unix auth-anonymous=1 socket=$pulse_socket" \
  2>"$work/pulse.log" &
server_pid=$!
for _ in $(seq 100); do
  env "${pulse_env[@]}" pactl info >/dev/null 2>&1 && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/pulse.log" >&2; exit 1; }
  sleep 0.1
done
env "${pulse_env[@]}" pactl info >/dev/null 2>&1 \
  || { echo "capture-cpu.sh: the private PulseAudio server did not answer" >&2; exit 1; }

# Music-like enough to move every band: two sweeps, a tremolo and some noise.
sox -n -r 44100 -c 2 -b 16 "$work/tune.wav" \
  synth 60 sine 80-6000 sine 5000-100 tremolo 3 60 synth 60 pinknoise mix 2>/dev/null \
  || sox -n -r 44100 -c 2 -b 16 "$work/tune.wav" synth 60 sine 80-6000 sine 5000-100
(while true; do env "${pulse_env[@]}" paplay --device="$sink" "--property=application.name=$tune_app" "$work/tune.wav" 2>/dev/null || exit; done) &
tune_pid=$!

cat >"$work/cava.conf" <<EOF
[general]
framerate = $fps
[input]
method = pulse
source = $sink.monitor
[output]
method = ncurses
EOF

# Nanoseconds on a processor and voluntary context switches, all threads.
cpu_ns() {
  local total=0 ns rest task
  for task in /proc/"$1"/task/*; do
    read -r ns rest <"$task/schedstat"
    total=$((total + ns))
  done
  echo "$total"
}
wakeups() {
  cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches:/ { n += $2 } END { print n }'
}

# Starts command $3 in a 140x45 pane of a tmux server of its own at $work/socket$1,
# its terminal's output counted into $work/out$1; prints its pid.
start_pane() {
  local name=$1 socket="$work/socket$1" command=$2
  mkdir -p "$work/home$name" "$work/runtime$name"
  chmod 700 "$work/runtime$name"
  tmux -f /dev/null -S "$socket" new-session -d -s view -x 140 -y 45 \
    -e COLORTERM=truecolor -e "XDG_RUNTIME_DIR=$work/runtime$name" \
    -e "PULSE_SERVER=unix:$pulse_socket" -e "HOME=$work/home$name" "$command"
  : >"$work/out$name"
  tmux -S "$socket" pipe-pane -t view "cat >>'$work/out$name'"
  tmux -S "$socket" display-message -p -t view '#{pane_pid}'
}

capture_command() {
  echo "exec '$1' play --fps $fps --home '$work/home$2' --design '$(design_of "$1")' --capture $sink.monitor"
}

one_run() {
  local run=$1 i
  local names=() pids=() before=() after=() woke=() woken=() out=() outs=()
  names+=(ours); pids+=("$(start_pane "$run-ours" "$(capture_command "$kivo" "$run-ours")")")
  if ((use_cava)); then
    names+=(cava); pids+=("$(start_pane "$run-cava" "exec cava -p '$work/cava.conf'")")
  fi
  names+=(file)
  pids+=("$(start_pane "$run-file" "exec '$kivo' play --no-sound --fps $fps --home '$work/home$run-file' --design '$(design_of "$kivo")' '$work/tune.wav'")")
  names+=(feed)
  pids+=("$(start_pane "$run-feed" "exec '$kivo' levels --capture $sink.monitor --seconds 86400 --format bars --channels mix --fps $fps")")
  if ((use_app)); then
    names+=(app)
    pids+=("$(start_pane "$run-app" "exec '$kivo' play --fps $fps --home '$work/home$run-app' --design '$(design_of "$kivo")' --capture-app $tune_app")")
  fi
  if [[ -n "$reference" ]]; then
    names+=(reference)
    pids+=("$(start_pane "$run-reference" "$(capture_command "$reference" "$run-reference")")")
  fi
  for i in "${!names[@]}"; do sockets+=("$work/socket$run-${names[$i]}"); done
  sleep "$settle"
  for i in "${!pids[@]}"; do
    [[ -r "/proc/${pids[$i]}/stat" ]] \
      || { echo "capture-cpu.sh: ${names[$i]} ended early" >&2; exit 1; }
    before[i]=$(cpu_ns "${pids[$i]}"); woke[i]=$(wakeups "${pids[$i]}")
    out[i]=$(stat -c %s "$work/out$run-${names[$i]}")
  done
  sleep "$seconds"
  for i in "${!pids[@]}"; do
    after[i]=$(cpu_ns "${pids[$i]}"); woken[i]=$(wakeups "${pids[$i]}")
    outs[i]=$(stat -c %s "$work/out$run-${names[$i]}")
  done
  for i in "${!names[@]}"; do
    tmux -S "$work/socket$run-${names[$i]}" kill-server 2>/dev/null || true
  done
  local line="run $run:"
  for i in "${!names[@]}"; do
    line+=$(awk -v name="${names[$i]}" -v ns=$((after[i] - before[i])) \
      -v woke=$((woken[i] - woke[i])) -v bytes=$((outs[i] - out[i])) -v s="$seconds" \
      'BEGIN { printf " %s %.2f %% wakeups %.0f /s terminal %.0f B/s,", name, 100 * ns / 1e9 / s, woke / s, bytes / s }')
  done
  line+=$(awk -v ours=$((after[0] - before[0])) \
    -v names="${names[*]}" -v ns="$(for i in "${!names[@]}"; do echo -n "$((after[i] - before[i])) "; done)" \
    'BEGIN { n = split(names, name, " "); split(ns, t, " ")
             for (i = 2; i <= n; ++i) printf " ratio-%s %.3f", name[i], (t[i] > 0 ? ours / t[i] : 0) }')
  echo "$line" | tee -a "$work/results"
}

for ((run = 1; run <= runs; ++run)); do one_run "$run"; done

# The median of the value after word $1 in the results.
median() {
  awk -v field="$1" '{ for (i = 1; i <= NF; ++i) if ($i == field) { v = $(i + 1); sub(/,/, "", v); print v } }' \
    "$work/results" | sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}
# The median of the number after the n-th occurrence of word $2 following name $1.
median_after() {
  awk -v name="$1" -v word="$2" '{ for (i = 1; i <= NF; ++i) if ($i == name) {
      for (j = i + 1; j <= NF; ++j) if ($j == word) { v = $(j + 1); sub(/,/, "", v); print v; break } } }' \
    "$work/results" | sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}

if ((runs > 1)); then
  echo "medians over $runs runs:"
  for name in ours cava file feed app reference; do
    grep -q " $name " "$work/results" || continue
    echo "  $name: cpu $(median "$name") % of one core, wakeups $(median_after "$name" wakeups) /s," \
      "terminal $(median_after "$name" terminal) B/s"
  done
  for name in cava file feed app reference; do
    grep -q "ratio-$name" "$work/results" || continue
    echo "  ours / $name: $(median "ratio-$name")"
  done
fi
