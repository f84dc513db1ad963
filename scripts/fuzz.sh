#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) and runs each for a
# bounded time over its committed corpus: scripts/fuzz.sh [SECONDS per target, default 60].
# ZQ_FUZZ_BUILD names another build directory (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${ZQ_FUZZ_BUILD:-build/fuzz}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZQ_FUZZ=ON -DZQ_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 -- --no-print-directory -s
status=0
for target in "$build"/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus=fuzz/corpus/$name
  work=$(mktemp -d)
  echo "--- fuzzing $name for ${seconds}s"
  # New inputs go to a scratch folder so that the committed corpus stays as it is.
  if ! "$target" "$work" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 > "$work.log" 2>&1; then
    tail -40 "$work.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$work.log" | tail -2 || true
  fi
  rm -rf "$work" "$work.log"
done
exit $status
