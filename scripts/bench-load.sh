#!/usr/bin/env bash
# Loading the generated 1 GiB log as `zinviewer --info` loads it, against
# `wc -l` on the same file, with the page cache warm: five paired runs and
# the medians of their wall, user and system seconds, the ratio of the two
# and GB/s, and the peak resident memory of --info. Then the memory per
# line of a whole process (memory_bench: resident after loading the log
# less after loading an empty file, each in a fresh process, over the log's
# lines), and the seconds from launching the viewer on the log to its first
# painted window with the file shown and not busy (--bench-start, off
# screen), five runs.
#
#   scripts/bench-load.sh [DIR]        DIR: the generated files (/tmp/zinbench)
#
# The programs come from the Release build in $ZIN_BENCH_BUILD_DIR
# (build-bench by default), configured with -DZIN_BUILD_BENCH=ON:
#   cmake --build build-bench --target zinviewer memory_bench
# memory_bench generates the log in DIR when it is missing.
# User and system seconds and the peak resident memory come from GNU time
# (/usr/bin/time), or, without it, from python3's os.wait4.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIN_BENCH_BUILD_DIR:-build-bench}
dir=${1:-/tmp/zinbench}
runs=5
log="$dir/zin-bench-log-1g-lf.txt"
viewer="$build/bin/zinviewer"
membench="$build/bin/memory_bench"
for program in "$viewer" "$membench"; do
  if [ ! -x "$program" ]; then
    echo "bench-load: no $program; build it first: cmake --build $build --target zinviewer memory_bench" >&2
    exit 1
  fi
done
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ "$type" = Release ] || echo "bench-load: warning: $build is a '${type:-unknown}' build, not Release" >&2
mkdir -p "$dir"
tmp=$(mktemp -d /tmp/zin-bench-load.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

# ---- measuring one run of a program
if [ -x /usr/bin/time ] && /usr/bin/time -f '%U' -o /dev/null true 2>/dev/null &&
   [ "${ZIN_BENCH_TIMER:-}" != python ]; then
  timer="GNU time"
  cpu=%.2f  # GNU time gives hundredths of a second
else
  command -v python3 >/dev/null || { echo "bench-load: needs GNU time or python3" >&2; exit 1; }
  timer="python3 os.wait4"
  cpu=%.3f
fi

# measure OUT PROGRAM ARGS...: runs the program with its output in OUT and
# sets m_wall, m_user, m_sys (seconds) and m_kib (peak resident KiB). A
# program that fails ends the script.
measure() {
  local out=$1 t0 t1
  shift
  if [ "$timer" = "GNU time" ]; then
    t0=${EPOCHREALTIME/,/.}
    /usr/bin/time -f '%U %S %M' -o "$tmp/rusage" "$@" >"$out"
    t1=${EPOCHREALTIME/,/.}
    read -r m_user m_sys m_kib <"$tmp/rusage"
    m_wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
  else
    # The wall clock inside the wrapper: python's start-up stays out of it.
    python3 -c '
import os, sys, time
t0 = time.perf_counter()
pid = os.fork()
if pid == 0:
    try:
        os.execvp(sys.argv[2], sys.argv[2:])
    finally:
        os._exit(127)
_, status, ru = os.wait4(pid, 0)
wall = time.perf_counter() - t0
with open(sys.argv[1], "w") as f:
    f.write("%.4f %.4f %.4f %d\n" % (wall, ru.ru_utime, ru.ru_stime, ru.ru_maxrss))
sys.exit(os.waitstatus_to_exitcode(status))
' "$tmp/rusage" "$@" >"$out"
    read -r m_wall m_user m_sys m_kib <"$tmp/rusage"
  fi
}

median() {
  printf '%s\n' "$@" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# figure NAME VALUE UNIT [REFERENCE]: one line "name value unit (reference)".
figure() {
  if [ -n "${4:-}" ]; then
    printf '%-44s %10s %-5s (%s)\n' "$1" "$2" "$3" "$4"
  else
    printf '%-44s %10s %s\n' "$1" "$2" "$3"
  fi
}
calc() { awk "BEGIN { printf \"$1\", $2 }"; }
# list FORMAT VALUES...: the values in the format, separated by spaces.
list() { local f=$1; shift; printf "$f " "$@" | sed 's/ $//'; }

# ---- memory per line: also makes the log when it is missing
"$membench" --empty "$dir" >"$tmp/mem-empty"
"$membench" "$dir" >"$tmp/mem-log"
value() { sed -n "s/^$1 //p" "$2"; }
size=$(value file-bytes "$tmp/mem-log")
lines=$(value lines "$tmp/mem-log")
rss_log=$(value rss-bytes "$tmp/mem-log")
rss_empty=$(value rss-bytes "$tmp/mem-empty")

# ---- --info against wc -l
read -r loadavg _ </proc/loadavg  # other work on the machine shows in the wall times
cat "$log" >/dev/null  # the page cache warm
declare -a wc_wall wc_user wc_sys info_wall info_user info_sys info_kib ratio
for ((i = 0; i < runs; i++)); do
  measure "$tmp/wc" wc -l "$log"
  wc_wall+=("$m_wall"); wc_user+=("$m_user"); wc_sys+=("$m_sys")
  measure "$tmp/info" "$viewer" --info "$log"
  info_wall+=("$m_wall"); info_user+=("$m_user"); info_sys+=("$m_sys"); info_kib+=("$m_kib")
  ratio+=("$(calc %.4f "$m_wall / ${wc_wall[i]}")")
done
measure "$tmp/info-empty" "$viewer" --info "$dir/zin-bench-empty.txt"
empty_kib=$m_kib
newlines=$(awk '{ print $1 }' "$tmp/wc")
info_lines=$(sed -n 's/^lines: //p' "$tmp/info")
code_page=$(sed -n 's/^code page: //p' "$tmp/info")

ww=$(median "${wc_wall[@]}"); wu=$(median "${wc_user[@]}"); ws=$(median "${wc_sys[@]}")
iw=$(median "${info_wall[@]}"); iu=$(median "${info_user[@]}"); is=$(median "${info_sys[@]}")
ik=$(median "${info_kib[@]}"); r=$(median "${ratio[@]}")
echo "== zinviewer --info and wc -l on $log ($size bytes, page cache warm; load average $loadavg at the start)"
echo "   medians of $runs paired runs; user, system and peak memory from $timer"
figure "wc -l: wall" "$(calc %.3f "$ww")" s "$newlines newlines"
figure "wc -l: user" "$(calc $cpu "$wu")" s
figure "wc -l: system" "$(calc $cpu "$ws")" s
figure "wc -l: throughput" "$(calc %.2f "$size / $ww / 1e9")" GB/s
figure "--info: wall" "$(calc %.3f "$iw")" s "wc -l $(calc %.3f "$ww") s; $info_lines lines, code page $code_page"
figure "--info: user" "$(calc $cpu "$iu")" s "wc -l $(calc $cpu "$wu") s"
figure "--info: system" "$(calc $cpu "$is")" s "wc -l $(calc $cpu "$ws") s"
figure "--info: throughput" "$(calc %.2f "$size / $iw / 1e9")" GB/s "wc -l $(calc %.2f "$size / $ww / 1e9") GB/s"
figure "--info wall / wc -l wall" "$(calc %.2f "$r")" x \
  "median of the paired runs' ratios; each: $(list %.2f "${ratio[@]}")"
figure "--info: peak resident" "$(calc %.1f "$ik * 1024 / 1e6")" MB \
  "an empty file: $(calc %.1f "$empty_kib * 1024 / 1e6") MB"
figure "--info: peak resident per line" "$(calc %.1f "($ik - $empty_kib) * 1024 / $info_lines")" B \
  "peak on the log less peak on an empty file, over the lines; goal under 12"
figure "memory per line, whole process" "$(calc %.1f "($rss_log - $rss_empty) / $lines")" B \
  "memory_bench: resident after the load, $(calc %.1f "$rss_log / 1e6") MB, less after an empty file,\
 $(calc %.1f "$rss_empty / 1e6") MB, over $lines lines; goal under 12"

# ---- the window usable: launch to the first paint with the log shown
declare -a usable since_main load rss
for ((i = 0; i < runs; i++)); do
  t0=${EPOCHREALTIME/,/.}
  QT_QPA_PLATFORM=offscreen "$viewer" --bench-start "$log" >"$tmp/start" 2>"$tmp/start-err" || {
    cat "$tmp/start-err" >&2
    exit 1
  }
  paint=$(sed -n 's/^first-paint-epoch-ns: //p' "$tmp/start")
  usable+=("$(calc %.4f "$paint / 1e9 - $t0")")
  since_main+=("$(sed -n 's/^first-paint-since-main-s: //p' "$tmp/start")")
  load+=("$(sed -n 's/^load-s: //p' "$tmp/start")")
  rss+=("$(sed -n 's/^rss-bytes: //p' "$tmp/start")")
done
echo "== zinviewer --bench-start on the log, off screen: medians of $runs runs"
figure "window usable: launch to first paint" "$(calc %.3f "$(median "${usable[@]}")")" s \
  "the file loaded and shown, the control not busy; each: $(list %.3f "${usable[@]}")"
figure "window usable: main to first paint" "$(calc %.3f "$(median "${since_main[@]}")")" s \
  "the program's own clock, from main"
figure "window: load of the log" "$(calc %.3f "$(median "${load[@]}")")" s "--info wall $(calc %.3f "$iw") s"
figure "window: resident at first paint" "$(calc %.1f "$(median "${rss[@]}") / 1e6")" MB \
  "the whole program with the log open; --info peak $(calc %.1f "$ik * 1024 / 1e6") MB"
