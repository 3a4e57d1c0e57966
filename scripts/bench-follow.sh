#!/usr/bin/env bash
# The window following a growing log: the Release zinviewer opens a 50 MB
# log with --follow (off screen unless DISPLAY is set and ZIN_FOLLOW_X=1),
# then a writer appends 10,000 log lines a second, in pieces every 10 ms,
# for 10 seconds. The viewer's CPU time (user + system, from /proc) over
# those seconds is printed as a share of one core. With ZIN_FOLLOW_SHOT set
# to a file name, a screenshot of the X display is written at the end
# (needs ImageMagick's import), to see that the last lines are shown.
#
#   scripts/bench-follow.sh [DIR]      DIR: where the log is written (/tmp/zinbench)
#
# The viewer comes from $ZIN_BENCH_BUILD_DIR (build-bench by default):
#   cmake --build build-bench --target zinviewer
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIN_BENCH_BUILD_DIR:-build-bench}
dir=${1:-/tmp/zinbench}
viewer="$build/bin/zinviewer"
[ -x "$viewer" ] || { echo "bench-follow: no $viewer; build it first: cmake --build $build --target zinviewer" >&2; exit 1; }
mkdir -p "$dir"
log="$dir/zin-bench-follow.log"
python3 - "$log" <<'PY'
import random, sys
random.seed(3)
words = "request served user session cache miss hit timeout retry connection closed GET POST".split()
with open(sys.argv[1], "w") as f:
    size = 0
    while size < 50_000_000:
        line = "2026-12-09 10:%02d:%02d INFO [w-%02d] %s id=%d\n" % (
            random.randrange(60), random.randrange(60), random.randrange(32),
            " ".join(random.choice(words) for _ in range(random.randrange(9))), random.randrange(100000))
        f.write(line)
        size += len(line)
PY
platform=()
if [ "${ZIN_FOLLOW_X:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then platform=(-platform offscreen); fi
"$viewer" "${platform[@]}" --follow "$log" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
sleep 3  # the load and the first paint
python3 - "$log" "$pid" <<'PY'
import os, sys, time
log, pid = sys.argv[1], int(sys.argv[2])
tick = os.sysconf("SC_CLK_TCK")
def cpu():
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick
c0, t0 = cpu(), time.monotonic()
n, nxt = 0, t0
with open(log, "a") as f:
    while n < 100_000:
        nxt += 0.01
        time.sleep(max(0, nxt - time.monotonic()))
        f.write("".join("2026-12-09 11:00:00 INFO [w-01] appended line %d id=%d\n" % (n + k, k) for k in range(100)))
        f.flush()
        n += 100
time.sleep(1)  # the last look
c1, t1 = cpu(), time.monotonic()
print("zinviewer following a log growing by 10,000 lines a second: %.2f%% of one core over %.1f s "
      "(%.2f CPU seconds)" % ((c1 - c0) / (t1 - t0) * 100, t1 - t0, c1 - c0))
PY
if [ -n "${ZIN_FOLLOW_SHOT:-}" ]; then import -window root "$ZIN_FOLLOW_SHOT"; fi
