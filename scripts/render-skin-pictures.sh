#!/usr/bin/env bash
# Renders the pictures of the default skins in docs/ with the built player:
# the built-in demo at a fixed block, falling peaks on.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for skin in bars picture frames; do
  XDG_RUNTIME_DIR=$home "$build/player/kivo" render --hop 1470 --block 200 --display-mode 4 \
    --home "$home/home" --design "$build/share/skins/$skin/design.ini" \
    --png "docs/skin-$skin.png"
done
