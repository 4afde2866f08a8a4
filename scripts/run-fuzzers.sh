#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a tree of their own and runs each one for a
# bounded time from a copy of its seeds (fuzz/corpus/<target>), one after the other. A
# crash, leak, sanitizer report or failed check (the targets abort on those) fails the
# run; the input that caused it stays in <tree>/artifacts/<target>/, the fuzzer's output
# in <tree>/logs/<target>.log. A failing input belongs in tests/data/regressions/<target>/
# once it is fixed, where the normal test suite replays it.
#
#   QUELLORN_FUZZ_SECONDS  seconds per target (default 60)
#   QUELLORN_FUZZ_BUILD    the build tree (default build/fuzz)
#   QUELLORN_JOBS          build jobs (default: all cores)
#
# Extra arguments go to every fuzzer, e.g. -seed=1 to repeat a run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
tree=${QUELLORN_FUZZ_BUILD:-$repo/build/fuzz}
seconds=${QUELLORN_FUZZ_SECONDS:-60}
jobs=${QUELLORN_JOBS:-$(nproc)}

echo "[fuzz] building the fuzz targets in $tree"
CC=clang CXX=clang++ cmake -S "$repo" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELLORN_BUILD_FUZZ=ON -DQUELLORN_BUILD_TESTS=OFF >/dev/null
cmake --build "$tree" -j "$jobs" --target quellorn_fuzzers

# Reports end the run at once (no recovery), with the stack that caused them.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
mkdir -p "$tree/logs"
while read -r target; do
  [[ -n $target ]] || continue
  corpus=$tree/corpus/$target
  artifacts=$tree/artifacts/$target
  log=$tree/logs/$target.log
  temp=$tree/tmp/$target
  rm -rf "$corpus" "$artifacts" "$temp"
  mkdir -p "$corpus" "$artifacts" "$temp"
  cp -R "$repo/fuzz/corpus/$target/." "$corpus/"
  # The artifact prefix is absolute: the targets change the working folder while they run.
  # Their folder of sample files goes into the tree: libFuzzer ends a timed run without
  # the cleanup that would remove it.
  if TMPDIR=$temp "$tree/fuzz/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" >"$log" 2>&1; then
    result=passed
  else
    result=FAILED
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  added=$(sed -n 's/^stat::new_units_added: *//p' "$log")
  echo "[fuzz] $target: $result after ${runs:-?} inputs in ${seconds} s (${added:-?} new)"
  if [[ $result != passed ]]; then
    tail -n 80 "$log"
    ls -l "$artifacts"
  fi
done <"$tree/fuzz/targets.txt"
exit $status
