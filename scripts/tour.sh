#!/usr/bin/env bash
# The main job: builds the client for the simulated desktop and the reference service, starts
# the service on local ports and plays the guided tour against it; ends with a picture.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target zqsim zqservice -- --no-print-directory -s
# zqsim starts and stops the service itself ("service start"), with a fresh database in the
# tour's own folder, and writes the picture that the README names.
rm -rf build/tour
mkdir -p build/tour
ZQSERVICE="$PWD/build/linux/service/zqservice" build/linux/zqsim --root build/tour/disk tools/zqsim/tour.zqs
echo
echo "The desktop at the end of the tour: build/tour/desktop.svg"
