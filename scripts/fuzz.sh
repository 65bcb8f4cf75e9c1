#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# after replaying the kept crash vectors.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
#   scripts/fuzz.sh --total SECONDS        share SECONDS among the targets
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
seconds=${1:-60}
total=""
if [ "${1:-}" = "--total" ]; then total=${2:?--total needs seconds}; fi
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DKAVREL_FUZZ=ON -DKAVREL_TESTS=OFF -DKAVREL_BENCH=OFF
shopt -s nullglob
status=0
targets=(build-fuzz/fuzz/fuzz_*)
if [ -n "$total" ]; then seconds=$(( total / (${#targets[@]} > 0 ? ${#targets[@]} : 1) )); fi
[ "$seconds" -ge 5 ] || seconds=5
for f in "${targets[@]}"; do
  name=${f##*/fuzz_}
  corpus=$(mktemp -d)
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds+=("tests/fuzz/corpus/$name")
  vectors=(tests/crash_vectors/"$name"/*)
  if [ ${#vectors[@]} -gt 0 ]; then
    echo "fuzz: replaying ${#vectors[@]} crash vectors for $name"
    "$f" "${vectors[@]}" >/dev/null 2>&1 || { echo "fuzz: $name fails on a kept crash vector"; status=1; }
  fi
  echo "fuzz: $name for ${seconds}s"
  if ! "$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="build-fuzz/$name-" "$corpus" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name found a failure:"; tail -40 "build-fuzz/$name.log"; status=1
  fi
  rm -rf "$corpus"
done
exit $status
