#!/usr/bin/env bash
# The main job: installs a sample client with installer.exe through its wizard under Wine.
#
# Publishes the sample release (several files, one in a sub-folder, one larger than 10 MB, and the
# stand-in launcher and uninstaller) on the local update server, builds installer.exe pointed at
# that server in build-demo/ (the build option QUENBY_UPDATE_BASE_URL; build/ keeps the product's
# address for the tests) and runs it. With a reachable DISPLAY the wizard opens there for a person
# to click through (QUENBY_DEMO_AUTO=1 clicks anyway); otherwise it runs on Xvfb and is clicked
# through automatically. Prints the installed files against the release, the uninstall entry, both
# shortcuts, install.dat and the stand-in client's record of its start, runs the installer again
# over the installation (nothing is downloaded) and names the folder of the screenshots.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
source "$repo_root/scripts/deps/common.sh"
if [[ ${QUENBY_SKIP_SETUP:-0} != 1 ]]; then
  bash "$repo_root/scripts/setup.sh"
  bash "$repo_root/scripts/deps.sh"
fi
build_dir=${QUENBY_DEMO_BUILD_DIR:-$repo_root/build-demo}
shots=${QUENBY_DEMO_SHOTS:-$build_dir/screenshots}

port_free() {
  python3 -c 'import socket, sys; socket.socket().bind(("127.0.0.1", int(sys.argv[1])))' "$1" \
    2>/dev/null
}
# The server's port is built into the installer: the last one is kept while it is free, so that
# a repeated demo does not rebuild.
port=
if [[ -f $build_dir/CMakeCache.txt ]]; then
  port=$(sed -n 's#^QUENBY_UPDATE_BASE_URL:STRING=http://127.0.0.1:\([0-9]*\)$#\1#p' \
    "$build_dir/CMakeCache.txt")
fi
if [[ -z $port ]] || ! port_free "$port"; then
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
fi

echo "== building installer.exe for the update server http://127.0.0.1:$port in $build_dir"
cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/toolchain-i686-mingw.cmake" \
  -DCMAKE_PREFIX_PATH="$DEPS_PREFIX" -DQUENBY_UPDATE_BASE_URL="http://127.0.0.1:$port" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" \
  --target installer stand-in-launcher stand-in-uninstaller install-probe >/dev/null

mode=()
if [[ -n ${DISPLAY:-} ]] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  if [[ ${QUENBY_DEMO_AUTO:-0} != 1 ]]; then
    mode=(--person)
  fi
else
  # No display to show it on: Wine's wrapper starts its own Xvfb.
  unset DISPLAY
fi

work=$(mktemp -d /tmp/quenby-demo-XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 "$repo_root/tools/wizard_driver/demo_install.py" \
  --installer "$build_dir/app/installer.exe" \
  --probe "$build_dir/tools/install_probe/install-probe.exe" \
  --stand-ins "$build_dir/tools/stand_in_client" \
  --port "$port" --work "$work" --shots "$shots" "${mode[@]}"
