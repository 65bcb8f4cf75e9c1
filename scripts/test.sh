#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   scripts/test.sh              the plain build, in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   scripts/test.sh --tsan       ThreadSanitizer over the threaded suites, in build-tsan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
case "${1:-}" in
  --sanitize)
    bash scripts/build.sh build-asan -DKAVREL_SANITIZE="address;undefined" -DKAVREL_BENCH=OFF
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)" ;;
  --tsan)
    # The suites whose code runs on several threads.
    threaded=(platform api synth audio)
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVREL_SANITIZE=thread -DKAVREL_BENCH=OFF >/dev/null
    cmake --build build-tsan -j "$(nproc)" --target kavsyn kavrel "${threaded[@]/#/test_}"
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" -L "^($(IFS='|'; echo "${threaded[*]}"))\$" ;;
  "")
    bash scripts/build.sh build
    ctest --test-dir build --output-on-failure -j "$(nproc)" ;;
  *) echo "usage: scripts/test.sh [--sanitize|--tsan]" >&2; exit 2 ;;
esac
