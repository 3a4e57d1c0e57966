#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs one target or all of them, one after
# the other, for SECONDS each.
#
#   scripts/fuzz.sh TARGET|all SECONDS [libFuzzer options...]
#
# Targets: codepage lines syntax ini scanner edit. Each run starts from the
# seed corpus in fuzz/corpus/TARGET and keeps what it learns in
# $build/corpus/TARGET (the build directory is build-fuzz unless
# ZIN_FUZZ_BUILD_DIR says otherwise), so a later run goes on from there;
# with ZIN_FUZZ_FRESH=1 it starts from the seeds alone and keeps nothing
# (for a run with a fixed -seed= and -runs= that does not depend on
# earlier runs). An input that fails is written to $build/artifacts/ and the
# script exits with status 1; replay it with "$build/bin/fuzz_TARGET FILE".
set -euo pipefail
cd "$(dirname "$0")/.."

targets_all=(codepage lines syntax ini scanner edit)
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET|all SECONDS [libFuzzer options...]" >&2
  echo "targets: ${targets_all[*]}" >&2
  exit 2
fi
which=$1
seconds=$2
shift 2
if [ "$which" = all ]; then
  targets=("${targets_all[@]}")
else
  case " ${targets_all[*]} " in
    *" $which "*) targets=("$which") ;;
    *) echo "unknown target '$which' (${targets_all[*]} or all)" >&2; exit 2 ;;
  esac
fi

build=${ZIN_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${ZIN_FUZZ_BUILD_JOBS:-2}
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZIN_BUILD_FUZZ=ON -DZIN_BUILD_TESTS=OFF -DZIN_BUILD_VIEWER=OFF -DZIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts" "$build/logs"
failed=()
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  if [ "${ZIN_FUZZ_FRESH:-0}" = 1 ]; then
    work="$build/corpus/fresh-$t"
    rm -rf "$work"
  fi
  mkdir -p "$work"
  log="$build/logs/$t.log"
  status=0
  "$build/bin/fuzz_$t" "$work" "fuzz/corpus/$t" -max_total_time="$seconds" -timeout=30 \
    -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$@" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
  if [ "$status" -eq 0 ]; then
    echo "fuzz $t: ${runs:-?} runs, ${rate:-?}/s, $cov"
  else
    echo "fuzz $t: FAILED (status $status); log $log" >&2
    grep -E 'check failed|ERROR:|runtime error|SUMMARY|Test unit written' "$log" | head -20 >&2 || tail -30 "$log" >&2
    failed+=("$t")
  fi
done
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
