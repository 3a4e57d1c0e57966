#!/usr/bin/env bash
# Times the viewer's start as a user sees it: from launching the program to
# its first painted window, with a small file and with the 1 GiB log that
# build-bench/bin/lines_bench generates, and the resident memory with that
# log open. Builds a Release viewer into build-bench-viewer/. Runs on the
# display in $DISPLAY, or on a virtual one (xvfb-run) when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIN_BENCH_VIEWER_BUILD_DIR:-build-bench-viewer}
files=${1:-/tmp/zinbench}
big="$files/zin-bench-log-1g-lf.txt"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"${ZIN_BENCH_JOBS:-$(nproc)}" --target zinviewer >/dev/null
small=$(mktemp /tmp/zinviewer-small.XXXXXX.txt)
trap 'rm -f "$small"' EXIT
seq 1 200 | sed 's/$/ a small file line/' > "$small"

run() {  # prints the program's figures plus the seconds from launch to the first paint
  local start out
  start=$(date +%s%N)
  out=$("$build/bin/zinviewer" --bench-start "$1")
  echo "$out"
  local paint
  paint=$(echo "$out" | sed -n 's/^first-paint-epoch-ns: //p')
  awk -v a="$start" -v b="$paint" 'BEGIN { printf "start-to-first-paint-s: %.3f\n", (b - a) / 1e9 }'
}

bench() {
  echo "== small file (200 lines)"
  run "$small"
  echo "== small file again (warm)"
  run "$small"
  if [ -f "$big" ]; then
    echo "== 1 GiB log"
    out=$(run "$big")
    echo "$out"
    echo "$out" | awk -F': ' '
      /^load-s/ { load = $2 } /^start-to-first-paint-s/ { paint = $2 }
      /^rss-bytes/ { rss = $2 } /^lines/ { lines = $2 }
      END {
        printf "start-to-first-paint-minus-load-s: %.3f (budget 0.150)\n", paint - load
        printf "rss-per-line-bytes: %.1f; budget 60 * lines + 60 MB = %.0f MB, used %.0f MB\n",
               (rss - 60e6) / lines, (60 * lines + 60e6) / 1e6, rss / 1e6
      }'
  else
    echo "(no $big: build-bench/bin/lines_bench $files makes it)"
  fi
}

if [ -n "${DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  bench
else
  # xvfb-run runs its command through sh, which passes no shell functions
  # on: the script runs itself again on the virtual display.
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$PWD/scripts/bench-viewer.sh" "$files"
fi
