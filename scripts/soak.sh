#!/usr/bin/env bash
# Runs every fuzzer for MINUTES, all at once and at the lowest priority, and
# beside them a long render of generated audio (RENDER_MINUTES of it, an hour
# unless told), then prints per fuzzer its executions, crashes and peak
# memory, and the render's blocks, time and peak memory.
#
#   scripts/soak.sh MINUTES [RENDER_MINUTES]
#
# Builds the fuzz and release presets first. Corpora, artifacts and logs go
# to build/soak (SOAK_DIR), and stay for the next run. The sanitizers hold
# back only 16 MB of freed memory, so that the peaks measure the harness
# rather than the sanitizer's quarantine.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 1 || $# -gt 2 || ! "$1" =~ ^[0-9]+$ || "$1" -lt 1 ]]; then
  echo "usage: scripts/soak.sh MINUTES [RENDER_MINUTES]" >&2
  exit 2
fi
minutes=$1
render_minutes=${2:-60}
if [[ ! "$render_minutes" =~ ^[0-9]+$ ]]; then
  echo "soak.sh: RENDER_MINUTES is a number of minutes: $render_minutes" >&2
  exit 2
fi
root=$(pwd)
soak=${SOAK_DIR:-$root/build/soak}
fuzzers=(sample_block_fuzzer bmp_fuzzer ini_fuzzer kivo_notification_fuzzer skin_fuzzer
  bus_boundary_fuzzer)

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
cmake --preset fuzz >/dev/null
nice -n 19 cmake --build --preset fuzz >/dev/null
cmake --preset release >/dev/null
nice -n 19 cmake --build --preset release --target kivo kolmira skins >/dev/null

mkdir -p "$soak"
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime
export ASAN_OPTIONS=quarantine_size_mb=16:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Seeds for the skin fuzzer: each default skin's design file with a small
# bitmap beside it, in the harness's layout (two 16-bit lengths, then both).
# A 16-bit number as two little-endian bytes.
le16() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $(($1 >> 8)))"; }

# Seeds for the skin fuzzer: each default skin's design file with a small
# bitmap beside it, in the harness's layout (two 16-bit lengths, then both).
make_skin_seeds() {
  local seeds=$soak/skin_fuzzer/seeds sheet=$soak/skin_fuzzer/sheet.bmp
  local design=$soak/skin_fuzzer/design.ini skin
  mkdir -p "$seeds"
  convert -size 33x20 gradient:red-blue "BMP3:$sheet"
  for skin in skins/*/; do
    sed 's/^Graphics=.\+$/Graphics=sheet.bmp/' "$skin/design.ini" >"$design"
    {
      le16 "$(stat -c %s "$design")"
      le16 "$(stat -c %s "$sheet")"
      cat "$design" "$sheet"
    } >"$seeds/$(basename "$skin")"
  done
}

run_fuzzer() {
  local name=$1 dir=$soak/$1 extra=()
  mkdir -p "$dir/corpus" "$dir/artifacts"
  case $name in
    skin_fuzzer) extra=(-dict="$root/fuzz/skin.dict" -max_len=8192 "$dir/seeds") ;;
  esac
  /usr/bin/time -f '%M' -o "$dir/peak-kb" \
    nice -n 19 "build/fuzz/fuzz/$name" -max_total_time=$((minutes * 60)) -rss_limit_mb=2048 \
    -timeout=60 -artifact_prefix="$dir/artifacts/" -print_final_stats=1 "$dir/corpus" \
    "${extra[@]}" >"$dir/log" 2>&1 || true
}

run_render() {
  local dir=$soak/render status=0
  mkdir -p "$dir/home"
  /usr/bin/time -f '%M %e' -o "$dir/peak-kb" bash -o pipefail -c '
    sox -n -t raw -r 44100 -e signed -b 16 -c 2 - synth "$1" sine 220 sine 3000 vol 0.5 |
      nice -n 19 build/release/player/kivo render - --home "$2/home" --png "$2/last.png"' \
    render $((render_minutes * 60)) "$dir" >"$dir/log" 2>&1 || status=$?
  echo "$status" >"$dir/status"
}

make_skin_seeds
echo "soak: ${#fuzzers[@]} fuzzers for $minutes min each and a render of $render_minutes min" \
  "of audio, logs in $soak" >&2
pids=()
for name in "${fuzzers[@]}"; do
  run_fuzzer "$name" &
  pids+=($!)
done
run_render &
pids+=($!)
wait "${pids[@]}"

printf '%-26s %12s %8s %10s\n' fuzzer executions crashes 'peak MB'
for name in "${fuzzers[@]}"; do
  dir=$soak/$name
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  crashes=$(find "$dir/artifacts" -type f | wc -l)
  peak=$(($(tail -1 "$dir/peak-kb") / 1024))
  printf '%-26s %12s %8s %10s\n' "$name" "${runs:-?}" "$crashes" "$peak"
done
read -r render_kb render_seconds <"$soak/render/peak-kb" || true
printf 'render of %s min of audio: exit %s, %s s, peak %s MB\n' "$render_minutes" \
  "$(cat "$soak/render/status")" "${render_seconds:-?}" "$((${render_kb:-0} / 1024))"
