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
# over the installation (nothing is downloaded), names the folder of the screenshots and verifies
# the signature of the installer that ships against the test code-signing authority.
#
# The wizard that runs is the i686 installer.exe under 32-bit Wine where this machine runs 32-bit
# programs, else the x86_64 build of the same installer under 64-bit Wine (QUENBY_ARCH=i686|x86_64
# chooses); the i686 installer.exe that ships is built beside it either way and named at the end.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
if [[ ${QUENBY_SKIP_SETUP:-0} != 1 ]]; then
  bash "$repo_root/scripts/setup.sh"
fi
arch=$(bash "$repo_root/scripts/arch.sh" --say)
export QUENBY_ARCH=$arch
demo_root=${QUENBY_DEMO_BUILD_DIR:-$repo_root/build-demo}
build_dir=$demo_root/$arch
shots=${QUENBY_DEMO_SHOTS:-$demo_root/screenshots}

# The release is signed with the project's test key, and the demo's installer pins it; the
# installer itself is signed with the test code-signing authority (scripts/build.sh says where).
demo_key=$(tail -n1 "$repo_root/tools/publisher/test_key/quenby-test.pub")

# Configures build/<arch> of the demo ($1) for the update server at port $2 and builds targets.
build_demo() {
  local build_arch=$1 port=$2
  shift 2
  (
    export QUENBY_ARCH=$build_arch
    source "$repo_root/scripts/deps/common.sh"
    # Each dependency is built once per recipe; what is built is only checked.
    bash "$repo_root/scripts/deps.sh" >/dev/null
    cmake -S "$repo_root" -B "$demo_root/$build_arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DBUILD_TESTING=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/toolchain-$build_arch-mingw.cmake" \
      -DCMAKE_PREFIX_PATH="$DEPS_PREFIX" -DQUENBY_UPDATE_BASE_URL="http://127.0.0.1:$port" \
      -DQUENBY_MANIFEST_KEYS="$demo_key" -DQUENBY_SIGN_TEST_CA=ON >/dev/null
    cmake --build "$demo_root/$build_arch" -j"$(nproc)" --target "$@" >/dev/null
  )
}

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

echo "== building installer.exe ($arch) for the update server http://127.0.0.1:$port in $build_dir"
build_demo "$arch" "$port" installer stand-in-launcher stand-in-uninstaller install-probe \
  wine-keepalive
if [[ $arch != i686 ]]; then
  echo "== building the i686 installer.exe that ships, for the same server, in $demo_root/i686"
  build_demo i686 "$port" installer
fi

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
source "$repo_root/scripts/keep-wine-up.sh"
wine_keepalive_pid=
trap 'kill $wine_keepalive_pid 2>/dev/null || true; rm -rf "$work"
      bash "$repo_root/scripts/wine-run.sh" --stop "$arch"' EXIT
keep_wine_up "$build_dir"
python3 "$repo_root/tools/wizard_driver/demo_install.py" \
  --installer "$build_dir/app/installer.exe" \
  --probe "$build_dir/tools/install_probe/install-probe.exe" \
  --stand-ins "$build_dir/tools/stand_in_client" \
  --port "$port" --work "$work" --shots "$shots" "${mode[@]}"
echo "== the i686 installer.exe that ships, for this server: $demo_root/i686/app/installer.exe"
test_ca=$(sed -n 's#^QUENBY_SIGN_TEST_CA_DIR:PATH=##p' "$demo_root/i686/CMakeCache.txt")/ca.pem
if osslsigncode verify -CAfile "$test_ca" -TSA-CAfile "$test_ca" \
    -in "$demo_root/i686/app/installer.exe" >/dev/null 2>&1; then
  echo "   signed (Authenticode, SHA-256) by the test code-signing authority $test_ca: verified"
else
  echo "   FAIL: its signature does not verify against the test code-signing authority $test_ca"
  exit 1
fi
if [[ $arch != i686 ]]; then
  echo "   (this machine runs no 32-bit programs: the wizard above was its x86_64 build)"
fi
