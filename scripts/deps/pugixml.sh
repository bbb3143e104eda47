#!/usr/bin/env bash
set -euo pipefail
source "$(dirname "$0")/common.sh"
is_built pugixml "$0" && exit 0
src=$(fetch_source pugixml)
build=$DEPS_BUILD/pugixml
rm -rf "$build"
cmake_cross -S "$src" -B "$build" -DPUGIXML_BUILD_TESTS=OFF
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built pugixml "$0"
