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
# The fuzz targets, briefly, on their seed corpora and fresh inputs (their own
# clang build in build-fuzz; scripts/fuzz.sh runs them longer).
ZIN_FUZZ_BUILD_JOBS=$(nproc) bash scripts/fuzz.sh all "${ZIN_TEST_FUZZ_SECONDS:-30}"
