#!/usr/bin/env bash
# libcurl: static, HTTP and HTTPS over Schannel (Windows' own TLS), with what the engine uses
# and no more: proxies (from the options or the environment) with Basic, Digest, NTLM and
# Negotiate authentication (the last two through SSPI), a shared connection and DNS cache,
# Retry-After dates. No other protocol, no cookies, alt-svc, HSTS, DNS-over-HTTPS, MIME forms,
# .netrc, progress meter, verbose texts or option-name tables. Small rather than fast (the
# transfers wait on the network, and the body is handed over as it arrives), in sections of their
# own and without unwind tables (C code never unwinds, and the tables would keep every function
# they describe), so that the program keeps only what it calls. libcurl formats its own text; its
# one sscanf (host:port pairs) goes to the system's C runtime rather than bringing MinGW's
# portable scanf and its number parsers along.
set -euo pipefail
source "$(dirname "$0")/common.sh"
is_built curl "$0" && exit 0
src=$(fetch_source curl)
build=$DEPS_BUILD/curl
rm -rf "$build"
cmake_cross -S "$src" -B "$build" \
  -DCMAKE_C_FLAGS_RELEASE="-Os -DNDEBUG" \
  -DCMAKE_C_FLAGS="-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables -D__USE_MINGW_ANSI_STDIO=0" \
  -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF \
  -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
  -DUSE_NGHTTP2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_DISABLE_LDAP=ON \
  -DCURL_DISABLE_ALTSVC=ON -DCURL_DISABLE_COOKIES=ON -DCURL_DISABLE_DOH=ON \
  -DCURL_DISABLE_HSTS=ON -DCURL_DISABLE_MIME=ON -DCURL_DISABLE_NETRC=ON \
  -DCURL_DISABLE_PROGRESS_METER=ON -DCURL_DISABLE_GETOPTIONS=ON \
  -DCURL_DISABLE_LIBCURL_OPTION=ON -DCURL_DISABLE_SOCKETPAIR=ON -DCURL_DISABLE_VERBOSE_STRINGS=ON \
  -DENABLE_UNIX_SOCKETS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none
cmake --build "$build" -j"$JOBS" >/dev/null
cmake --install "$build" >/dev/null
mark_built curl "$0"
