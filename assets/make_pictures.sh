#!/bin/bash
# Draws the program's pictures and icon from scratch with ImageMagick's drawing
# primitives and writes them beside this script:
#
#   background.jpg  435 x 222, behind the About text
#   banner.jpg      150 x 40, the publisher's banner in the About panel
#   scan.bmp        32 x 32, the Scan button: a doctor with a syringe
#   goback.bmp      32 x 32, the Go Back button: an open door, EXIT sign, arrow
#   DiziTarvix.ico  the program icon, 16, 24, 32 and 48 pixels, 24-bit
#
# Needs: imagemagick (version 6, "convert"), python3 and fonts-dejavu-core.
# A run with the same tools writes the same bytes every time: metadata is
# stripped, noise is seeded and ImageMagick runs on one thread.
set -euo pipefail
export LC_ALL=C MAGICK_THREAD_LIMIT=1

here=$(cd "$(dirname "$0")" && pwd)
helper=$here/winpics.py
key=FF00FF # the bitmaps' transparent colour, magenta

fail() {
  echo "make_pictures: $*" >&2
  exit 1
}

command -v convert >/dev/null || fail "ImageMagick's convert is missing (apt-get install imagemagick)"
command -v python3 >/dev/null || fail "python3 is missing (apt-get install python3)"
fonts=$(convert -list font)
for font in DejaVu-Sans DejaVu-Sans-Bold; do
  grep -qx "  Font: $font" <<<"$fonts" ||
    fail "font $font is missing (apt-get install fonts-dejavu-core)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# write_jpeg SOURCE DEST MIN MAX: a baseline JPEG at the highest quality whose
# file is at most MAX bytes; fails if that file is smaller than MIN bytes.
# Chroma is kept at full resolution so the thin red and orange lines stay
# clean.
write_jpeg() {
  local source=$1 dest=$2 min=$3 max=$4 quality size
  for quality in $(seq 95 -1 40); do
    convert "$source" -strip -interlace none -sampling-factor 1x1 \
      -quality "$quality" "$work/try.jpg"
    size=$(stat -c %s "$work/try.jpg")
    [ "$size" -le "$max" ] && break
  done
  [ "$size" -ge "$min" ] && [ "$size" -le "$max" ] ||
    fail "$dest: no quality gives $min to $max bytes (last: $size bytes at $quality)"
  mv "$work/try.jpg" "$dest"
  echo "$(basename "$dest"): quality $quality, $size bytes"
}

# --- background.jpg ---------------------------------------------------------
# A dark grey-blue scene lit from behind a red cross-hair sight in the middle.
# The program writes the About text in yellow over the upper left (from about
# 11,2, some 290 x 130 pixels), so that area is darkened further and the sight
# is subdued there. The product name runs down the 10-pixel strip at the left
# edge, in the top-left corner where the text does not reach.
draw_background() {
  local w=435 h=222 cx=217 cy=111 grid="" ticks="" x y d
  for y in $(seq 15 24 $h); do grid+="M 0,$y L $w,$y "; done
  for x in $(seq 9 24 $w); do grid+="M $x,0 L $x,$h "; done
  for d in 30 38 56 62; do
    ticks+="line $((cx - d)),$((cy - 3)) $((cx - d)),$((cy + 3)) "
    ticks+="line $((cx + d)),$((cy - 3)) $((cx + d)),$((cy + 3)) "
    ticks+="line $((cx - 3)),$((cy - d)) $((cx + 3)),$((cy - d)) "
    ticks+="line $((cx - 3)),$((cy + d)) $((cx + 3)),$((cy + d)) "
  done
  convert -size 800x800 radial-gradient:'#3d526a'-'#0c1118' \
    -crop ${w}x${h}+$((400 - cx))+$((400 - cy)) +repage \
    -seed 11 -attenuate 0.10 +noise Gaussian \
    \( -size ${w}x${h} xc:none -fill none -stroke '#8fb0d018' -strokewidth 1 \
       -draw "path '$grid'" \) -composite \
    \( -size ${w}x${h} xc:none -fill none -stroke '#9ab8d838' -strokewidth 1 \
       -draw "circle $cx,$cy $((cx + 84)),$cy" \
       -draw "circle $cx,$cy $((cx + 126)),$cy" \
       -draw "circle $cx,$cy $((cx + 176)),$cy" \) -composite \
    \( -size ${w}x${h} xc:none -fill none -stroke '#e0302c' \
       -strokewidth 2 -draw "circle $cx,$cy $((cx + 46)),$cy" \
       -strokewidth 1.5 -draw "circle $cx,$cy $((cx + 20)),$cy" \
       -strokewidth 2 \
       -draw "line $((cx - 72)),$cy $((cx - 8)),$cy line $((cx + 8)),$cy $((cx + 72)),$cy" \
       -draw "line $cx,$((cy - 72)) $cx,$((cy - 8)) line $cx,$((cy + 8)) $cx,$((cy + 72))" \
       -strokewidth 1 -draw "$ticks" \
       -stroke none -fill '#ff5040' -draw "circle $cx,$cy $((cx + 2)),$cy" \
       \( +clone -blur 0x4 \) +swap -composite \) -composite \
    \( -size ${w}x${h} xc:white -fill gray45 -draw "rectangle -30,-30 300,132" \
       -blur 0x18 \) -compose multiply -composite -compose over \
    \( -background none -fill '#9fb4cc' -font DejaVu-Sans-Bold -pointsize 11 \
       label:'Diri Tarvix' -trim +repage -rotate 90 \) \
    -gravity northwest -geometry +1+3 -composite \
    -depth 8 "ppm:$work/background.ppm"
  write_jpeg "$work/background.ppm" "$here/background.jpg" 15000 20000
}

# --- banner.jpg -------------------------------------------------------------
# The publisher's banner: an invented logo (a white nut on a blue tile), the
# tag, the name's last two words and the web address, with an orange pointer.
draw_banner() {
  convert -size 150x40 gradient:'#ffffff'-'#d6e4f2' \
    -fill none -stroke '#1d3f73' -strokewidth 1 -draw "rectangle 0.5,0.5 149.5,39.5" \
    -stroke none -fill '#1d3f73' -draw "roundrectangle 4,4 35,35 6,6" \
    -fill white -draw "polygon 29.96,25.75 20,31.5 10.04,25.75 10.04,14.25 20,8.5 29.96,14.25" \
    -fill '#f08a1c' -draw "circle 20,20 25,20" \
    -fill '#1d3f73' -draw "circle 20,20 22,20" \
    -font DejaVu-Sans-Bold -pointsize 18 -fill '#1d3f73' -annotate +42+20 'EUW' \
    -font DejaVu-Sans -pointsize 8 -fill '#4a5f7d' -annotate +92+11 'Utility' \
    -annotate +92+20 'Works' \
    -pointsize 9 -fill '#c2620a' -annotate +42+33 'www.example.org' \
    -fill '#f08a1c' -draw "polygon 134,23 144,29 134,35" \
    -depth 8 "ppm:$work/banner.ppm"
  write_jpeg "$work/banner.ppm" "$here/banner.jpg" 3000 4300
}

# --- scan.bmp and goback.bmp ------------------------------------------------
# 32 x 32 pixel art on the key colour, drawn without anti-aliasing so every
# pixel is either exactly the key colour or one of the picture's own colours.
bitmap() { # NAME, then the drawing options
  local name=$1
  shift
  convert -size 32x32 "xc:#$key" +antialias -strokewidth 1 "$@" \
    -depth 8 "ppm:$work/$name.ppm"
  python3 "$helper" bmp $key "$work/$name.ppm" "$here/$name.bmp"
}

draw_scan() {
  local coat='#ffffff' seam='#5f6f80' skin='#e9b885'
  bitmap scan -stroke none \
    -fill $coat -draw "polygon 3,31 3,19 6,15 18,15 21,19 21,31" \
    -fill none -stroke $seam -draw "polyline 3,31 3,19 6,15 18,15 21,19 21,31" \
    -draw "line 12,19 12,31 line 6,21 6,31" \
    -stroke none -fill $coat -draw "polygon 17,15 22,12 23,12 23,18 20,21" \
    -fill none -stroke $seam -draw "polyline 18,15 22,12 23,12 23,17 20,20" \
    -stroke none -fill '#3b6fb6' -draw "polygon 10,15 14,15 12,19" \
    -fill $skin -draw "rectangle 10,12 14,15" \
    -draw "circle 12,8 12,3" -draw "point 7,9 point 17,9" \
    -fill '#5a3a1e' -draw "polygon 7,8 8,4 11,2 14,2 16,4 17,8 16,6 8,6" \
    -fill '#2a2a2a' -draw "point 10,9 point 14,9" \
    -fill '#b5654a' -draw "line 11,11 13,11" \
    -fill '#c8ccd2' -draw "circle 12,5 12,3" -fill white -draw "point 12,5" \
    -fill none -stroke '#333a44' -draw "polyline 9,16 9,21 11,23 13,23 15,21 15,16" \
    -stroke none -fill '#333a44' -draw "rectangle 11,23 13,25" \
    -fill '#aab4c0' -draw "point 12,24" \
    -fill '#dfe8f0' -draw "rectangle 24,6 27,18" \
    -fill '#36c36b' -draw "rectangle 25,10 26,17" \
    -fill none -stroke $seam -draw "rectangle 24,6 27,18" \
    -draw "line 25,19 25,22 line 26,19 26,22 line 23,23 28,23 line 22,18 29,18" \
    -stroke '#8a8f96' -draw "line 25,1 25,5 point 26,5" \
    -stroke none -fill $skin -draw "rectangle 23,13 28,17" \
    -fill '#c9935f' -draw "point 24,15 point 25,15 point 26,15 point 27,15 point 28,14"
}

# The letters of the sign, 3 x 5 pixels each, a row a group.
declare -A letter=(
  [E]="111 100 110 100 111"
  [X]="101 101 010 101 101"
  [I]="111 010 010 010 111"
  [T]="111 010 010 010 010"
)

# pixel_text X Y WORD: "point" primitives that spell WORD from X,Y.
pixel_text() {
  local x=$1 y0=$2 word=$3 points="" ch row y i
  for ((n = 0; n < ${#word}; n++)); do
    ch=${word:n:1}
    y=$y0
    for row in ${letter[$ch]}; do
      for i in 0 1 2; do
        [ "${row:i:1}" = 1 ] && points+="point $((x + i)),$y "
      done
      y=$((y + 1))
    done
    x=$((x + 4))
  done
  echo "$points"
}

draw_goback() {
  bitmap goback -stroke none \
    -fill '#c81e1e' -draw "rectangle 7,1 25,9" \
    -fill white -draw "$(pixel_text 9 3 EXIT)" \
    -fill '#6b4320' -draw "rectangle 9,11 23,31" \
    -fill '#fff2b8' -draw "rectangle 11,13 21,31" \
    -fill '#a0692f' -draw "polygon 10,12 3,15 3,29 10,31" \
    -fill none -stroke '#4a2c12' -draw "polygon 10,12 3,15 3,29 10,31" \
    -stroke none -fill '#e0b040' -draw "point 5,22" \
    -fill '#1f9e47' -draw "polygon 13,20 24,20 24,16 31,23 24,30 24,26 13,26" \
    -fill none -stroke '#0c5a25' -draw "polygon 13,20 24,20 24,16 31,23 24,30 24,26 13,26"
}

# --- DiziTarvix.ico ---------------------------------------------------------
# A red cross-hair on a dark blue shield with a pale rim. Each size is drawn
# for itself: 16 pixels as pixel art, the larger ones eight times over and
# reduced, with the cross-hair's lines on whole pixels so they stay sharp.
rim='#c9d7ea' dark='#13306a' light='#1b3f86' red='#ff2b2b'

# shield_points S W: the shield S pixels square, inset by W, as polygon points.
shield_points() {
  awk -v S="$1" -v w="$2" 'BEGIN {
    a = 0.6 * S; t = S / 16                  # sides end at a; tip is 2t wide
    dx = -(S / 2 - t); dy = S - a; len = sqrt(dx * dx + dy * dy)
    nx = -dy / len; ny = dx / len            # inward normal of the right slope
    px = S + w * nx; py = a + w * ny         # a point of the inset slope
    ys = py + ((S - w) - px) / dx * dy       # where it meets the inset side
    xb = px + ((S - w) - py) / dy * dx       # where it meets the inset bottom
    printf "%g,%g %g,%g %g,%g %g,%g %g,%g %g,%g",
      w, w, S - w, w, S - w, ys, xb, S - w, S - xb, S - w, w, ys
  }'
}

# icon_write S, then the options that draw the image: writes its colour and
# its alpha where the helper takes them.
icon_write() {
  local S=$1
  shift
  convert "$@" \( +clone -alpha extract -depth 8 -write "pgm:$work/icon$S.pgm" +delete \) \
    -alpha off -depth 8 "ppm:$work/icon$S.ppm"
}

# icon_image S CY RING STROKE GAP RIM DOT: one size drawn at 8 times and
# reduced. CY is the cross-hair's centre row, RING the ring's radius, GAP the
# clear space round the centre dot of radius DOT, RIM the rim's width. The
# lines are 2 pixels wide about a pixel edge, so they stay sharp.
icon_image() {
  local S=$1 cy=$2 ring=$3 stroke=$4 gap=$5 w=$6 dot=$7 c=$(($1 / 2))
  local inner half lines
  inner=$(shield_points "$S" "$w")
  # The left half of the face is lighter, as if lit from the left.
  half=$(awk -v c=$c '{ split($1, p, ","); split($4, q, ",");
    printf "%s %s,%s %s,%s %s %s", $1, c, p[2], c, q[2], $5, $6 }' <<<"$inner")
  lines=$(awk -v c=$c -v y="$cy" -v g="$gap" -v w="$w" -v d="$dot" 'BEGIN {
    a = y - w - 0.5                          # the arms stop short of the rim
    printf "rectangle %g,%g %g,%g ", c - 1, y - a, c + 1, y - g
    printf "rectangle %g,%g %g,%g ", c - 1, y + g, c + 1, y + a
    printf "rectangle %g,%g %g,%g ", c - a, y - 1, c - g, y + 1
    printf "rectangle %g,%g %g,%g ", c + g, y - 1, c + a, y + 1
    printf "circle %g,%g %g,%g", c, y, c + d, y }')
  # The affine maps design pixels onto the large canvas, edge to edge.
  icon_write "$S" -size $((S * 8))x$((S * 8)) xc:none \
    -draw "affine 8,0,0,8,-0.5,-0.5 stroke none
           fill '$rim' polygon $(shield_points "$S" 0)
           fill '$dark' polygon $inner
           fill '$light' polygon $half
           fill none stroke '$red' stroke-width $stroke
           circle $c,$cy $(awk "BEGIN { print $c + $ring }"),$cy
           stroke none fill '$red' $lines" \
    -filter box -resize ${S}x${S}
}

draw_icon() {
  # 16 pixels: the shield is 15 wide so the one-pixel lines have a centre.
  icon_write 16 -size 16x16 xc:none +antialias -stroke none \
    -fill "$rim" -draw "polygon 0,0 14,0 14,9 8,15 6,15 0,9" \
    -fill "$dark" -draw "polygon 1,1 13,1 13,9 8,14 6,14 1,9" \
    -fill "$light" -draw "polygon 1,1 6,1 6,14 1,9" \
    -fill none -stroke "$red" -strokewidth 1 -draw "circle 7,6 7,2" \
    -draw "line 7,1 7,4 line 7,8 7,11 line 1,6 4,6 line 10,6 13,6"
  icon_image 24 10 6.5 1.25 3 1 1.25
  icon_image 32 13 8 2 4 2 1.5
  icon_image 48 20 12.5 2.5 6 2.5 2
  python3 "$helper" ico "$here/DiziTarvix.ico" \
    16:"$work/icon16.ppm":"$work/icon16.pgm" 24:"$work/icon24.ppm":"$work/icon24.pgm" \
    32:"$work/icon32.ppm":"$work/icon32.pgm" 48:"$work/icon48.ppm":"$work/icon48.pgm"
}

draw_background
draw_banner
draw_scan
draw_goback
draw_icon

# Read every file back and check it is what the program expects.
python3 "$helper" check-jpeg "$here/background.jpg" 435 222
python3 "$helper" check-jpeg "$here/banner.jpg" 150 40
python3 "$helper" check-bmp "$here/scan.bmp" 32 32 $key
python3 "$helper" check-bmp "$here/goback.bmp" 32 32 $key
python3 "$helper" check-ico "$here/DiziTarvix.ico" 16 24 32 48
