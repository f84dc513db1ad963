#!/usr/bin/env bash
# Mutation testing of the client's own code against the Linux suite (outside CI; a --quick
# sample runs in scripts/test.sh). Method and figures: docs/mutation-testing.md.
#
#   scripts/mutate.sh [--quick] [--ids m001,m002] [--first N] [--resume] [--bound SECONDS]
#   scripts/mutate.sh sample | pick-quick | report | restore | killers [--ids ...]
#
# Builds in build/mutation (ZQ_MUTATE_BUILD) at nice 19 (ZQ_MUTATE_NICE). The mutated source
# is put back on every way out: the driver restores it itself when stopped, this script's trap
# does after the driver ends, and a run killed outright is repaired by the next one.
set -euo pipefail
cd "$(dirname "$0")/.."
python3 scripts/mutate.py "$@" &
driver=$!
trap 'kill -TERM "$driver" 2>/dev/null || true' INT TERM
trap 'python3 scripts/mutate.py restore' EXIT
status=0
wait "$driver" || status=$?
# A signal ends the first wait early; the second waits for the driver to finish restoring.
if kill -0 "$driver" 2>/dev/null; then
  status=0
  wait "$driver" || status=$?
fi
exit "$status"
