#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR by ctest and by the demo.
#
#   wine-run.sh program.exe args...     runs the program
#   wine-run.sh --prefix i686|x86_64|program.exe
#                                       prints the prefix that architecture's programs run in
#   wine-run.sh --stop i686|x86_64      ends Wine and the Xvfb started for that prefix
#
# A 32-bit program runs under 32-bit Wine in .wineprefix, a 64-bit one under 64-bit Wine (its
# loader called directly: the `wine` script picks the 32-bit loader whenever it is installed) in
# a win64 prefix, .wineprefix-x86_64. The architecture is read from the program's PE header;
# QUENBY_ARCH names it for anything else. QUENBY_WINEPREFIX overrides the prefix.
#
# The prefix is created on first use; Mono, Gecko and winemenubuilder are disabled so that
# nothing is downloaded or written outside it. The ANSI code page is 936 as on the target
# systems, the skin's font faces map to the installed CJK font, and an Xvfb display is
# started when there is none. When Wine cannot start on this machine the script fails at once
# and says why.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$repo_root/scripts/wine-loader.sh"

prefix_of() {
  case $1 in
    i686) echo "$repo_root/.wineprefix" ;;
    x86_64) echo "$repo_root/.wineprefix-x86_64" ;;
    *) echo "wine-run: unknown architecture '$1' (i686 or x86_64)" >&2; return 1 ;;
  esac
}

# The architecture of the PE file $1 (i686 or x86_64); nothing when it is no PE file.
pe_arch() {
  [[ -f $1 ]] || return 0
  [[ $(head -c 2 "$1" 2>/dev/null) == MZ ]] || return 0
  local header machine
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')
  case $machine in
    014c) echo i686 ;;
    8664) echo x86_64 ;;
  esac
}

if [[ ${1:-} == --prefix ]]; then
  arch=${2:?wine-run: --prefix needs an architecture or a program}
  [[ -f $arch ]] && arch=$(pe_arch "$arch")
  echo "${QUENBY_WINEPREFIX:-$(prefix_of "$arch")}"
  exit 0
fi
# wine-run.sh --stop i686|x86_64: ends what runs in that architecture's prefix, Wine's server and
# programs and the Xvfb this script started for it, so that a script's run leaves nothing behind.
if [[ ${1:-} == --stop ]]; then
  prefix=${QUENBY_WINEPREFIX:-$(prefix_of "${2:?wine-run: --stop needs an architecture}")}
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  if [[ -f $prefix/.xvfb ]]; then
    read -r _ pid < "$prefix/.xvfb" || true
    [[ -n ${pid:-} ]] && kill "$pid" 2>/dev/null || true
    rm -f "$prefix/.xvfb"
  fi
  exit 0
fi
(($#)) || { echo "usage: wine-run.sh program.exe args..." >&2; exit 2; }

arch=$(pe_arch "$1")
arch=${arch:-${QUENBY_ARCH:-i686}}
default_prefix=$(prefix_of "$arch")
export WINEPREFIX=${QUENBY_WINEPREFIX:-$default_prefix}
if [[ $arch == x86_64 ]]; then
  export WINEARCH=win64
  loader=$wine_loader64
else
  export WINEARCH=win32
  loader=$wine_loader32
fi
export WINELOADER=$loader
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko downloads, no desktop entries, and no debugger waiting on a crashed program.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8

# Fails now, with the reason, when this machine cannot start this Wine at all (a kernel that
# refuses 32-bit programs answers "Exec format error").
if [[ ! -x $loader ]]; then
  echo "wine-run: $loader is missing: the $arch Wine is not installed (scripts/setup.sh)" >&2
  exit 126
fi
why=$(wine_loader_cannot_start "$loader")
if [[ -n $why ]]; then
  echo "wine-run: the $arch Wine loader cannot start on this machine: $why" >&2
  [[ $arch == i686 ]] && echo "wine-run: this machine runs no 32-bit programs; use the x86_64 build" >&2
  exit 126
fi

mkdir -p "$WINEPREFIX"
# The lock serialises the prefix's creation and Xvfb's start. It is held on descriptor 9, which
# nothing started here inherits, and released on every way out.
exec 9>"$WINEPREFIX.lock"
trap 'flock -u 9 2>/dev/null || true' EXIT

start_xvfb() {
  local state=$WINEPREFIX/.xvfb display pid
  if [[ -f $state ]]; then
    read -r display pid < "$state"
    if kill -0 "$pid" 2>/dev/null && [[ -S /tmp/.X11-unix/X${display#:} ]]; then
      echo "$display"
      return
    fi
  fi
  for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null 9>&- &
    pid=$!
    for _ in $(seq 50); do
      [[ -S /tmp/.X11-unix/X$n ]] && break
      sleep 0.1
    done
    if [[ -S /tmp/.X11-unix/X$n ]]; then
      echo ":$n $pid" > "$state"
      echo ":$n"
      return
    fi
    kill "$pid" 2>/dev/null || true
  done
  echo "wine-run: could not start Xvfb" >&2
  return 1
}

prefix_version=4

init_prefix() {
  [[ $(cat "$WINEPREFIX/.quenby-ready" 2>/dev/null) == "$prefix_version" ]] && return
  # Wine's server and system processes outlive this script: they must not hold the lock.
  "$loader" wineboot --init >/dev/null 2>&1 9>&- || true
  wineserver -w 9>&-
  # A new prefix links the profile's Desktop, Documents and the like to the home folder, which
  # every prefix of the machine shares: real folders keep what programs write there (the
  # installer's desktop shortcut) inside this prefix.
  local folder
  for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [[ -L $folder && -d $folder ]]; then
      rm "$folder"
      mkdir "$folder"
    fi
  done
  # A crashing program ends at once instead of waiting for a debugger.
  "$loader" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 9>&- || true
  local key='HKCU\Software\Wine\Fonts\Replacements'
  local font='WenQuanYi Micro Hei'
  for face in '微软雅黑' 'Microsoft YaHei' '宋体' 'SimSun' '新宋体' 'NSimSun'; do
    "$loader" reg add "$key" /v "$face" /t REG_SZ /d "$font" /f >/dev/null 2>&1 9>&-
  done
  # The user's Internet settings say "direct": left empty, Wine's WinHTTP reports auto-detection,
  # and every program that follows the settings would wait for a detection first. Flags 1
  # (direct) in the binary value Windows keeps them in: version, counter, flags, then empty
  # proxy, bypass list and PAC address.
  local settings=460000000000000001000000$(printf '%088d' 0)
  "$loader" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections' \
    /v DefaultConnectionSettings /t REG_BINARY /d "$settings" /f >/dev/null 2>&1 9>&-
  wineserver -w 9>&-
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "wine-run: Wine could not create the prefix $WINEPREFIX" >&2
    return 1
  fi
  echo "$prefix_version" > "$WINEPREFIX/.quenby-ready"
}

flock 9
if [[ -z ${DISPLAY:-} ]]; then
  DISPLAY=$(start_xvfb)
  export DISPLAY
fi
init_prefix
flock -u 9
trap - EXIT

exec "$loader" "$@" 9>&-
