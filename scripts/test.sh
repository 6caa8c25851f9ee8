#!/usr/bin/env bash
# Builds everything from nothing with the sanitizers on and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset debug
cmake --build --preset debug
ctest --preset debug
