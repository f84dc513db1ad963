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
  # The reference service that the end-to-end tests' client talks to (a Linux program).
  if [ -z "${ZQSERVICE:-}" ]; then
    for candidate in "$root/build/linux/service/zqservice" "$root/build/linux-asan/service/zqservice"; do
      if [ -x "$candidate" ]; then ZQSERVICE=$candidate; break; fi
    done
  fi
  if [ -z "${ZQSERVICE:-}" ]; then
    cmake --preset linux >/dev/null &&
      cmake --build --preset linux --target zqservice -- --no-print-directory -s ||
      { echo "0 passed, 1 failed"; exit 1; }
    ZQSERVICE=$root/build/linux/service/zqservice
  fi
  export ZQSERVICE
  # With ZQ_PRIVATE_NET=1 (and root), the run gets a network of its own, so that two runs
  # on one machine do not share the service's fixed ports.
  if [ "${ZQ_PRIVATE_NET:-}" = 1 ]; then
    exec unshare -n bash -c 'ip link set lo up && exec xvfb-run -a "$0" --inside-xvfb' "$0"
  fi
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

# The reference service on the client's built-in hosts (127.0.0.1:8701 and :8702), with a
# fresh database and a download directory that the tests may fill (ZQ_DOWNLOAD_DIR, as a
# Windows path). Tests named "offline_..." run after it has stopped.
service_dir=$(mktemp -d /tmp/zq-wine-service.XXXXXX)
mkdir -p "$service_dir/Download"
service_pid=
start_service() {
  "$ZQSERVICE" --db "$service_dir/zq.db" --download "$service_dir/Download" \
    > "$service_dir/log" 2>&1 &
  service_pid=$!
  for _ in $(seq 100); do
    if (exec 3<>/dev/tcp/127.0.0.1/8701) 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  echo "the reference service did not start:"; cat "$service_dir/log"
  return 1
}
stop_service() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null; fi
  service_pid=
}
trap 'stop_service; rm -rf "$service_dir"; wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
export ZQ_DOWNLOAD_DIR="Z:${service_dir//\//\\}\\Download"

echo "=== end-to-end tests (zqe2e)"
listing=$(mktemp)
timeout 120 "$WINE" "$build/tests/wine/zqe2e.exe" list > "$listing" 2>/dev/null < /dev/null
start_service || failed=$((failed + 1))
online=$(tr -d '\r' < "$listing" | grep -v '^offline_')
offline=$(tr -d '\r' < "$listing" | grep '^offline_')
for test in $online STOP-SERVICE $offline; do
  if [ "$test" = STOP-SERVICE ]; then stop_service; continue; fi
  dir=$WINEPREFIX/drive_c/zqe2e/$test
  mkdir -p "$dir"
  cp "$build/ZephquillClient.exe" "$build/tests/wine/ZephquillClientTest.exe" "$dir/"
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
