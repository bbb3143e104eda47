#!/usr/bin/env bash
# Sets up the machine (idempotent), builds everything and runs all tests under Wine.
# The tests run on the i686 build under 32-bit Wine where this machine runs 32-bit programs, else
# on the x86_64 build under 64-bit Wine (QUENBY_ARCH=i686|x86_64 chooses); the i686 installer.exe
# that ships is built and checked statically either way. The first line says which build is
# tested; the last line printed is ctest's summary ("N% tests passed, M tests failed out of T").
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
if [[ ${QUENBY_SKIP_SETUP:-0} != 1 ]]; then
  bash "$repo_root/scripts/setup.sh"
fi
# The machine is set up now: the builds below only see to their dependencies.
export QUENBY_SKIP_SETUP=1
arch=$(bash "$repo_root/scripts/arch.sh" --say)
export QUENBY_ARCH=$arch
if [[ $arch != i686 ]]; then
  # The i686 programs that ship, built to be checked here: they pin the repository's test key,
  # given by name, and say so ("(test key)" in the wizard's title).
  QUENBY_ARCH=i686 QUENBY_MANIFEST_KEYS=$(tail -n1 "$repo_root/tools/publisher/test_key/quenby-test.pub") \
    bash "$repo_root/scripts/build.sh" --shipped-only
fi
bash "$repo_root/scripts/build.sh"
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build/$arch}
cd "$build_dir"
log=$(mktemp)
source "$repo_root/scripts/keep-wine-up.sh"
wine_keepalive_pid=
trap 'kill $wine_keepalive_pid 2>/dev/null || true; rm -f "$log"
      bash "$repo_root/scripts/wine-run.sh" --stop "$arch"' EXIT
keep_wine_up "$build_dir"
set +e
# Every test has a time-out: its own, or this one.
ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
summary=$(grep -E '[0-9]+% tests passed' "$log" | tail -n1 || true)
echo "${summary:-ctest produced no summary}"
exit "$status"
