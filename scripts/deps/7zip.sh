#!/usr/bin/env bash
# 7-Zip archive library: static, extract-only, the 7z/zip/cab/lzma handlers (deps/7zip).
set -euo pipefail
source "$(dirname "$0")/common.sh"
recipe=("$0" "$REPO_ROOT/deps/7zip/CMakeLists.txt" "$REPO_ROOT/deps/7zip/SevenZipConfig.cmake")
is_built 7zip "${recipe[@]}" && exit 0
src=$(fetch_source 7zip)
build=$DEPS_BUILD/7zip
rm -rf "$build"
cmake_cross -S "$REPO_ROOT/deps/7zip" -B "$build" -DSEVENZIP_SOURCE_DIR="$src"
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built 7zip "${recipe[@]}"
