#!/usr/bin/env bash
# Builds the release player with its plug-in and runs the built-in demo
# through the real plug-in, writing the visualisation window as a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kivo skins
png=${KIVO_DEMO_PNG:-build/release/demo.png}
build/release/player/kivo render --hop 1470 --block 240 --display-mode 4 --png "$png" "$@"
echo "The plug-in's window after block 240 of the demo: $png"
