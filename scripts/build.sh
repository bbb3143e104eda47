#!/usr/bin/env bash
# Configures and builds the project in ./build (incrementally), after the host set-up and the
# dependency builds, which both skip what is already there.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
source "$repo_root/scripts/deps/common.sh"
if [[ ${QUENBY_SKIP_SETUP:-0} != 1 ]]; then
  bash "$repo_root/scripts/setup.sh"
  bash "$repo_root/scripts/deps.sh"
fi
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build}
if [[ ! -f $build_dir/build.ninja ]]; then
  cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_PREFIX_PATH="$DEPS_PREFIX" >/dev/null
fi
cmake --build "$build_dir" -j"$(nproc)"
