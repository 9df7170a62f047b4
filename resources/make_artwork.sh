#!/usr/bin/env bash
# Draws the launcher's artwork: the login skin, the login buttons, the game window's title-bar
# pictures and the application icon. The outputs are committed, so a build needs none of this;
# run it again after changing a design (needs ImageMagick 6 and fonts-wqy-microhei).
#
#   resources/Skin/loginBack.png      login skin, 888 x 566, pure white outside the window's shape;
#                                     the shape covers the window's sizing edges (the 4-pixel right
#                                     and bottom edges and the 6 x 6 corner), which the colour key
#                                     would otherwise make click-through
#   resources/login/*.jpg             login buttons, normal and mouse-over faces
#   resources/game/*.png              game title-bar pictures with alpha
#   resources/vkr.ico                 application icon, 16 to 256 pixels
set -euo pipefail

cd "$(dirname "$0")"
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$FONT" ] || { echo "missing $FONT (apt-get install fonts-wqy-microhei)" >&2; exit 1; }
command -v convert >/dev/null || { echo "missing ImageMagick (apt-get install imagemagick)" >&2; exit 1; }

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p Skin login game

# Palette: dark lacquer browns, antique gold, ember red.
GOLD='#d9b36a'
GOLD_LIGHT='#f6dc9c'
GOLD_DARK='#8a6526'
BROWN_DARK='#251008'   # the information label's background, RGB(37, 16, 8)
BROWN='#3b1d0e'
EMBER='#8c2a12'

# Removes exact white from a picture that lies inside a colour-keyed window, where white would
# become a hole.
no_white() { convert "$1" -fill '#fefefe' -opaque white "$1"; }

# ---------------------------------------------------------------------------------------------
# Login skin.
W=888 H=566

# The window's shape: the main panel, which reaches the right and bottom edges with a square
# corner, the emblem that rises above its top-left corner, and two gold rails that carry the
# right and bottom edges on to the window's corners. The window is resized by its 4-pixel right
# and bottom edges and its 6 x 6 bottom-right corner; white there would be click-through. Drawn
# without anti-aliasing so that no pale fringe pixels lie between the shape and the white key.
RIGHT_RAIL="rectangle $((W-4)),0 $((W-1)),130"
BOTTOM_RAIL="rectangle 0,$((H-4)) 40,$((H-1))"
convert -size ${W}x${H} xc:black +antialias -fill white \
  -draw "roundrectangle 12,96 $((W-1)),$((H-1)) 16,16" \
  -draw "rectangle $((W-30)),$((H-30)) $((W-1)),$((H-1))" \
  -draw "$RIGHT_RAIL" -draw "$BOTTOM_RAIL" \
  -draw "circle 150,112 150,14" \
  "$TMP/mask.png"

# Panel body: a warm vertical gradient with a faint diagonal grain.
convert -size ${W}x${H} gradient:"#4a2612"-"#1a0a04" \
  \( -size ${W}x${H} xc:none -stroke '#ffffff08' -strokewidth 1 \
     -draw "$(for i in $(seq -600 14 900); do printf 'line %d,0 %d,566 ' $i $((i+566)); done)" \) \
  -composite "$TMP/body.png"

# Left column: a night landscape behind the game's name.
convert -size 246x388 xc:none -fill '#ffd89a' -draw "circle 196,112 196,84" -blur 0x10 "$TMP/glow.png"
convert -size 246x388 gradient:"#1b2a4a"-"#6b3a1c" \
  \( "$TMP/glow.png" -channel A -evaluate multiply 0.55 +channel \) -composite \
  -fill '#f6e6bc' -draw "circle 196,112 196,96" \
  -fill '#2b1a18' -draw "polygon 0,250 40,200 80,230 130,160 175,215 210,185 246,230 246,388 0,388" \
  -fill '#1a0f0c' -draw "polygon 0,300 55,255 100,285 150,240 200,290 246,265 246,388 0,388" \
  -fill '#0e0806' -draw "polygon 0,340 70,315 120,330 180,305 246,330 246,388 0,388" \
  "$TMP/scene.png"

# Panel: body, header band, left scene with a gold frame, the browser's well.
convert "$TMP/body.png" \
  -fill "$BROWN" -draw "roundrectangle 12,96 $((W-1)),140 16,16" \
  -fill "${GOLD_DARK}" -draw "rectangle 12,139 $((W-1)),140" \
  "$TMP/scene.png" -geometry +30+150 -composite \
  -fill none -stroke "$GOLD_DARK" -strokewidth 2 -draw "rectangle 29,149 276,538" \
  -stroke "${GOLD}66" -strokewidth 1 -draw "rectangle 26,146 279,541" \
  -stroke none -fill "#0c0402" -draw "rectangle 283,198 861,546" \
  -fill "$BROWN_DARK" -draw "rectangle 287,202 856,541" \
  -fill none -stroke "$GOLD_DARK" -strokewidth 1 -draw "rectangle 284,199 860,545" \
  -stroke none -fill "#140803" -draw "rectangle 283,143 861,198" \
  -fill none -stroke "${GOLD_DARK}aa" -draw "line 283,144 861,144" \
  "$TMP/panel.png"

# The game's name on the scene, the tagline under it, the window's title in the header.
convert "$TMP/panel.png" -font "$FONT" \
  -gravity northwest \
  -fill '#00000099' -pointsize 40 -annotate +62+394 'MORVANE' \
  -fill "$GOLD_LIGHT" -stroke "$GOLD_DARK" -strokewidth 1 -pointsize 40 -annotate +60+392 'MORVANE' \
  -stroke none -fill "$GOLD" -pointsize 18 -annotate +88+446 '墨 梵 · 远 征' \
  -fill '#e9d3a8' -pointsize 13 -annotate +64+486 '千年古国  群雄逐鹿  即刻登录' \
  -fill '#b89460' -pointsize 12 -annotate +96+510 '健康游戏  理性消费' \
  -fill "$GOLD_LIGHT" -pointsize 15 -annotate +262+110 'Velqo 游戏中心  ·  墨梵' \
  "$TMP/panel.png"

# The emblem: a gold ring around a lacquered disc with the initial.
convert -size 200x200 radial-gradient:"#b8401e"-"#2a0802" \
  \( -size 200x200 xc:black -fill white -draw "circle 100,100 100,20" \) -alpha off -compose copy_opacity -composite \
  "$TMP/emblem_disc.png"
convert -size 200x200 xc:none \
  -fill "#6b4414" -draw "circle 100,100 100,2" \
  -fill "$GOLD" -draw "circle 100,100 100,7" \
  -fill "$GOLD_DARK" -draw "circle 100,100 100,13" \
  "$TMP/emblem_disc.png" -composite \
  -fill none -stroke "${GOLD}88" -strokewidth 2 -draw "circle 100,100 100,30" \
  -stroke none -font "$FONT" -gravity center \
  -fill '#00000088' -pointsize 96 -annotate +3+3 'M' \
  -fill "$GOLD_LIGHT" -stroke "$GOLD_DARK" -strokewidth 2 -pointsize 96 -annotate +0+0 'M' \
  "$TMP/emblem.png"
# The panel's gold edge, under the emblem that rises over it, square at the bottom-right corner;
# the rails in the same gold with a darker core.
convert "$TMP/panel.png" -fill none -stroke "$GOLD" -strokewidth 2 +antialias \
  -draw "roundrectangle 13,97 $((W-2)),$((H-2)) 16,16" \
  -stroke none -fill '#1c0b05' -draw "rectangle $((W-24)),$((H-24)) $((W-3)),$((H-3))" \
  -fill none -stroke "$GOLD" -strokewidth 2 \
  -draw "line $((W-2)),$((H-30)) $((W-2)),$((H-2))" -draw "line $((W-30)),$((H-2)) $((W-2)),$((H-2))" \
  -stroke none -fill "$GOLD" -draw "$RIGHT_RAIL" -draw "$BOTTOM_RAIL" \
  -fill "$GOLD_DARK" -draw "rectangle $((W-3)),2 $((W-2)),110" -draw "rectangle 2,$((H-3)) 30,$((H-2))" \
  "$TMP/panel.png"
convert "$TMP/panel.png" "$TMP/emblem.png" -geometry +50+12 -composite "$TMP/panel.png"
no_white "$TMP/panel.png"

# Cut the shape: inside the mask the panel, outside it pure white.
convert -size ${W}x${H} xc:white "$TMP/panel.png" "$TMP/mask.png" -alpha off -compose over -composite \
  -alpha off -define png:color-type=2 Skin/loginBack.png

# ---------------------------------------------------------------------------------------------
# Login buttons (JPEG, no white). name width height caption
login_button() {
  local name=$1 w=$2 h=$3 caption=$4
  local face
  for face in normal over; do
    local top bottom text
    if [ "$face" = normal ]; then top='#5a2a12' bottom='#2a1008' text="$GOLD"; else top='#a3461c' bottom='#4a180a' text="$GOLD_LIGHT"; fi
    convert -size ${w}x${h} gradient:"$top"-"$bottom" \
      -fill none -stroke "$GOLD_DARK" -strokewidth 1 -draw "rectangle 0,0 $((w-1)),$((h-1))" \
      -stroke "${GOLD}55" -draw "line 2,2 $((w-3)),2" \
      -stroke none -font "$FONT" -gravity center -pointsize 17 \
      -fill '#00000099' -annotate +1+1 "$caption" -fill "$text" -annotate +0+0 "$caption" \
      -fill '#fefefe' -opaque white -quality 95 "login/${name}_${face}.jpg"
  done
}
login_button homepage 127 48 '官方主页'
login_button pay 129 48 '账号充值'
login_button service 125 48 '客服中心'
login_button bbs 127 48 '游戏论坛'

# The minimise and close glyphs on the header band.
for face in normal over; do
  if [ "$face" = normal ]; then fill="$BROWN" glyph="$GOLD"; else fill="#7a2a12" glyph="$GOLD_LIGHT"; fi
  convert -size 16x15 xc:"$fill" -fill "$glyph" -draw "rectangle 3,9 12,10" \
    -quality 95 "login/min_${face}.jpg"
  convert -size 20x19 xc:"$fill" -stroke "$glyph" -strokewidth 2 -draw "line 5,5 14,14" -draw "line 14,5 5,14" \
    -quality 95 "login/close_${face}.jpg"
done

# ---------------------------------------------------------------------------------------------
# Game window pictures (PNG with alpha).

# Title background: 1500 x 47, stretched over the 35-pixel title bar.
convert -size 1500x47 gradient:"#4e2a12"-"#1e0c05" \
  -fill "${GOLD_DARK}" -draw "rectangle 0,44 1499,44" \
  -fill "${GOLD}" -draw "rectangle 0,45 1499,45" \
  -fill "#0e0502" -draw "rectangle 0,46 1499,46" \
  -fill "#ffffff10" -draw "rectangle 0,0 1499,1" \
  -define png:color-type=6 game/title_back.png

# Logo: 43 x 42, shown at 26 x 30.
convert "$TMP/emblem.png" -resize 43x42\! -define png:color-type=6 game/logo.png

# Foot strip: 712 x 11.
convert -size 712x11 gradient:"#3a1c0c"-"#120602" -fill "$GOLD_DARK" -draw "rectangle 0,0 711,0" \
  -define png:color-type=6 game/foot.png

# A title-bar button face: rounded plate with a caption or a glyph. name w h face draw-args...
plate() {
  local out=$1 w=$2 h=$3 face=$4
  shift 4
  local fill stroke
  case "$face" in
    normal) fill='#00000000' stroke='#00000000' ;;
    over) fill='#c8964a55' stroke="${GOLD}cc" ;;
    down) fill='#00000066' stroke="${GOLD_DARK}" ;;
  esac
  convert -size ${w}x${h} xc:none -fill "$fill" -stroke "$stroke" -strokewidth 1 \
    -draw "roundrectangle 0.5,0.5 $((w-1)).5,$((h-1)).5 4,4" -stroke none "$@" \
    -define png:color-type=6 "$out"
}
text_button() {
  local name=$1 w=$2 caption=$3
  local face color
  for face in normal over; do
    [ "$face" = normal ] && color='#f0dcb4' || color='#fff4d6'
    plate "game/${name}_${face}.png" "$w" 24 "$face" -font "$FONT" -gravity center -pointsize 13 \
      -fill '#00000099' -annotate +1+1 "$caption" -fill "$color" -annotate +0+0 "$caption"
  done
}
text_button service 60 '客服中心'
text_button pay 60 '充值中心'
text_button homepage 57 '官方网站'
text_button bbs 57 '游戏论坛'
for face in normal over; do
  [ "$face" = normal ] && color='#f0dcb4' || color='#fff4d6'
  plate "game/setting_${face}.png" 60 24 "$face" -font "$FONT" -gravity center -pointsize 13 \
    -fill '#00000099' -annotate -5+1 '设置' -fill "$color" -annotate -6+0 '设置' \
    -gravity northwest -draw "polygon 41,10 49,10 45,15"
done

glyph_button() {
  local name=$1 w=$2 face=$3 color=$4
  shift 4
  plate "game/${name}_${face}.png" "$w" 24 "$face" -fill none -stroke "$color" -strokewidth 1.6 "$@"
}
for face in normal over; do
  [ "$face" = normal ] && c='#f0dcb4' || c='#fff4d6'
  # Boss key: an eye closed by a stroke.
  glyph_button bosskey 29 "$face" "$c" -draw "ellipse 14.5,12 7,4.5 0,360" -draw "circle 14.5,12 14.5,10" \
    -draw "line 8,18 21,6"
  glyph_button min 27 "$face" "$c" -draw "line 8,15.5 19,15.5"
  glyph_button close 29 "$face" "$c" -strokewidth 1.8 -draw "line 9.5,7.5 19.5,17.5" -draw "line 19.5,7.5 9.5,17.5"
  # Maximise: one square; its check faces (restore) show two.
  glyph_button max 28 "$face" "$c" -draw "rectangle 8.5,6.5 19.5,17.5"
  glyph_button max_check 28 "$face" "$c" -draw "rectangle 7.5,9.5 16.5,18.5" -draw "polyline 10.5,9.5 10.5,5.5 20.5,5.5 20.5,15.5 16.5,15.5"
done
glyph_button max_check 28 down '#e0c89c' -draw "rectangle 7.5,9.5 16.5,18.5" -draw "polyline 10.5,9.5 10.5,5.5 20.5,5.5 20.5,15.5 16.5,15.5"
# The close button's over face in ember red, as users expect of a close button.
plate game/close_over.png 29 24 over -fill '#b8341a' -draw "roundrectangle 1,1 27,22 4,4" \
  -fill none -stroke '#fff4d6' -strokewidth 1.8 -draw "line 9.5,7.5 19.5,17.5" -draw "line 19.5,7.5 9.5,17.5"

# Eight bits a channel and no time stamps, so that running the script again changes nothing.
convert Skin/loginBack.png -strip -depth 8 -define png:exclude-chunks=date,time -define png:color-type=2 \
  Skin/loginBack.png
for f in game/*.png; do
  convert "$f" -strip -depth 8 -define png:exclude-chunks=date,time -define png:color-type=6 "$f"
done

# ---------------------------------------------------------------------------------------------
# Application icon from the emblem.
for s in 16 32 48 256; do convert "$TMP/emblem.png" -resize ${s}x${s} "$TMP/icon_$s.png"; done
convert "$TMP/icon_16.png" "$TMP/icon_32.png" "$TMP/icon_48.png" "$TMP/icon_256.png" vkr.ico

echo "artwork written"
