#!/usr/bin/env bash
# Installs what is missing, builds the viewer and starts it. Arguments are
# passed to the program (a file or a folder to open, --info FILE, --help);
# without any it opens the window on the project's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${ZIN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIN_BUILD_TESTS=OFF
cmake --build "$build" -j"$(nproc)" --target zinviewer
if [ "$#" -eq 0 ]; then
  set -- "$PWD"
fi
exec "$build/bin/zinviewer" "$@"
