#!/usr/bin/env bash
# Every test: installs what is needed, builds the Linux presets and runs their tests, and
# checks that the portable code still cross-builds for 32-bit Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
status=0
for preset in windows-i686 linux-asan linux; do
  echo "=== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- --no-print-directory -s
done
echo "=== tests: linux-asan"
ctest --preset linux-asan || status=1
echo "=== tests: linux"
ctest --preset linux || status=1
exit $status
