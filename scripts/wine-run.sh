#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in the project's own prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR by ctest and by the demo.
#
# The prefix is created on first use; Mono, Gecko and winemenubuilder are disabled so that
# nothing is downloaded or written outside it. The ANSI code page is 936 as on the target
# systems, the skin's font faces map to the installed CJK font, and an Xvfb display is
# started when there is none.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${QUENBY_WINEPREFIX:-$repo_root/.wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko downloads, no desktop entries, and no debugger waiting on a crashed program.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8

mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"

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
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
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

prefix_version=3

init_prefix() {
  [[ $(cat "$WINEPREFIX/.quenby-ready" 2>/dev/null) == "$prefix_version" ]] && return
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w
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
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 || true
  local key='HKCU\Software\Wine\Fonts\Replacements'
  local font='WenQuanYi Micro Hei'
  for face in '微软雅黑' 'Microsoft YaHei' '宋体' 'SimSun' '新宋体' 'NSimSun'; do
    wine reg add "$key" /v "$face" /t REG_SZ /d "$font" /f >/dev/null 2>&1
  done
  wineserver -w
  echo "$prefix_version" > "$WINEPREFIX/.quenby-ready"
}

flock 9
if [[ -z ${DISPLAY:-} ]]; then
  DISPLAY=$(start_xvfb)
  export DISPLAY
fi
init_prefix
flock -u 9

exec wine "$@"
