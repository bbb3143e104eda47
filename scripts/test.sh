#!/usr/bin/env bash
# Sets up the machine (idempotent), builds everything and runs all tests under Wine.
# The last line printed is ctest's summary.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo_root/scripts/build.sh"
cd "${QUENBY_BUILD_DIR:-$repo_root/build}"
exec ctest --output-on-failure -j"$(nproc)" "$@"
