#!/usr/bin/env bash
# Mutation testing of the client's own code against the Linux suite (outside CI; a --quick
# sample runs in scripts/test.sh). Method and figures: docs/mutation-testing.md.
#
#   scripts/mutate.sh [--quick] [--ids m001,m002] [--first N] [--resume] [--bound SECONDS]
#   scripts/mutate.sh sample | pick-quick | restore
#
# Builds in build/mutation (ZQ_MUTATE_BUILD) at nice 19 (ZQ_MUTATE_NICE); the mutated source
# is put back on every way out, and a run killed outright is repaired by the next one.
set -euo pipefail
cd "$(dirname "$0")/.."
trap 'python3 scripts/mutate.py restore' EXIT
trap 'exit 130' INT TERM
python3 scripts/mutate.py "$@"
