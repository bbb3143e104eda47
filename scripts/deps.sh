#!/usr/bin/env bash
# Builds the cross-compiled dependencies once into the cache outside the work tree
# ($QUENBY_DEPS_DIR, default ~/.cache/quenby-deps), for the architecture QUENBY_ARCH names
# (i686 by default), and reuses them when present.
set -euo pipefail
here=$(dirname "$0")
for dep in pugixml googletest curl 7zip libsodium; do
  if [[ -f $here/deps/$dep.sh ]]; then
    echo "deps (${QUENBY_ARCH:-i686}): $dep"
    bash "$here/deps/$dep.sh"
  fi
done
