#!/usr/bin/env bash
# Sets up the machine (idempotent), builds everything and runs all tests under Wine.
# The last line printed is ctest's summary ("N% tests passed, M tests failed out of T").
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo_root/scripts/build.sh"
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build}
cd "$build_dir"
log=$(mktemp)
# Keeps Wine's server and system processes up for the whole run (they start with this program's
# quiet output, not with a test's), so no test meets a wineserver that is shutting down.
ready=$build_dir/wine-keepalive.ready
rm -f "$ready"
"$repo_root/scripts/wine-run.sh" "$build_dir/tools/wine_keepalive/wine-keepalive.exe" "Z:$ready" \
  </dev/null >/dev/null 2>&1 &
keepalive=$!
trap 'kill $keepalive 2>/dev/null || true; rm -f "$log" "$ready"' EXIT
for _ in $(seq 600); do
  [[ -e $ready ]] && break
  sleep 0.1
done
set +e
ctest --output-on-failure -j"$(nproc)" "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
summary=$(grep -E '[0-9]+% tests passed' "$log" | tail -n1 || true)
echo "${summary:-ctest produced no summary}"
exit "$status"
