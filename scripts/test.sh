#!/usr/bin/env bash
# Every test: installs what is needed, builds each preset once and runs its tests: the Linux
# build under AddressSanitizer/UBSan and under ThreadSanitizer, the lint gates, the 32-bit
# Windows product build, the Wine end-to-end tests of the 64-bit build, the page tests in
# Chromium, the installer round trip, a bounded fuzzing run, the plain Linux build with its
# hostile-input suite (docs/hostile-input.md) on its own, the quick mutation sample, the count
# of test and code lines, and last that build's full ctest, whose summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
failed=()

step() {  # step NAME COMMAND...: runs a stage, remembers a failure and goes on
  local name=$1
  shift
  echo "=== $name"
  if ! "$@"; then failed+=("$name"); fi
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -- --no-print-directory -s
}

lines() {  # lines DIR...: non-blank lines of source and scenario scripts (no expected outputs)
  find "$@" \( -name node_modules -o -name build \) -prune -o -type f \( -name '*.cpp' -o \
    -name '*.h' -o -name '*.js' -o -name '*.mjs' -o -name '*.py' -o -name '*.sh' -o \
    -name '*.cmake' -o -name '*.idl' -o -name '*.zqs' \) -print0 | xargs -0 cat |
    grep -cv '^[[:space:]]*$' || true
}

line_count() {  # the weight of the tests against the code they test
  local tests code
  tests=$(lines tests fuzz)
  code=$(lines app controller panel shell automation platform resources service tools scripts \
    installer)
  echo "=== lines: tests $tests, code $code, tests/code $((100 * tests / code)) %"
}

step "build linux-asan" build linux-asan
step "tests linux-asan" ctest --preset linux-asan
step "build linux-tsan" build linux-tsan
step "tests linux-tsan" ctest --preset linux-tsan
step "lint" scripts/lint.sh
step "build windows-i686" build windows-i686
step "wine tests" scripts/wine-tests.sh
if [ -x scripts/page-tests.sh ]; then step "page tests" scripts/page-tests.sh; fi
step "installer" scripts/installer.sh
step "fuzzing" scripts/fuzz.sh 30
step "build linux" build linux
step "hostile-input suite" ctest --preset linux -L hostile
# The quick mutants reuse the linux build; the build after it puts the restored code back.
step "mutation (quick)" env ZQ_MUTATE_BUILD="$PWD/build/linux" scripts/mutate.sh --quick
step "build linux (restored)" build linux
line_count
step "tests linux" ctest --preset linux

if [ ${#failed[@]} -gt 0 ]; then
  echo "failed stages: ${failed[*]}"
  exit 1
fi
