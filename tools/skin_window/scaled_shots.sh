#!/usr/bin/env bash
# Screenshots of the wizard's three pages at a display scale: sets the Wine prefix's LogPixels to
# the DPI, shows each page in skin-window.exe and captures the window's screen pixels:
#   scaled_shots.sh <skin-window.exe> <output folder> <dpi>
# writes scaled_<dpi>_<page>.png for the configuration, installing and finish pages. Fails when
# the window is not round(600 * dpi / 96) x round(400 * dpi / 96) or not centred on the screen.
# LogPixels is set back to 96 afterwards, also on failure: the prefix keeps it.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
out=$2
dpi=$3
mkdir -p "$out"
work=$(mktemp -d)
wine_run=$repo_root/scripts/wine-run.sh
prefix=$("$wine_run" --prefix "$exe")
QUENBY_ARCH=$(basename "$prefix" | sed -n 's/^\.wineprefix-x86_64$/x86_64/p')
export QUENBY_ARCH=${QUENBY_ARCH:-i686}
pid=""

# reg.exe is no file here, so the wrapper takes the architecture from QUENBY_ARCH: that of the
# window's program, whose prefix is set.
set_log_pixels() {
  "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$1" /f >/dev/null 2>&1
}
cleanup() {
  [[ -n $pid ]] && kill "$pid" 2>/dev/null || true
  set_log_pixels 96 || echo "scaled_shots: LogPixels could not be set back to 96" >&2
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "scaled_shots: $*" >&2
  exit 1
}

set_log_pixels "$dpi" || fail "LogPixels could not be set to $dpi"
if [[ -z ${DISPLAY:-} ]]; then
  read -r DISPLAY _ <"$prefix/.xvfb"
  export DISPLAY
fi
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
# The pointer stays off the window, so that no button is hot.
xdotool mousemove 0 0
want_w=$(((600 * dpi + 48) / 96))
want_h=$(((400 * dpi + 48) / 96))

for page in 0 1 2; do
  layout=$work/layout$page.txt
  "$wine_run" "$exe" "Z:$layout" "$page" >"$work/output$page.txt" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 600); do
    [[ -s $layout ]] && break
    kill -0 "$pid" 2>/dev/null || fail "skin-window ended before its window came up"
    sleep 0.1
  done
  [[ -s $layout ]] || fail "the window did not come up"
  read -r _ left top right bottom < <(grep '^window ' "$layout" | tr -d '\r')
  width=$((right - left)) height=$((bottom - top))
  [[ $width == "$want_w" && $height == "$want_h" ]] ||
    fail "page $page: the window is ${width}x${height}, not ${want_w}x${want_h} at $dpi DPI"
  [[ $left == $(((screen_w - width) / 2)) && $top == $(((screen_h - height) / 2)) ]] ||
    fail "page $page: the window at $left,$top is not centred on ${screen_w}x${screen_h}"
  # The first paint is done before the layout file is written; give the X server a moment.
  sleep 0.5
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${left}+${top}" +repage \
    "$out/scaled_${dpi}_$page.png"
  echo "wrote $out/scaled_${dpi}_$page.png (${width}x${height})"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
done
