#!/usr/bin/env bash
# The main job: builds the client for the simulated desktop and the reference service, starts
# the service on local ports and plays the guided tour against it; ends with one page that
# follows its chapters in pictures, build/tour/index.html.
# Usage: scripts/tour.sh [--verbose]   (--verbose: the whole trace as it happens)
set -euo pipefail
cd "$(dirname "$0")/.."
verbose=0
case "${1:-}" in
  --verbose) verbose=1 ;;
  "") ;;
  *) echo "usage: scripts/tour.sh [--verbose]" >&2; exit 2 ;;
esac
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target zqsim zqservice -- --no-print-directory -s
# zqsim starts and stops the service itself ("service start"), with a fresh database in the
# tour's own folder, and writes a picture of the desktop at each chapter's end (headless
# Chromium pictures the pages the panels loaded; each run of it is bounded in time).
rm -rf build/tour
mkdir -p build/tour
export ZQSERVICE="$PWD/build/linux/service/zqservice"
if [ "$verbose" = 1 ]; then
  build/linux/zqsim --root build/tour/disk tools/zqsim/tour.zqs
else
  echo "The guided tour (its output goes to build/tour/output.txt):"
  if ! build/linux/zqsim --quiet --progress --root build/tour/disk tools/zqsim/tour.zqs \
      >build/tour/output.txt; then
    tail -n 20 build/tour/output.txt
    exit 1
  fi
fi
echo
echo "The tour, chapter by chapter with a picture of the desktop at each: build/tour/index.html"
