#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine, run as root: installs what the build
# needs, builds both targets, runs the threaded tests under ThreadSanitizer, the Linux suite
# (which also checks the Windows module against the Linux one under Wine) plain and under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows suite under Wine, and
# last runs the fuzz targets for a bounded time (scripts/run-fuzzers.sh).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

bash "$repo/scripts/setup-debian.sh"
bash "$repo/scripts/build-mingw-deps.sh"
bash "$repo/scripts/build.sh"

linux=${QUELLORN_LINUX_BUILD:-$repo/build/linux}
windows=${QUELLORN_WINDOWS_BUILD:-$repo/build/windows}
jobs=${QUELLORN_JOBS:-$(nproc)}

# One Wine prefix and a resident wineserver for every Windows test, so each test does not
# pay for starting Wine afresh. The server Wine starts by itself quits as soon as its last
# program ends; with tests running in parallel, a test that connects just as it quits loses
# its connection ("wine client error: recvmsg: Connection reset by peer") and fails. So the
# prefix is made first, that server is stopped, and a persistent one takes its place (a
# second server for the same prefix would refuse to start while the first still runs).
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quellorn/wineprefix}
bash "$repo/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# The first program under the new server starts Wine's own services, which live as long as
# the server and keep the output pipes they were given open: started by a test, they would
# hold its output open and ctest would wait for it until the timeout. Start them here.
bash "$repo/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true

# The same suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer:
# any report fails the test that caused it.
sanitized=${QUELLORN_SANITIZE_BUILD:-$repo/build/sanitize}
echo "== Sanitizer build in $sanitized"
cmake -S "$repo" -B "$sanitized" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUELLORN_SANITIZE=address,undefined >/dev/null
cmake --build "$sanitized" -j "$jobs"

# The threaded tests once more under ThreadSanitizer: an audio and an editing thread on one
# plug-in, and warnings queued on one thread and shown on another. Only the unit-test
# program is built; address randomisation is switched off for the run, as some kernels map
# memory where ThreadSanitizer's shadow must go.
threaded=${QUELLORN_TSAN_BUILD:-$repo/build/tsan}
echo "== ThreadSanitizer build in $threaded"
cmake -S "$repo" -B "$threaded" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUELLORN_SANITIZE=thread >/dev/null
cmake --build "$threaded" -j "$jobs" --target quellorn_tests

status=0
echo "== Threaded tests with ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  setarch "$(uname -m)" -R "$threaded/tests/quellorn_tests" \
  --gtest_filter='ThreadStress.*:SfzTest.AWarningIsShownOnlyByTheThreadThatQueuedIt' || status=1
echo "== Linux tests"
ctest --test-dir "$linux" --output-on-failure -j "$jobs" || status=1
echo "== Linux tests with AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$sanitized" --output-on-failure -j "$jobs" || status=1
echo "== Windows tests under Wine"
(unset DISPLAY; ctest --test-dir "$windows" --output-on-failure -j "$jobs") || status=1

# Fuzzing: every libFuzzer target for QUELLORN_FUZZ_SECONDS (60 by default) from its seeds,
# under AddressSanitizer with leak detection and UndefinedBehaviorSanitizer.
echo "== Fuzzing"
bash "$repo/scripts/run-fuzzers.sh" || status=1
exit $status
