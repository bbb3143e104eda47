#!/usr/bin/env bash
# pugixml: static, without XPath and without the STL interfaces (streams), which the installer
# does not use: the stream interfaces alone bring in the C++ library's whole locale machinery.
set -euo pipefail
source "$(dirname "$0")/common.sh"
is_built pugixml "$0" && exit 0
src=$(fetch_source pugixml)
build=$DEPS_BUILD/pugixml
rm -rf "$build"
cmake_cross -S "$src" -B "$build" -DPUGIXML_BUILD_TESTS=OFF \
  -DPUGIXML_NO_XPATH=ON -DPUGIXML_NO_STL=ON
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built pugixml "$0"
