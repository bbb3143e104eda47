#!/usr/bin/env bash
# libcurl: static, HTTP and HTTPS only, Schannel (Windows' own TLS).
set -euo pipefail
source "$(dirname "$0")/common.sh"
is_built curl "$0" && exit 0
src=$(fetch_source curl)
build=$DEPS_BUILD/curl
rm -rf "$build"
cmake_cross -S "$src" -B "$build" \
  -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF \
  -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
  -DUSE_NGHTTP2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_DISABLE_LDAP=ON \
  -DENABLE_UNIX_SOCKETS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built curl "$0"
