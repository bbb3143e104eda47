#!/usr/bin/env bash
set -euo pipefail
source "$(dirname "$0")/common.sh"
is_built googletest "$0" && exit 0
src=$(fetch_source googletest)
build=$DEPS_BUILD/googletest
rm -rf "$build"
cmake_cross -S "$src" -B "$build" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built googletest "$0"
