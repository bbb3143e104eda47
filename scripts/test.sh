#!/usr/bin/env bash
# Sets up the machine (idempotent), builds everything and runs all tests under Wine.
# The last line printed is ctest's summary ("N% tests passed, M tests failed out of T").
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo_root/scripts/build.sh"
cd "${QUENBY_BUILD_DIR:-$repo_root/build}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
ctest --output-on-failure -j"$(nproc)" "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
summary=$(grep -E '[0-9]+% tests passed' "$log" | tail -n1 || true)
echo "${summary:-ctest produced no summary}"
exit "$status"
