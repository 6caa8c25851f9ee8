#!/usr/bin/env bash
# Builds the release player with its plug-in and plays the built-in demo
# through the real plug-in: live in the terminal with sound when standard
# output is one (q quits), otherwise `kivo play` renders the visualisation
# window after block 200 as a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kivo skins
if [ -t 1 ]; then
  build/release/player/kivo play --display-mode 4 "$@"
else
  png=${KIVO_DEMO_PNG:-build/release/demo.png}
  build/release/player/kivo play --hop 1470 --block 200 --display-mode 4 --png "$png" "$@"
  echo "The plug-in's window after block 200 of the demo: $png"
fi
