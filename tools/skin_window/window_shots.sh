#!/usr/bin/env bash
# Shows the installer skin in a real window (skin-window.exe under Wine, on the X display that
# the Wine wrapper uses), drives it with real pointer input and writes screenshots of the
# window's screen pixels:
#   window_shots.sh <skin-window.exe> <output folder>
# window_0_normal.png, window_1_hover_close.png, window_2_hover_install.png,
# window_3_pressed_install.png (button held) and window_4_installing_page.png (after the click).
# Fails when the folder field shows no text, when a hover or press does not change what the
# screen shows, or when the window does not close on Escape.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
layout=$work/layout.txt
prefix=$("$repo_root/scripts/wine-run.sh" --prefix "$exe")

"$repo_root/scripts/wine-run.sh" "$exe" "Z:$layout" >"$work/output.txt" 2>&1 </dev/null &
pid=$!
cleanup() {
  kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "window_shots: $*" >&2
  cat "$work/output.txt" >&2 || true
  exit 1
}

# Polls a condition every 0.1 s, at most tries times.
wait_for() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

wait_for 600 test -s "$layout" || fail "the window did not come up"
if [[ -z ${DISPLAY:-} ]]; then
  read -r DISPLAY _ <"$prefix/.xvfb"
  export DISPLAY
fi

declare -A left top right bottom
while read -r name l t r b; do
  b=${b%$'\r'}  # the layout file has Windows line ends
  left[$name]=$l top[$name]=$t right[$name]=$r bottom[$name]=$b
done <"$layout"
for name in window btn_close btn_install edit_dir; do
  [[ -n ${left[$name]:-} ]] || fail "no $name in the layout"
done
win_x=${left[window]} win_y=${top[window]}
win_w=$((right[window] - win_x)) win_h=$((bottom[window] - win_y))

# Screen centre of a button.
centre() {
  echo $((win_x + (left[$1] + right[$1]) / 2)) $((win_y + (top[$1] + bottom[$1]) / 2))
}
# A digest of the screen pixels of a button (or of the whole window).
digest() {
  local x y w h
  if [[ $1 == window ]]; then
    x=$win_x y=$win_y w=$win_w h=$win_h
  else
    x=$((win_x + left[$1])) y=$((win_y + top[$1]))
    w=$((right[$1] - left[$1])) h=$((bottom[$1] - top[$1]))
  fi
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage rgb:- | md5sum
}
changed() { [[ $(digest "$1") != "$2" ]]; }
shot() {
  import -display "$DISPLAY" -window root -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage \
    "$out/$1"
  echo "wrote $out/$1"
}

# The pointer starts away from the window.
xdotool mousemove 0 0
close_normal=$(digest btn_close)
install_normal=$(digest btn_install)
shot window_0_normal.png

# The folder field's text: dark glyph pixels on the field's light background.
field_size=$((right[edit_dir] - left[edit_dir]))x$((bottom[edit_dir] - top[edit_dir]))
dark_share=$(convert "$out/window_0_normal.png" -crop "$field_size+${left[edit_dir]}+${top[edit_dir]}" \
  +repage -colorspace Gray -threshold 45% -format '%[fx:1-mean]' info:)
awk -v share="$dark_share" 'BEGIN { exit !(share > 0.01) }' ||
  fail "the folder field shows no text (dark share $dark_share)"
echo "window_shots: the folder field's text covers $dark_share of its area"

xdotool mousemove $(centre btn_close)
wait_for 50 changed btn_close "$close_normal" || fail "btn_close shows no hover"
shot window_1_hover_close.png

xdotool mousemove $(centre btn_install)
wait_for 50 changed btn_install "$install_normal" || fail "the install button shows no hover"
wait_for 50 test "$(digest btn_close)" == "$close_normal" || fail "btn_close stays hot"
install_hot=$(digest btn_install)
shot window_2_hover_install.png

xdotool mousedown 1
wait_for 50 changed btn_install "$install_hot" || fail "the install button shows no press"
page_config=$(digest window)
shot window_3_pressed_install.png

xdotool mouseup 1
wait_for 50 changed window "$page_config" || fail "the click did not switch the page"
wait_for 50 grep -q "click btn_install" "$work/output.txt" || fail "no click reported"
shot window_4_installing_page.png

xdotool key Escape
for _ in $(seq 200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not close the window"
wait "$pid" || fail "skin-window ended with exit code $?"
echo "window_shots: 5 screenshots in $out"
