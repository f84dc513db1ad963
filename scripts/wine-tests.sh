#!/usr/bin/env bash
# The Wine tests: builds the 64-bit Windows client and the tests' programs, then runs under
# wine64 in Xvfb with a private prefix the seam's contract, the backend's own tests, the
# portable unit tests and the end-to-end tests of ZephquillClient.exe. Ends with the line
# "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/wine-common.sh"

if [ "${1:-}" != "--inside-xvfb" ]; then
  programs=wine-test-programs
  [ "${ZQ_CONTRACT_ONLY:-}" = 1 ] && programs=wine-contract-programs
  wine_prepare $programs || { echo "0 passed, 1 failed"; exit 1; }
  wine_enter_xvfb "$0"
fi

build=${ZQ_WINE_BUILD:-$root/build/windows-x86_64}
wine_make_prefix
service_dir=$(mktemp -d /tmp/zq-wine-service.XXXXXX)
trap 'stop_service; rm -rf "$service_dir"; wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT

passed=0
failed=0

# Runs a Windows program under Wine for at most LIMIT seconds: output (without \r) in $out,
# code in $rc. Through a file: a pipe that Wine's helper processes inherit would stay open.
run_wine() {
  local limit=$1 file
  shift
  file=$(mktemp)
  timeout "$limit" "$WINE" "$@" > "$file" 2>&1 < /dev/null
  rc=$?
  out=$(tr -d '\r' < "$file")
  rm -f "$file"
  timeout 60 wineserver -w
}

# A GoogleTest program: its own counts of passed and failed tests, and each skipped test
# with its reason. The third argument bounds its time in seconds (default 600).
run_gtest() {
  local name=$1 exe=$2 limit=${3:-600}
  echo "=== $name"
  run_wine "$limit" "$exe"
  echo "$out" | grep -E '^\[  (FAILED|PASSED) ' | grep -v '^\[  FAILED  \] [0-9]* tests\?, listed' || true
  echo "$out" | grep -A3 ': Failure$' || true
  echo "$out" | awk '/: Skipped$/ { getline why; next }
    /^\[  SKIPPED \] .* \(/ { print "  skipped " $4 ": " why }' || true
  local p f
  p=$(echo "$out" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p' | tail -1)
  f=$(echo "$out" | sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:/\1/p' | tail -1)
  p=${p:-0}
  f=${f:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; echo "$name ended with code $rc"; fi
  passed=$((passed + p))
  failed=$((failed + f))
}

# The seam's contract against the Win32 backend; ZQ_CONTRACT_ONLY=1 runs nothing else.
run_gtest "contract of the seam (zqcontract)" "$build/tests/wine/zqcontract.exe" 300
if [ "${ZQ_CONTRACT_ONLY:-}" = 1 ]; then
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
fi

# SetLayeredWindowAttributes is looked up at run time only: a static import beside the
# lookup would keep the client from loading on a system that lacks the function.
for exe in "$build/ZephquillClient.exe" "$build/tests/wine/ZephquillClientTest.exe"; do
  if ! imports=$(x86_64-w64-mingw32-objdump -p "$exe"); then
    echo "FAIL $(basename "$exe"): its import table cannot be read"
    failed=$((failed + 1))
  elif grep -q 'SetLayeredWindowAttributes' <<<"$imports"; then
    echo "FAIL $(basename "$exe") imports SetLayeredWindowAttributes statically"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done

# ZQ_E2E_ONLY=REGEX runs only the end-to-end tests whose names match (while working on them).
if [ -z "${ZQ_E2E_ONLY:-}" ]; then
  run_gtest "backend tests (zqwinunit)" "$build/tests/wine/zqwinunit.exe"
  run_gtest "portable unit tests (zqtests)" "$build/tests/wine/zqtests.exe"
fi

# The reference service runs during the end-to-end tests, its download directory handed to
# them as ZQ_DOWNLOAD_DIR; tests named "offline_..." run after it has stopped.
export ZQ_DOWNLOAD_DIR="Z:${service_dir//\//\\}\\Download"

echo "=== end-to-end tests (zqe2e)"
run_wine 120 "$build/tests/wine/zqe2e.exe" list
listing=$out
start_service "$service_dir" || failed=$((failed + 1))
selected=$(echo "$listing" | grep -E '^[a-z0-9_]+$' | grep -E "${ZQ_E2E_ONLY:-.}")  # no Wine notes
online=$(echo "$selected" | grep -v '^offline_')
offline=$(echo "$selected" | grep '^offline_')
for test in $online STOP-SERVICE $offline; do
  if [ "$test" = STOP-SERVICE ]; then stop_service; continue; fi
  dir=$WINEPREFIX/drive_c/zqe2e/$test
  mkdir -p "$dir"
  cp "$build/ZephquillClient.exe" "$build/tests/wine/ZephquillClientTest.exe" "$dir/"
  run_wine 180 "$build/tests/wine/zqe2e.exe" "$test" "C:\\zqe2e\\$test\\ZephquillClient.exe"
  if [ $rc -eq 0 ] && echo "$out" | grep -q "^PASS $test"; then
    passed=$((passed + 1))
    echo "$out" | grep -E "^(SKIP|PASS) "
  else
    failed=$((failed + 1))
    echo "${out:-FAIL $test}" | grep -E "^(PASS|FAIL)" || echo "FAIL $test (code $rc)"
  fi
done

# The screenshot that notification_screenshot saved, kept as build/artifacts/wine-startup.png.
shot=$WINEPREFIX/drive_c/zqe2e/notification_screenshot/wine-startup.bmp
if [ -f "$shot" ]; then
  mkdir -p "$root/build/artifacts"
  if bmptopnm "$shot" 2>/dev/null | pnmtopng > "$root/build/artifacts/wine-startup.png.new" 2>/dev/null; then
    mv "$root/build/artifacts/wine-startup.png.new" "$root/build/artifacts/wine-startup.png"
    echo "=== screenshot: build/artifacts/wine-startup.png"
  else
    rm -f "$root/build/artifacts/wine-startup.png.new"
    echo "FAIL the screenshot could not be converted (bmptopnm and pnmtopng: package netpbm)"
    failed=$((failed + 1))
  fi
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
