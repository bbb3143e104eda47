#!/usr/bin/env bash
# Configures and builds the project (incrementally) for the architecture QUENBY_ARCH names
# (i686, the program that ships, by default; or x86_64) in build/<arch>, after the host set-up
# and that architecture's dependency builds, which both skip what is already there.
#   build.sh                  everything, tests included
#   build.sh --shipped-only   only the programs that ship (installer.exe and the stand-ins),
#                             pinning the keys QUENBY_MANIFEST_KEYS names (the publisher's: the
#                             base64 line of each .pub file, separated by ';'); fails without them
# A build other than i686 is told where build/i686 is, so that its test run checks the shipped
# program too. installer.exe is signed with the test code-signing authority (made on first use in
# ~/.cache/quenby-sign) unless the cache names the publisher's certificate;
# QUENBY_SIGN_TEST_CA=OFF leaves it unsigned (its tests then skip the signature).
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
export QUENBY_ARCH=${QUENBY_ARCH:-i686}
# The program that ships pins the publisher's keys, which only the caller can give: no key is
# taken from the repository behind its back. Asked before anything is set up or built.
if [[ ${1:-} == --shipped-only && -z ${QUENBY_MANIFEST_KEYS:-} ]]; then
  echo "build.sh --shipped-only: QUENBY_MANIFEST_KEYS must name the publisher's minisign keys" \
    "(the base64 line of each .pub file, separated by ';')" >&2
  exit 2
fi
source "$repo_root/scripts/deps/common.sh"
if [[ ${QUENBY_SKIP_SETUP:-0} != 1 ]]; then
  bash "$repo_root/scripts/setup.sh"
fi
# Each dependency is built once per recipe; what is built is only checked.
bash "$repo_root/scripts/deps.sh"
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build/$QUENBY_ARCH}
options=(-DCMAKE_PREFIX_PATH="$DEPS_PREFIX" -DQUENBY_SIGN_TEST_CA="${QUENBY_SIGN_TEST_CA:-ON}")
targets=()
if [[ ${1:-} == --shipped-only ]]; then
  options+=(-DBUILD_TESTING=OFF -DQUENBY_MANIFEST_KEYS="$QUENBY_MANIFEST_KEYS"
    -DQUENBY_ALLOW_UNSIGNED_MANIFEST=OFF)
  targets=(--target installer stand-in-launcher stand-in-uninstaller)
else
  # The tests install unsigned releases (and pin keys where they test signatures).
  options+=(-DBUILD_TESTING=ON -DQUENBY_MANIFEST_KEYS= -DQUENBY_ALLOW_UNSIGNED_MANIFEST=ON)
  [[ $QUENBY_ARCH == i686 ]] || options+=(-DQUENBY_SHIPPED_BUILD_DIR="$repo_root/build/i686")
fi
if [[ ! -f $build_dir/build.ninja ]]; then
  options+=(-G Ninja -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/toolchain-$QUENBY_ARCH-mingw.cmake")
fi
cmake -S "$repo_root" -B "$build_dir" "${options[@]}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
