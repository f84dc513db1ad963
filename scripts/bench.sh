#!/usr/bin/env bash
# Builds and runs every Linux benchmark (bench/, Google Benchmark on the simulated desktop)
# and the service load test, and prints the tables of docs/performance.md: each figure beside
# the reference it is measured against and the ratio of the two, all from the same run
# (medians of repeated runs, CPU time; bench/figures.py makes the tables).
#
#   scripts/bench.sh                 # everything (about five minutes on two cores)
#   scripts/bench.sh --no-service    # the benchmarks only
#   ZQ_BENCH_BUILD=/tmp/b scripts/bench.sh --repetitions 3 --filter 'Tick|PerSecond'
#
# ZQ_BENCH_BUILD is the build directory (default build/linux, the "linux" preset); it is
# configured as RelWithDebInfo when it does not exist yet. The raw results stay in
# $ZQ_BENCH_BUILD/bench/results.json and results-service.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZQ_BENCH_BUILD:-build/linux}
repetitions=5
filter=
service=1
while [ $# -gt 0 ]; do
  case $1 in
    --no-service) service=0 ;;
    --repetitions) repetitions=${2:?--repetitions needs a number}; shift ;;
    --filter) filter=${2:?--filter needs a pattern}; shift ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
  shift
done
case $repetitions in ''|*[!0-9]*|0) echo "bench.sh: --repetitions takes a positive number" >&2; exit 2 ;; esac
command -v python3 >/dev/null || { echo "bench.sh needs python3" >&2; exit 1; }

if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = build/linux ]; then
    cmake --preset linux >/dev/null
  else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
fi
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
targets=(zqbench)
[ "$service" = 1 ] && targets+=(zqservice)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

json=$build/bench/results.json
service_out=$build/bench/results-service.txt
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# Bounded: the whole run of the benchmarks may not take more than half an hour.
# The repetitions of all benchmarks are interleaved at random, so that a figure and its
# reference meet the same load from whatever else runs on the machine.
timeout 1800 "$build/bench/zqbench" --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  ${filter:+--benchmark_filter="$filter"} --benchmark_out="$json" --benchmark_out_format=json \
  >/dev/null
rm -f "$service_out"
if [ "$service" = 1 ]; then
  ZQSERVICE=$build/service/zqservice timeout 300 bench/service-load.sh >"$service_out"
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
compiler_version=$("${compiler:-c++}" --version 2>/dev/null | head -1 || echo unknown)
cpu=$(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)

heading="Machine: $cpu, $(nproc) cores; $compiler_version, ${build_type:-no build type}; median"
heading+=" of $repetitions runs, CPU time; load average $load_before -> $load_after."
service_args=()
[ -s "$service_out" ] && service_args=(--service "$service_out")
python3 bench/figures.py "$json" --heading "$heading" "${service_args[@]}"
