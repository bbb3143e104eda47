# Shared settings of the dependency build scripts; sourced, not run.
# QUENBY_ARCH (i686, the default, or x86_64) picks the target: each has its own prefix in the
# cache, built from the same sources.
DEPS_ARCH=${QUENBY_ARCH:-i686}
case $DEPS_ARCH in
  i686 | x86_64) ;;
  *) echo "deps: QUENBY_ARCH must be i686 or x86_64, not '$DEPS_ARCH'" >&2; exit 1 ;;
esac
DEPS_DIR=${QUENBY_DEPS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/quenby-deps}
DEPS_SRC=$DEPS_DIR/src
DEPS_PREFIX=$DEPS_DIR/$DEPS_ARCH
DEPS_BUILD=$DEPS_DIR/build/$DEPS_ARCH
REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TOOLCHAIN=$REPO_ROOT/cmake/toolchain-$DEPS_ARCH-mingw.cmake
JOBS=$(nproc)
mkdir -p "$DEPS_SRC" "$DEPS_PREFIX" "$DEPS_BUILD"

# Unpacks Debian's source package $1 into $DEPS_SRC (once) and prints its folder.
fetch_source() {
  local package=$1 dir
  dir=$(find "$DEPS_SRC" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n1)
  if [[ -z $dir ]]; then
    (cd "$DEPS_SRC" && apt-get source -qq "$package" >/dev/null 2>&1)
    dir=$(find "$DEPS_SRC" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n1)
  fi
  [[ -n $dir ]] || { echo "deps: no source for $package" >&2; return 1; }
  echo "$dir"
}

# True when dependency $1 was built from the same recipe ($2 = recipe files) before.
is_built() {
  local stamp=$DEPS_PREFIX/.built-$1
  [[ -f $stamp && $(cat "$stamp") == "$(cat "${@:2}" | sha1sum)" ]]
}
mark_built() {
  cat "${@:2}" | sha1sum > "$DEPS_PREFIX/.built-$1"
}

cmake_cross() {
  cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$DEPS_PREFIX" -DCMAKE_PREFIX_PATH="$DEPS_PREFIX" \
    -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
}
