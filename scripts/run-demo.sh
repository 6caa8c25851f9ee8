#!/usr/bin/env bash
# Builds the release player and runs it on its built-in demo signal.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kivo
exec build/release/player/kivo levels --demo "$@"
