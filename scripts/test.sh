#!/usr/bin/env bash
# Builds everything from nothing with the sanitizers on and runs every test:
# first a short run of each fuzzer, then the unit and end-to-end tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz

cmake --preset debug
cmake --build --preset debug
ctest --preset debug
