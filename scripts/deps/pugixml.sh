#!/usr/bin/env bash
# pugixml: static, without XPath and without the STL interfaces (streams), which the installer
# does not use: the stream interfaces alone bring in the C++ library's whole locale machinery.
# Small rather than fast (it reads one manifest a run), in sections of their own so that the
# program keeps only what it calls.
set -euo pipefail
source "$(dirname "$0")/common.sh"
is_built pugixml "$0" && exit 0
src=$(fetch_source pugixml)
build=$DEPS_BUILD/pugixml
rm -rf "$build"
cmake_cross -S "$src" -B "$build" -DPUGIXML_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS_RELEASE="-Os -DNDEBUG" -DCMAKE_CXX_FLAGS="-ffunction-sections -fdata-sections" \
  -DPUGIXML_NO_XPATH=ON -DPUGIXML_NO_STL=ON
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built pugixml "$0"
