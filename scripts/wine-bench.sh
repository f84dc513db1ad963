#!/usr/bin/env bash
# The Windows client's figures under Wine (docs/performance.md, "Under Wine"): builds the measuring
# program bench/wine/zqwinbench.exe, the client and the stand-in Firefox for x86_64 Windows,
# then runs in Xvfb with a private Wine prefix and the reference service on the client's
# hosts: the skin region scan, the client's idle CPU time and memory, one steady tick with
# Firefox in front, and the CPU time of the client following the stand-in Firefox against
# two bare pollers (zqpoller: window only; window and one DDE request a second), each for
# ZQ_IDLE_SECONDS, with their ratios. Not part of scripts/test.sh.
# Environment: ZQ_WINE_BUILD (a build directory of one's own), ZQ_PRIVATE_NET=1 (a network
# of its own, needs root), ZQ_IDLE_SECONDS (the idle and follow periods, 60 by default, at
# most 90 for follow: the stand-in Firefox ends after two minutes), ZQ_BENCH_ONLY (some of
# "region idle tick follow").
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/wine-common.sh"

if [ "${1:-}" != "--inside-xvfb" ]; then
  wine_prepare wine-bench-programs || { echo "the build failed"; exit 1; }
  wine_enter_xvfb "$0"
fi

build=${ZQ_WINE_BUILD:-$root/build/windows-x86_64}
seconds=${ZQ_IDLE_SECONDS:-60}
wine_make_prefix
service_dir=$(mktemp -d /tmp/zq-bench-service.XXXXXX)
trap 'stop_service; wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX" "$service_dir" "${results:-}"' EXIT
start_service "$service_dir" || exit 1

failed=0
results=$(mktemp /tmp/zq-bench-results.XXXXXX)
# One measurement: the program runs from a directory of its own in the prefix (the client
# keeps its configuration file beside the executable); output through a file, since Wine's
# helper processes inherit the descriptors.
run() {
  local name=$1 limit=$2; shift 2
  local dir=$WINEPREFIX/drive_c/zqbench/$name out
  mkdir -p "$dir"
  cp "$build/bench/wine/zqwinbench.exe" "$build/bench/wine/zqpoller.exe" \
    "$build/ZephquillClient.exe" "$build/tests/wine/fakefox.exe" "$dir/"
  echo "=== $name"
  out=$(mktemp)
  timeout "$limit" "$WINE" "C:\\zqbench\\$name\\zqwinbench.exe" "$@" > "$out" 2>&1 < /dev/null
  local rc=$?
  tr -d '\r' < "$out" | tee -a "$results"
  rm -f "$out"
  timeout 60 wineserver -w
  if [ $rc -ne 0 ]; then echo "$name ended with code $rc"; failed=$((failed + 1)); fi
}

for measurement in ${ZQ_BENCH_ONLY:-region idle tick follow}; do
  case $measurement in
    region) run region 300 region ;;
    idle) run idle $((seconds + 180)) idle "C:\\zqbench\\idle\\ZephquillClient.exe" "$seconds" ;;
    tick) run tick 300 tick "C:\\zqbench\\tick\\fakefox.exe" ;;
    follow)
      # Three runs in this prefix and Xvfb, one after the other, each with a fresh fakefox.
      run follow-client $((seconds + 150)) follow client "C:\\zqbench\\follow-client\\fakefox.exe" \
        "$seconds" "C:\\zqbench\\follow-client\\ZephquillClient.exe"
      for poller in window dde; do
        run "follow-$poller" $((seconds + 90)) follow "$poller" \
          "C:\\zqbench\\follow-$poller\\fakefox.exe" "$seconds" "C:\\zqbench\\follow-$poller\\zqpoller.exe"
      done
      # The ratios from the scheduler's on-CPU time (schedstat), finer than stat's ticks.
      awk '$1 ~ /^follow_.*_run$/ { run[$1] = $2 }
        END {
          c = run["follow_client_run"]; w = run["follow_window_poller_run"]; d = run["follow_dde_poller_run"]
          if (c == "" || w == "" || d == "") { print "=== follow: a figure is missing"; exit }
          printf "=== follow (on-CPU ms): client %.1f, window poller %.1f, DDE poller %.1f\n", c, w, d
          if (w > 0) printf "=== client / window poller: %.2f\n", c / w
          if (d > 0) printf "=== client / DDE poller: %.2f\n", c / d
        }' "$results"
      ;;
    *) echo "unknown measurement: $measurement"; failed=$((failed + 1)) ;;
  esac
done

echo "=== $failed measurement(s) failed"
[ "$failed" -eq 0 ]
