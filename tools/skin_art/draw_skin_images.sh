#!/usr/bin/env bash
# Draws the eleven images of the installer's skin into resources/install_online/.
#
# Needs ImageMagick and two fonts, all Debian packages, and optipng, zopfli and pngquant for the
# smallest files:
#   apt-get install imagemagick fonts-wqy-microhei fonts-inter optipng zopfli pngquant
# Usage: tools/skin_art/draw_skin_images.sh [--scale 2] [output folder] [image...]
#
# With --scale 2 the same art is drawn at twice the size into name@2x.png, for displays at 200 %
# (and, reduced, at 125-175 %); the skin markup keeps the 96-DPI sizes. Images named after the
# folder (bg_main, btn_start, ...) are the only ones drawn; all without names.
#
# Sizes follow the markup: sprites hold their states stacked top to bottom (normal, hover,
# pressed) in cells of the button's size; images drawn without a "source" are made at the size
# of the control they fill, so they are never stretched. Small shapes are drawn at a multiple of
# their size and reduced with a box filter, which gives exact anti-aliased edges.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
k=1
if [ "${1:-}" = --scale ]; then
  k=$2
  shift 2
fi
[ "$k" = 1 ] || [ "$k" = 2 ] || { echo "--scale takes 1 or 2" >&2; exit 1; }
suffix=""
[ "$k" = 1 ] || suffix="@${k}x"
out=${1:-$here/../../resources/install_online}
[ $# -gt 0 ] && shift
wanted=("$@")
mkdir -p "$out"
out=$(cd "$out" && pwd)

# A real ImageMagick (6's convert or 7's magick), not some other program of that name.
im=""
for candidate in magick /usr/bin/convert convert; do
  if command -v "$candidate" >/dev/null 2>&1 &&
     "$candidate" -version 2>/dev/null | grep -q ImageMagick; then
    im=$candidate
    break
  fi
done
[ -n "$im" ] || { echo "ImageMagick is missing: apt-get install imagemagick" >&2; exit 1; }

cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
latin_font=/usr/share/fonts/opentype/inter/InterDisplay-SemiBold.otf
latin_bold=/usr/share/fonts/opentype/inter/InterDisplay-Bold.otf
for f in "$cjk_font" "$latin_font" "$latin_bold"; do
  [ -f "$f" ] || { echo "font missing: $f (apt-get install fonts-wqy-microhei fonts-inter)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Stable files: no time chunks, no metadata, fixed colour type. The second argument is the
# image's name; the scale's suffix goes before ".png".
# Each image is then recompressed without loss (optipng, then zopflipng, whichever is installed):
# the art travels inside the installer, whose size is bounded.
shrink() {
  if command -v optipng >/dev/null; then optipng -quiet -o7 -strip all "$1"; fi
  if command -v zopflipng >/dev/null; then zopflipng -y -m "$1" "$1" >/dev/null; fi
}
save_rgba() {
  "$im" "$1" -strip -depth 8 -define png:exclude-chunks=date,time,tIME "png32:$out/${2%.png}$suffix.png"
  shrink "$out/${2%.png}$suffix.png"
}
write_rgb() {
  "$im" "$1" -strip -alpha off -depth 8 -define png:exclude-chunks=date,time,tIME "png24:$out/${2%.png}$suffix.png"
}
save_rgb() {
  write_rgb "$1" "$2"
  shrink "$out/${2%.png}$suffix.png"
}
# The background, the largest image by far, is reduced to a palette of its 256 most telling
# colours (pngquant, with dithering): about half the bytes at a peak signal-to-noise ratio near
# 59 dB, which no eye tells from the original. Without pngquant it is kept in full colour.
save_rgb_palette() {
  local file=$out/${2%.png}$suffix.png
  write_rgb "$1" "$2"
  if command -v pngquant >/dev/null; then
    pngquant --quality 95-100 --speed 1 --strip --force --output "$file" "$file"
  fi
  shrink "$file"
}

# Lengths at the drawing's scale: x k, for integers and for fractions.
px() { echo $(($1 * k)); }
fx() { awk -v a="$1" -v k="$k" 'BEGIN { print a * k }'; }
# The reduction of a drawing made s times larger than its 96-DPI size.
reduce() { awk -v s="$1" -v k="$k" 'BEGIN { print 100 * k / s "%" }'; }

# Palette.
brand=#2786E4       # the agreement link's colour in the markup
brand_dark=#1A64BE
ink_blue=#1D63C9
line_grey=#C6D0DD

# ---------------------------------------------------------------------------------------------
# bg_main.png 600x400: blue hero with the product name over a white lower panel, whose top edge
# is a gentle curve ending above the first text row (y 330).
bg() {
  local w=$(px 600) h=$(px 400)
  # Hero colour: vertical blue gradient, lit from the upper right.
  "$im" -size ${w}x${h} gradient:#1E56C8-#2F8DEB \
    \( -size ${w}x${h} radial-gradient:'rgba(120,200,255,0.55)'-'rgba(120,200,255,0)' \
       -distort SRT "1.4 0 $(px 420),$(px -40)" \) -compose over -composite \
    "$work/hero_fill.png"
  # Calm decoration: two large faint discs and one thin ring.
  "$im" -size ${w}x${h} xc:none \
    -fill 'rgba(255,255,255,0.07)' -draw "circle $(px 560),$(px 30) $(px 560),$(px 190)" \
    -fill 'rgba(255,255,255,0.05)' -draw "circle $(px 40),$(px 300) $(px 40),$(px 440)" \
    -fill none -stroke 'rgba(255,255,255,0.12)' -strokewidth "$(fx 1.5)" \
    -draw "circle $(px 95),$(px 150) $(px 95),$(px 205)" \
    -fill none -stroke 'rgba(255,255,255,0.08)' -strokewidth "$(fx 1)" \
    -draw "circle $(px 505),$(px 250) $(px 505),$(px 296)" \
    "$work/hero_deco.png"
  # Hero outline: straight top, curved bottom (lowest point y 306 at the centre).
  "$im" -size $((w * 2))x$((h * 2)) xc:black -fill white \
    -draw "path 'M 0,0 L $(px 1200),0 L $(px 1200),$(px 568) Q $(px 600),$(px 656) 0,$(px 568) Z'" \
    -filter Box -resize 50% "$work/hero_mask.png"
  "$im" "$work/hero_fill.png" "$work/hero_deco.png" -compose over -composite \
    "$work/hero_mask.png" -alpha off -compose CopyOpacity -composite "$work/hero.png"

  # Product name with a soft shadow, and a quiet tagline.
  "$im" -size ${w}x${h} xc:none -font "$latin_font" -pointsize $(px 60) -kerning $(px 1) \
    -gravity north -fill 'rgba(8,30,90,0.35)' -annotate +0+$(px 76) 'Quenby' -blur 0x$(px 5) \
    "$work/name_shadow.png"
  "$im" -size ${w}x${h} xc:none -font "$latin_font" -pointsize $(px 60) -kerning $(px 1) \
    -gravity north -fill white -annotate +0+$(px 72) 'Quenby' \
    -font "$cjk_font" -pointsize $(px 15) -kerning $(px 6) -fill 'rgba(255,255,255,0.82)' \
    -annotate +0+$(px 156) '轻快 · 稳定 · 安全' "$work/name.png"

  # Window edge, one pixel, so the borderless window stands out on any desktop.
  "$im" -size ${w}x${h} xc:white "$work/hero.png" -compose over -composite \
    "$work/name_shadow.png" -compose over -composite \
    "$work/name.png" -compose over -composite \
    -fill none -stroke 'rgba(20,45,90,0.28)' -strokewidth $k \
    -draw "rectangle $(fx 0.5),$(fx 0.5) $(awk -v w=$w -v k=$k 'BEGIN { print w - k / 2 }'),$(awk -v h=$h -v k=$k 'BEGIN { print h - k / 2 }')" \
    "$work/bg.png"
  save_rgb_palette "$work/bg.png" bg_main.png
}

# ---------------------------------------------------------------------------------------------
# logo.png 133x38 (shown on the hero at the top left): a white rounded mark holding a blue "Q",
# then the name in white. Transparent elsewhere.
logo() {
  local s=8
  # Mark: 28x28 at (3,5), drawn 8x larger.
  "$im" -size $((133 * s))x$((38 * s)) xc:none \
    -fill 'rgba(8,30,90,0.25)' -draw "roundrectangle $((3 * s)),$((6 * s)) $((31 * s)),$((34 * s)) $((8 * s)),$((8 * s))" \
    -blur 0x10 \
    -fill white -draw "roundrectangle $((3 * s)),$((5 * s)) $((31 * s)),$((33 * s)) $((8 * s)),$((8 * s))" \
    -filter Box -resize "$(reduce $s)" "$work/logo_mark.png"
  "$im" "$work/logo_mark.png" \
    \( -size $(px 28)x$(px 28) xc:none -font "$latin_bold" -pointsize $(px 21) -fill "$brand" \
       -gravity center -annotate +0-$k 'Q' \) -gravity northwest -geometry +$(px 3)+$(px 5) \
    -compose over -composite -font "$latin_font" -pointsize $(px 21) -kerning "$(fx 0.3)" \
    -fill white -gravity northwest -annotate +$(px 38)+$(px 6) 'Quenby' "$work/logo.png"
  save_rgba "$work/logo.png" logo.png
}

# ---------------------------------------------------------------------------------------------
# Caption buttons, 12x12 cells on the hero: white glyph; hover puts it on a light (minimise) or
# red (close) rounded square; pressed darkens that square.
caption_cell() { # name glyph background glyph_colour
  local s=8 file=$1 glyph=$2 bgc=$3 fg=$4
  local draw_glyph
  if [ "$glyph" = min ]; then
    # One pixel high on row 6, so it stays sharp.
    draw_glyph=(-fill "$fg" -draw "rectangle $((3 * s)),$((6 * s)) $((9 * s - 1)),$((7 * s - 1))")
  else
    draw_glyph=(-fill none -stroke "$fg" -strokewidth $((s * 11 / 8)) -draw "line $((s * 13 / 4)),$((s * 13 / 4)) $((s * 35 / 4)),$((s * 35 / 4))" -draw "line $((s * 35 / 4)),$((s * 13 / 4)) $((s * 13 / 4)),$((s * 35 / 4))")
  fi
  "$im" -size $((12 * s))x$((12 * s)) xc:none \
    -fill "$bgc" -draw "roundrectangle 0,0 $((12 * s - 1)),$((12 * s - 1)) $((3 * s)),$((3 * s))" \
    "${draw_glyph[@]}" -filter Box -resize "$(reduce $s)" "$work/$file"
}
caption_buttons() {
  caption_cell min0.png min none 'rgba(255,255,255,0.88)'
  caption_cell min1.png min 'rgba(255,255,255,0.28)' white
  caption_cell min2.png min 'rgba(255,255,255,0.14)' 'rgba(255,255,255,0.75)'
  "$im" "$work/min0.png" "$work/min1.png" "$work/min2.png" -append "$work/btn_min.png"
  save_rgba "$work/btn_min.png" btn_min.png

  caption_cell close0.png close none 'rgba(255,255,255,0.88)'
  caption_cell close1.png close '#E5484D' white
  caption_cell close2.png close '#B8343A' 'rgba(255,255,255,0.85)'
  "$im" "$work/close0.png" "$work/close1.png" "$work/close2.png" -append "$work/btn_close.png"
  save_rgba "$work/btn_close.png" btn_close.png
}

# ---------------------------------------------------------------------------------------------
# Start and finish buttons, 178x58 cells on the hero: a white pill carrying the label (the markup
# gives these buttons no text). Hover lifts it (brighter, deeper shadow), pressed sinks it (tinted,
# one pixel lower, flat shadow).
pill_cell() { # out label fill_top fill_bottom text_colour dy shadow_alpha shadow_dy shadow_blur halo_alpha
  local s=4 file=$1 label=$2 top=$3 bottom=$4 ink=$5 dy=$6 sa=$7 sdy=$8 sblur=$9 halo=${10}
  local w=178 h=58 x0=8 x1=170 y0=$((4 + dy)) y1=$((48 + dy)) r=22
  "$im" -size $((w * s))x$((h * s)) xc:none -fill "rgba(10,40,110,$sa)" \
    -draw "roundrectangle $((x0 * s)),$(((y0 + sdy) * s)) $((x1 * s)),$(((y1 + sdy) * s)) $((r * s)),$((r * s))" \
    -blur 0x$((sblur * s)) \
    \( -size $((w * s))x$((h * s)) xc:none -fill "rgba(255,255,255,$halo)" \
       -draw "roundrectangle $(((x0 - 3) * s)),$(((y0 - 3) * s)) $(((x1 + 3) * s)),$(((y1 + 3) * s)) $(((r + 3) * s)),$(((r + 3) * s))" \
       -blur 0x$((2 * s)) \) -compose over -composite \
    -filter Box -resize "$(reduce $s)" "$work/pill_shadow.png"
  "$im" -size $((w * s))x$((h * s)) xc:black -fill white \
    -draw "roundrectangle $((x0 * s)),$((y0 * s)) $((x1 * s)),$((y1 * s)) $((r * s)),$((r * s))" \
    -filter Box -resize "$(reduce $s)" "$work/pill_mask.png"
  "$im" -size $(px $w)x$(px $h) xc:"$top" \
    \( -size $(px $w)x$(px $((y1 - y0))) gradient:"$top"-"$bottom" \) \
    -geometry +0+$(px $y0) -composite "$work/pill_mask.png" -alpha off -compose CopyOpacity \
    -composite "$work/pill_body.png"
  "$im" "$work/pill_shadow.png" "$work/pill_body.png" -compose over -composite \
    -font "$cjk_font" -pointsize $(px 19) -kerning $(px 3) -fill "$ink" -stroke "$ink" \
    -strokewidth "$(fx 0.35)" -gravity center -annotate +$k+$(px $((dy - 3))) "$label" \
    "$work/$file"
}
big_button() { # file label
  pill_cell c0.png "$2" '#FFFFFF' '#EBF2FC' "$ink_blue" 0 0.35 3 3 0
  pill_cell c1.png "$2" '#FFFFFF' '#FFFFFF' "$brand" -1 0.45 5 4 0.45
  pill_cell c2.png "$2" '#D5E5F9' '#E4EEFB' "$brand_dark" 1 0.30 1 1 0
  "$im" "$work/c0.png" "$work/c1.png" "$work/c2.png" -append "$work/$1"
  save_rgba "$work/$1" "$1"
}

# ---------------------------------------------------------------------------------------------
# Folder field and its browse button, side by side on the white panel with one pixel between
# them: the field (520x30, stretched whole, so drawn at that size) rounds its left corners, the
# button its right ones, so the two read as one group. The button's cells are 60x32 but its row
# is 30 high: the body takes the top 30 rows, the last two stay clear.
edit() {
  local s=4 w=520 h=30
  "$im" -size $((w * s))x$((h * s)) xc:none -fill white -stroke "$line_grey" -strokewidth $s \
    -draw "roundrectangle $((s / 2)),$((s / 2)) $(((w + 10) * s)),$((h * s - s / 2)) $((4 * s)),$((4 * s))" \
    -crop $((w * s))x$((h * s))+0+0 +repage -filter Box -resize "$(reduce $s)" "$work/edit.png"
  save_rgba "$work/edit.png" edit.png
}
browse_cell() { # out fill border text_colour
  local s=4 w=60 h=32 body=30
  "$im" -size $(((w + 10) * s))x$((h * s)) xc:none -fill "$2" -stroke "$3" -strokewidth $s \
    -draw "roundrectangle $((s / 2)),$((s / 2)) $(((w + 10) * s - s / 2)),$((body * s - s / 2)) $((4 * s)),$((4 * s))" \
    -crop $((w * s))x$((h * s))+$((10 * s))+0 +repage -filter Box -resize "$(reduce $s)" \
    -stroke none -strokewidth 1 -font "$cjk_font" -pointsize $(px 14) -kerning $(px 2) -fill "$4" \
    -gravity north -annotate +$k+$(px 5) '浏览' \
    "$work/$1"
}
browse() {
  browse_cell b0.png "$brand" "$brand" white
  browse_cell b1.png '#3E98EE' '#3E98EE' white
  browse_cell b2.png "$brand_dark" "$brand_dark" 'rgba(255,255,255,0.9)'
  "$im" "$work/b0.png" "$work/b1.png" "$work/b2.png" -append "$work/btn_browse.png"
  save_rgba "$work/btn_browse.png" btn_browse.png
}

# ---------------------------------------------------------------------------------------------
# checkbox.png 13x39: unchecked (rows 0-12), unchecked under the mouse (rows 13-25; the markup
# does not use this cell), checked (rows 26-38).
checkbox_cell() { # out fill border [check]
  local s=8
  local args=(-size $((13 * s))x$((13 * s)) xc:none -fill "$2" -stroke "$3" -strokewidth $s
              -draw "roundrectangle $((s / 2)),$((s / 2)) $((13 * s - s / 2 - 1)),$((13 * s - s / 2 - 1)) $((3 * s)),$((3 * s))")
  if [ "${4:-}" = check ]; then
    args+=(-fill none -stroke white -strokewidth $((s * 17 / 10)) -draw "stroke-linecap round" -draw "stroke-linejoin round"
           -draw "polyline $((s * 32 / 10)),$((s * 66 / 10)) $((s * 54 / 10)),$((s * 88 / 10)) $((s * 98 / 10)),$((s * 42 / 10))")
  fi
  "$im" "${args[@]}" -filter Box -resize "$(reduce $s)" "$work/$1"
}
checkbox() {
  checkbox_cell k0.png white '#9AA9BC'
  checkbox_cell k1.png '#F2F8FF' "$brand"
  checkbox_cell k2.png "$brand" "$brand" check
  "$im" "$work/k0.png" "$work/k1.png" "$work/k2.png" -append "$work/checkbox.png"
  save_rgba "$work/checkbox.png" checkbox.png
}

# ---------------------------------------------------------------------------------------------
# Progress bar, 550x3 like the slider, so neither image is scaled vertically: a quiet track, and a
# blue fill that brightens towards its leading edge (the fill is stretched over the done part).
progress() {
  "$im" -size $(px 550)x$(px 3) xc:'#E2E8F0' "$work/sink.png"
  save_rgb "$work/sink.png" progress_sink.png
  "$im" -size $(px 3)x$(px 550) gradient:'#45B9F6'-"$brand" -rotate 90 \
    \( -size $(px 550)x$k xc:'rgba(255,255,255,0.18)' \) -geometry +0+0 -compose over -composite \
    "$work/pos.png"
  save_rgb "$work/pos.png" progress_pos.png
}

# Draws one image, or two for the progress bar, when it is wanted.
draw() { # name command...
  local name=$1
  shift
  if [ ${#wanted[@]} -gt 0 ] && ! printf '%s\n' "${wanted[@]}" | grep -qx "$name"; then
    return
  fi
  "$@"
}
draw bg_main bg
draw logo logo
draw caption_buttons caption_buttons
draw btn_start big_button btn_start.png '立即安装'
draw btn_finish big_button btn_finish.png '立即体验'
draw edit edit
draw btn_browse browse
draw checkbox checkbox
draw progress progress
echo "skin images written to $out"
