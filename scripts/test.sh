#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then runs each fuzz target
# for a short time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${ZIN_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZIN_SANITIZE=ON -DZIN_BUILD_TESTS=ON
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The font configuration library keeps its caches until the process ends.
export LSAN_OPTIONS=suppressions=$PWD/tests/viewer/lsan.supp
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
# The fuzz targets (their own clang build in build-fuzz): each replays its
# seed corpus, then tries a fixed number of new inputs from a fixed random
# seed, so that what is tried does not hang on the machine's speed.
# Searching for new failures is scripts/fuzz.sh's job, run for longer with
# random seeds.
ZIN_FUZZ_FRESH=1 ZIN_FUZZ_BUILD_JOBS=$(nproc) bash scripts/fuzz.sh all 300 -seed=1 -runs="${ZIN_TEST_FUZZ_RUNS:-3000}"
