#!/usr/bin/env bash
# Installs the host packages the build, the tests and the demo need (Debian 12, as root).
# Idempotent: packages already present are skipped.
set -euo pipefail

# Both cross compilers and both Wines: the i686 program ships and is tested where the machine
# runs 32-bit programs; the x86_64 build is tested under 64-bit Wine where it does not.
packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  libz-mingw-w64-dev libstb-dev
  cmake ninja-build make dpkg-dev python3 openssl locales
  wine wine32:i386 wine64 xvfb xauth fonts-wqy-microhei
  7zip gcab xz-utils nginx minisign osslsigncode
  xdotool imagemagick clang-format
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

# Dependencies are built from Debian's own source packages.
src_list=/etc/apt/sources.list.d/quenby-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src_list"
  else
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/quenby-src.list
  fi
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  need_update=1
fi
if [[ ${need_update:-0} == 1 ]]; then
  apt-get update -qq
fi
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The target systems run with code page 936; Wine takes it from the locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
