#!/usr/bin/env bash
# The Wine tests: builds the 64-bit Windows client and the tests' own programs (preset
# windows-x86_64), then runs under wine64 in Xvfb, with a private Wine prefix made once per
# run: the backend's tests (web control, DDE with the stand-in Firefox fakefox.exe, the
# shell's window list, the automation server), the portable unit tests built for Windows,
# and the end-to-end tests of ZephquillClient.exe (among them a client of its automation
# server). Ends with the line "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/ensure-packages.sh"

if [ "${1:-}" != "--inside-xvfb" ]; then
  ensure_packages wine wine64 xvfb xauth
  echo "=== build: windows-x86_64 (client and Wine test programs)"
  if [ -n "${ZQ_WINE_BUILD:-}" ]; then  # a build directory of one's own
    cmake -S "$root" -B "$ZQ_WINE_BUILD" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null &&
      cmake --build "$ZQ_WINE_BUILD" -j2 --target wine-test-programs -- --no-print-directory -s
  else
    cmake --preset windows-x86_64 >/dev/null &&
      cmake --build --preset windows-x86_64 --target wine-test-programs -- --no-print-directory -s
  fi || { echo "0 passed, 1 failed"; exit 1; }
  exec xvfb-run -a "$0" --inside-xvfb
fi

build=${ZQ_WINE_BUILD:-$root/build/windows-x86_64}
WINE=${WINE:-$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || command -v wine)}
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/zq-wineprefix.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT

echo "=== wine prefix: $WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w

passed=0
failed=0

# A GoogleTest program: its own counts of passed and failed tests.
run_gtest() {
  local name=$1 exe=$2 log
  echo "=== $name"
  # Output goes through a file: Wine's helper processes inherit the descriptors, and a pipe
  # they hold open would keep a command substitution waiting after the test has ended.
  local file
  file=$(mktemp)
  timeout 600 "$WINE" "$exe" > "$file" 2>&1 < /dev/null
  echo "zq-exit-code=$?" >> "$file"
  log=$(cat "$file")
  rm -f "$file"
  log=$(echo "$log" | tr -d '\r')
  local rc
  rc=$(echo "$log" | sed -n 's/^zq-exit-code=//p')
  timeout 60 wineserver -w
  echo "$log" | grep -E '^\[  (FAILED|PASSED) |: Failure$' | grep -v '^\[  FAILED  \] [0-9]* tests\?, listed' || true
  local p f
  p=$(echo "$log" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p' | tail -1)
  f=$(echo "$log" | sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:/\1/p' | tail -1)
  p=${p:-0}
  f=${f:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; echo "$name ended with code $rc"; fi
  passed=$((passed + p))
  failed=$((failed + f))
}

run_gtest "backend tests (zqwinunit)" "$build/tests/wine/zqwinunit.exe"
run_gtest "portable unit tests (zqtests)" "$build/tests/wine/zqtests.exe"

echo "=== end-to-end tests (zqe2e)"
listing=$(mktemp)
timeout 120 "$WINE" "$build/tests/wine/zqe2e.exe" list > "$listing" 2>/dev/null < /dev/null
for test in $(tr -d '\r' < "$listing"); do
  dir=$WINEPREFIX/drive_c/zqe2e/$test
  mkdir -p "$dir"
  cp "$build/ZephquillClient.exe" "$dir/"
  file=$(mktemp)
  timeout 180 "$WINE" "$build/tests/wine/zqe2e.exe" "$test" "C:\\zqe2e\\$test\\ZephquillClient.exe" > "$file" 2>&1 < /dev/null
  rc=$?
  out=$(cat "$file")
  rm -f "$file"
  timeout 60 wineserver -w
  out=$(echo "$out" | tr -d '\r')
  if [ $rc -eq 0 ] && echo "$out" | grep -q "^PASS $test"; then
    passed=$((passed + 1))
    echo "PASS $test"
  else
    failed=$((failed + 1))
    echo "${out:-FAIL $test}" | grep -E "^(PASS|FAIL)" || echo "FAIL $test (code $rc)"
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
