#!/usr/bin/env bash
# Builds everything from nothing and runs every test: a short run of each
# fuzzer, the tests of the optimised release build, then the tests again with
# the sanitizers on.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz

cmake --preset release
cmake --build --preset release
ctest --preset release

cmake --preset debug
cmake --build --preset debug
ctest --preset debug
