#!/usr/bin/env bash
# The main job: builds the client for the simulated desktop and plays the bundled tour.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target zqsim -- --no-print-directory -s
build/linux/zqsim tools/zqsim/tour.zqs
