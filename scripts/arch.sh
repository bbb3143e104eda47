#!/usr/bin/env bash
# Prints the architecture whose build this machine tests and demonstrates: i686 (the program that
# ships) under 32-bit Wine where the machine runs 32-bit programs, otherwise x86_64 under 64-bit
# Wine. QUENBY_ARCH=i686|x86_64 chooses instead; a choice the machine cannot run fails at once.
#   arch.sh          prints i686 or x86_64
#   arch.sh --say    also says on standard error which build is tested and why
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"

say=0
[[ ${1:-} == --say ]] && say=1
why32=$(wine_loader_cannot_start "$wine_loader32")
if [[ -n ${QUENBY_ARCH:-} ]]; then
  case $QUENBY_ARCH in
    i686) why=$why32 ;;
    x86_64) why=$(wine_loader_cannot_start "$wine_loader64") ;;
    *) echo "arch: QUENBY_ARCH must be i686 or x86_64, not '$QUENBY_ARCH'" >&2; exit 1 ;;
  esac
  if [[ -n $why ]]; then
    echo "arch: QUENBY_ARCH=$QUENBY_ARCH, but this machine cannot run its Wine: $why" >&2
    exit 1
  fi
  arch=$QUENBY_ARCH
  reason="chosen by QUENBY_ARCH"
elif [[ -z $why32 ]]; then
  arch=i686
  reason="this machine runs 32-bit programs"
else
  why64=$(wine_loader_cannot_start "$wine_loader64")
  if [[ -n $why64 ]]; then
    echo "arch: this machine can run neither 32-bit Wine ($why32) nor 64-bit Wine ($why64)" >&2
    exit 1
  fi
  arch=x86_64
  reason="this machine runs no 32-bit programs: $why32"
fi
if ((say)); then
  wine=$([[ $arch == i686 ]] && echo 32-bit || echo 64-bit)
  echo "architecture: the $arch build under $wine Wine ($reason; QUENBY_ARCH=i686|x86_64 chooses)" >&2
fi
echo "$arch"
