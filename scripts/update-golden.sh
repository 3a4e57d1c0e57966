#!/usr/bin/env bash
# Writes the golden page images of the editor control (tests/data/paint/)
# anew from the current painter. Run it on purpose, after checking that the
# pictures a change gives are right; look at them with any image viewer
# (they are binary PPM files). The tests only ever read them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIN_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZIN_SANITIZE=ON -DZIN_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target paint_golden
mkdir -p tests/data/paint
ZIN_SOURCE_DIR="$PWD" "$build/bin/paint_golden" tests/data/paint
