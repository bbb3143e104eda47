#!/usr/bin/env bash
# libsodium: static, only signature verification and BLAKE2b (deps/libsodium).
set -euo pipefail
source "$(dirname "$0")/common.sh"
recipe=("$0" "$REPO_ROOT/deps/libsodium/CMakeLists.txt" "$REPO_ROOT/deps/libsodium/SodiumConfig.cmake")
is_built libsodium "${recipe[@]}" && exit 0
src=$(fetch_source libsodium)
build=$DEPS_BUILD/libsodium
rm -rf "$build"
cmake_cross -S "$REPO_ROOT/deps/libsodium" -B "$build" -DSODIUM_SOURCE_DIR="$src"
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built libsodium "${recipe[@]}"
