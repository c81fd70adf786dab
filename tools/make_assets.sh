#!/usr/bin/env bash
# Regenerates every picture and the font of the game in assets/: the three UFO frames, the two
# power-up icons, the three planets, the start-screen banner, the desktop and web app icons, and the
# font with its licence. Owns nothing else: it never touches the build or the run folder.
#
# Needs ImageMagick 6 ("convert", "identify") and fonts-dejavu-core. Every bit of noise has a fixed
# seed and the files carry no dates, so two runs with the same ImageMagick give identical bytes.
# Usage: tools/make_assets.sh   (from any directory)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/assets
fonts=/usr/share/fonts/truetype/dejavu
licence=/usr/share/doc/fonts-dejavu-core/copyright

for tool in convert identify; do
    command -v "$tool" >/dev/null || { echo "make_assets: $tool not found (install imagemagick)"; exit 1; }
done
for f in "$fonts/DejaVuSans-Bold.ttf" "$fonts/DejaVuSans-BoldOblique.ttf" "$licence"; do
    [ -r "$f" ] || { echo "make_assets: $f not found (install fonts-dejavu-core)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p "$out/icons"

# PNG without time stamps, gamma or colour chunks: the loader wants plain 8-bit RGB.
png_opts=(-strip -define png:exclude-chunks=all)
# JPEG at full quality without chroma subsampling, so that a pure black surround decodes to
# exactly 0x000000 (the game uses the bottom-right pixel as its transparent colour).
jpg_opts=(-strip -quality 100 -sampling-factor 1x1)

# --------------------------------------------------------------------------------------------
# UFO frames: 30 x 16, drawn 10 times larger, reduced by box averaging, then given a hard edge
# on a magenta key, so no half-transparent fringe survives the game's one-colour mask.

ufo_body() { # OUT ENGINE_GLOW: the saucer without its lights, 300 x 160 with alpha
    local dst=$1 glow=$2
    convert -size 300x160 xc:none \
        -fill '#59636f' -draw "ellipse 150,92 146,34 0,360" \
        -fill '#a9b4c0' -draw "ellipse 150,84 138,24 0,360" \
        -fill '#e4ecf3' -draw "ellipse 140,76 110,10 0,360" \
        -fill '#353b45' -draw "ellipse 150,112 120,14 0,180" \
        -channel RGB -blur 0x6 +channel \
        \( -size 300x160 xc:none -fill white -draw "ellipse 150,92 146,34 0,360" \) \
        -compose DstIn -composite \
        -compose Over -fill none -stroke '#2a2f37' -strokewidth 5 -draw "ellipse 150,95 144,20 0,180" \
        hull.png
    convert -size 300x160 xc:none \
        -fill '#2b3038' -draw "ellipse 150,120 70,30 0,360" \
        -fill '#4b535e' -draw "ellipse 150,116 60,14 0,360" \
        -channel RGB -blur 0x5 +channel \
        \( -size 300x160 xc:none -fill white -draw "ellipse 150,120 70,30 0,360" \) \
        -compose DstIn -composite \
        -compose Over -fill "$glow" -draw "ellipse 150,138 26,10 0,360" \
        -fill white -draw "ellipse 150,137 11,4 0,360" \
        under.png
    convert -size 300x160 xc:none \
        -fill '#0f5f78' -draw "ellipse 150,80 64,62 180,360" \
        -fill '#2fb4d2' -draw "ellipse 144,70 48,44 180,360" \
        -fill '#8ff0ff' -draw "ellipse 132,50 22,16 0,360" \
        -channel RGB -blur 0x7 +channel \
        \( -size 300x160 xc:none -fill white -draw "ellipse 150,80 64,62 180,360" \) \
        -compose DstIn -composite \
        -compose Over -fill white -draw "ellipse 124,42 9,6 0,360" \
        dome.png
    convert under.png hull.png -compose Over -composite dome.png -composite "$dst"
}

ufo_frame() { # OUT ENGINE_GLOW LIGHT1..LIGHT5
    local dst=$1 glow=$2
    shift 2
    local xs=(2 8 14 20 26) ys=(8 9 9 9 8) lights=() i
    # Lights are set at full size: 2 x 2 bulbs with a hot corner stay crisp where a reduced
    # drawing would smear them into the hull.
    for i in 0 1 2 3 4; do
        local x=${xs[$i]} y=${ys[$i]} c=$1
        shift
        lights+=(-fill "$c" -draw "rectangle $x,$y $((x + 1)),$((y + 1))" -fill '#fff8e0' -draw "point $x,$y")
    done
    ufo_body big.png "$glow"
    convert big.png -scale 30x16 -channel A -threshold 50% +channel \
        -background '#FF00FF' -alpha remove -alpha off +antialias "${lights[@]}" \
        "${png_opts[@]}" "PNG24:$dst"
}

ufo_frame "$out/ufo.png"  '#ff8a00' '#ff2a2a' '#ffd21e' '#ff2a2a' '#ffd21e' '#ff2a2a'
ufo_frame "$out/ufo1.png" '#ffc040' '#ffd21e' '#ff2a2a' '#ffd21e' '#ff2a2a' '#ffd21e'
ufo_frame "$out/ufo2.png" '#40e0ff' '#3cff6a' '#36d8ff' '#3cff6a' '#36d8ff' '#3cff6a'

# --------------------------------------------------------------------------------------------
# Power-up icons: 20 x 20, drawn whole, so the corners are black like the play field.

convert -size 200x200 xc:black \
    -fill '#4a5a9a' -draw "roundrectangle 4,4 195,195 34,34" \
    -fill '#10142a' -draw "roundrectangle 16,16 183,183 26,26" \
    \( -size 200x200 radial-gradient:'#2a3468'-'#10142a' \) \
    \( -size 200x200 xc:black -fill white -draw "roundrectangle 16,16 183,183 26,26" \) \
    -compose Over -composite tile.png

bolt="polygon 118,22 48,114 92,114 76,182 158,82 108,82 134,22"
convert tile.png \
    -fill '#5a2a00' -stroke '#5a2a00' -strokewidth 14 -draw "$bolt" -stroke none \
    \( -size 200x200 gradient:'#fff6a0'-'#ff7a00' \) \
    \( -size 200x200 xc:black -fill white -draw "$bolt" \) \
    -compose Over -composite \
    -fill '#fffde8' -draw "polygon 116,34 64,104 78,104 122,38" \
    -scale 20x20 "${png_opts[@]}" "PNG24:$out/speed.png"

shield="path 'M 100,24 L 162,44 C 162,110 144,150 100,178 C 56,150 38,110 38,44 Z'"
convert tile.png \
    -fill '#0a2a10' -stroke '#0a2a10' -strokewidth 14 -draw "$shield" -stroke none \
    \( -size 200x200 gradient:'#8cff9a'-'#0e8a2a' \) \
    \( -size 200x200 xc:black -fill white -draw "$shield" \) \
    -compose Over -composite \
    -fill '#0a3a14' -draw "rectangle 86,56 114,146 rectangle 56,86 144,114" \
    -fill white -draw "rectangle 90,60 110,142 rectangle 60,90 140,110" \
    -scale 20x20 "${png_opts[@]}" "PNG24:$out/buff.png"

# --------------------------------------------------------------------------------------------
# Planets: a square texture wrapped on a ball lit from the upper left, on pure black.

fbm() { # OUT SIZE SEED [WEIGHTS]: grey fractal noise from three blurred octaves
    local dst=$1 n=$2 seed=$3 weights=${4:-"0.58,1 0.28,1 0.14,1"}
    convert -seed "$seed" \
        \( -size "${n}x${n}" xc:gray +noise Random -channel G -separate +channel -virtual-pixel tile -blur 0x14 -auto-level \) \
        \( -size "${n}x${n}" xc:gray +noise Random -channel G -separate +channel -virtual-pixel tile -blur 0x6 -auto-level \) \
        \( -size "${n}x${n}" xc:gray +noise Random -channel G -separate +channel -virtual-pixel tile -blur 0x2 -auto-level \) \
        -poly "$weights" -auto-level "$dst"
}

palette() { # OUT FROM-TO:LENGTH...: a 1 x 256 colour ramp for -clut, built from gradient pieces
    local dst=$1 piece pieces=()
    shift
    for piece in "$@"; do
        pieces+=(\( -size "1x${piece##*:}" gradient:"${piece%%:*}" \))
    done
    convert "${pieces[@]}" -append -resize '1x256!' "$dst"
}

craters() { # IN OUT "x,y,r ..." DARK LIGHT: shaded bowls, lit on the side away from the sun
    local src=$1 dst=$2 list=$3 dark=$4 light=$5 marks=() c x y r
    for c in $list; do
        IFS=, read -r x y r <<<"$c"
        marks+=(-fill "$dark" -draw "circle $x,$y $((x + r)),$y")
        marks+=(-fill "$light" -draw "circle $((x + r / 4)),$((y + r / 4)) $((x + r / 4 + r * 3 / 4)),$((y + r / 4))")
        marks+=(-fill "$dark" -draw "circle $((x + r / 3)),$((y + r / 3)) $((x + r / 3 + r / 2)),$((y + r / 3))")
    done
    convert "$src" "${marks[@]}" -blur 0x0.6 "$dst"
}

sphere() { # TEXTURE AIR_COLOUR AIR_STRENGTH MARGIN OUT
    local tex=$1 air=$2 strength=$3 margin=$4 dst=$5 n
    n=$(identify -format %w "$tex")
    # fx names are case-blind, so every variable has a distinct name. The ambient term keeps the
    # night side above pure black, which the game would punch out as transparent.
    convert "$tex" \( -size "${n}x${n}" xc:"$air" \) -fx "
        rad=w/2-$margin; xx=(i+0.5-w/2)/rad; yy=(j+0.5-h/2)/rad; rr=hypot(xx,yy);
        rc=min(rr,0.9999); zz=sqrt(1-rc*rc);
        tt=rc<0.001?1:asin(rc)/rc*0.63662;
        cc=u.p{w/2-0.5+xx*tt*rad, h/2-0.5+yy*tt*rad};
        dd=max(0,-0.58*xx-0.52*yy+0.62*zz);
        ss=0.2+0.95*dd;
        sp=0.35*pow(dd,24);
        at=$strength*pow(rc,3)*(0.35+0.65*dd);
        cv=max(0,min(1,(1-rr)*rad+0.5));
        ((cc*ss+sp)*(1-at)+v*at)*cv" \
        "${jpg_opts[@]}" "$dst"
}

# Earth: oceans, continents with mountains, streaky clouds. 150 x 150.
fbm earth_height.png 150 1234
palette earth_palette.png '#051a4a-#0b3176:90' '#0b3176-#2a78c4:44' '#b8b07a-#6aa048:4' \
    '#5aa83e-#2e7a2c:54' '#2e7a2c-#86703c:40' '#86703c-#f0f0ea:24'
convert earth_height.png earth_palette.png -clut earth_land.png
fbm earth_cloud_noise.png 150 3030 "0.3,1 0.4,1 0.3,1"
convert earth_cloud_noise.png -motion-blur 0x9+0 -auto-level -level 52%,80% earth_clouds.png
convert earth_land.png \( -size 150x150 xc:'#f4f8ff' \) earth_clouds.png -compose Over -composite earth_tex.png
sphere earth_tex.png '#7cc0ff' 0.7 9 "$out/earth.jpg"

# Mars: rust and dark basalt, a few craters, a polar cap, fine dust. 90 x 90.
fbm mars_height.png 90 2024
palette mars_palette.png '#3a140a-#6e2a16:60' '#7e3a20-#c0582e:100' '#c0582e-#e0945a:70' '#e0945a-#f2c090:26'
convert mars_height.png mars_palette.png -clut mars_plain.png
craters mars_plain.png mars_craters.png "30,52,6 58,36,5 46,68,4 66,58,7 24,32,3 40,26,3 72,44,3 52,50,2" \
    'rgba(70,20,8,0.35)' 'rgba(255,190,140,0.25)'
convert mars_craters.png \( -size 90x90 xc:none -fill '#fff6f0' -draw "ellipse 44,19 12,4 0,360" -blur 0x1.2 \) \
    -composite -seed 5 -attenuate 0.25 +noise Gaussian mars_tex.png
sphere mars_tex.png '#ffb48a' 0.45 8 "$out/mars.jpg"

# Moon: grey highlands and seas, many craters, no air. 60 x 60.
fbm moon_height.png 60 31 "0.5,1 0.3,1 0.2,1"
palette moon_palette.png '#4e4e54-#6e6e72:80' '#8c8c8e-#b8b8b6:100' '#b8b8b6-#e2e2dc:76'
convert moon_height.png moon_palette.png -clut moon_plain.png
craters moon_plain.png moon_tex.png "22,22,5 38,30,4 28,40,6 40,18,3 18,34,3 34,46,2 46,38,3 30,28,2 24,12,2" \
    'rgba(0,0,0,0.30)' 'rgba(255,255,255,0.22)'
sphere moon_tex.png '#000000' 0 8 "$out/moon.jpg"

# --------------------------------------------------------------------------------------------
# Start-screen banner: 300 x 110 on black, drawn whole over the black band.

convert -density 72 -background black -fill white -font "$fonts/DejaVuSans-BoldOblique.ttf" -pointsize 80 \
    label:'SHOOT!' -trim +repage -resize '254x68!' -gravity center -background black -extent 300x110-0+6 \
    -alpha off -colorspace gray title_mask.png
# Chrome look: pale gold above a hard horizon, hot orange down to red below it.
convert \( -size 300x44 gradient:'#fffbe0'-'#ffc83a' \) \( -size 300x40 gradient:'#ff8a1c'-'#c0141a' \) \
    \( -size 300x26 xc:'#c0141a' \) -append title_fill.png
convert title_mask.png -morphology Dilate Disk:3.5 -alpha off title_outline.png
convert title_mask.png -morphology Dilate Disk:5 -blur 0x7 -level 0,70% -alpha off title_glow.png
convert -size 300x110 xc:black \
    \( -size 300x110 xc:'#ff2a6a' title_glow.png -compose CopyOpacity -composite \) -compose Over -composite \
    \( -size 300x110 xc:'#3a0408' title_outline.png -compose CopyOpacity -composite \) -compose Over -composite \
    \( title_fill.png title_mask.png -compose CopyOpacity -composite \) -compose Over -composite \
    -fill white -draw "point 12,14 point 40,96 point 286,22 point 270,100 point 150,4 point 98,104 point 214,106 point 6,70 point 294,64" \
    -fill '#9ab4ff' -draw "point 62,8 point 236,6 point 24,44 point 180,102" \
    -stroke '#fff6d8' -strokewidth 1 -draw "line 284,92 284,104 line 278,98 290,98 line 14,10 14,20 line 9,15 19,15" \
    -stroke none -fill white -draw "point 284,98 point 14,15" \
    -alpha off "${jpg_opts[@]}" "$out/SHOOT.jpg"

# --------------------------------------------------------------------------------------------
# Icons, 16 to 512 px square: the first UFO frame over a small patch of space; 16 to 256 for desktop
# menus, 192 and 512 for the web app. The layout is drawn for 128 px and scaled. At 32, 64, 128, 192,
# 256 and 512 every UFO pixel becomes a square block; at 16 and 48 the blocks are averaged down from
# twice the size, which keeps the saucer's shape. The maskable 512 px icon (a home screen may cut it to
# any shape) fills the whole square with space and draws the saucer and beam at 11/16 of the size in
# the middle, inside the circle of 80 % that every mask keeps.

icon_sizes=(16 32 48 64 128 192 256 512)
icon() { # SIZE [maskable]: writes icons/SIZExSIZE/dustreach.png or dustreach-maskable.png
    local n=$1 marks=() p x y name=dustreach m=$1 o=0
    if [[ ${2:-} == maskable ]]; then
        name=dustreach-maskable m=$((n * 11 / 16)) o=$(((n - n * 11 / 16) / 2))
    fi
    # Stars thin out as the icon shrinks, so a small icon stays a dark patch behind the saucer.
    if ((n >= 32)); then
        marks+=(-fill white)
        for p in 14,20 100,12 116,70 22,100 60,8 88,118 8,60 120,104; do
            marks+=(-draw "point $((${p%,*} * n / 128)),$((${p#*,} * n / 128))")
        done
    fi
    if ((n >= 64)); then
        marks+=(-fill '#9ab4ff')
        for p in 40,30 108,40 30,118 70,110; do
            marks+=(-draw "point $((${p%,*} * n / 128)),$((${p#*,} * n / 128))")
        done
    fi
    local bw=$((44 * m / 128)) bh=$((50 * m / 128)) ufo_scale
    if ((m % 32 == 0)); then
        ufo_scale=(-filter point -resize "$((m * 100 / 32))%")
    else
        ufo_scale=(-scale "$((m * 200 / 32))%" -scale 50%)
    fi
    mkdir -p "$out/icons/${n}x$n"
    convert -size "${n}x$n" radial-gradient:'#2a1850'-'#04040e' "${marks[@]}" \
        \( -size "${bw}x$bh" gradient:'rgba(120,230,255,0.55)'-'rgba(120,230,255,0)' \
           -alpha set -virtual-pixel transparent -distort Perspective \
           "0,0 $((16 * m / 128)),0 $((bw - 1)),0 $((28 * m / 128)),0 0,$((bh - 1)) 0,$((bh - 1)) $((bw - 1)),$((bh - 1)) $((bw - 1)),$((bh - 1))" \) \
        -geometry "+$((o + 42 * m / 128))+$((o + 78 * m / 128))" -compose Over -composite \
        \( "$out/ufo.png" -transparent '#FF00FF' "${ufo_scale[@]}" \) \
        -geometry "+$((o + (m - 30 * m / 32) / 2))+$((o + 24 * m / 128))" -compose Over -composite \
        -alpha off "${png_opts[@]}" "PNG24:$out/icons/${n}x$n/$name.png"
}
for n in "${icon_sizes[@]}"; do
    icon "$n"
done
icon 512 maskable

# --------------------------------------------------------------------------------------------
# Font: an unmodified copy of a freely licensed face under the file name the game opens.

cp "$fonts/DejaVuSans-Bold.ttf" "$out/Cornerstone Regular.ttf"
{
    cat <<'EOF'
"Cornerstone Regular.ttf" is an unmodified copy of DejaVu Sans Bold (DejaVuSans-Bold.ttf) from
Debian's fonts-dejavu-core package, a free font derived from Bitstream Vera. Only the file name
differs: the game opens its one font by this name. The font keeps its own internal family name
and is distributed under the licence below, copied from
/usr/share/doc/fonts-dejavu-core/copyright.

EOF
    cat "$licence"
} >"$out/Cornerstone Regular.LICENSE.txt"

# --------------------------------------------------------------------------------------------
# Checks: sizes, the UFO key colour, and how clean the planets' black surround came out.

fail=0
check_size() { # FILE WxH
    local got
    got=$(identify -format '%wx%h' "$1")
    [ "$got" = "$2" ] || { echo "make_assets: $1 is $got, expected $2"; fail=1; }
}
for f in ufo ufo1 ufo2; do
    check_size "$out/$f.png" 30x16
    corner=$(convert "$out/$f.png" -crop 1x1+29+15 -depth 8 -format '%[hex:p{0,0}]' info:)
    [ "$corner" = FF00FF ] || { echo "make_assets: $f.png corner is $corner"; fail=1; }
done
check_size "$out/speed.png" 20x20
check_size "$out/buff.png" 20x20
check_size "$out/earth.jpg" 150x150
check_size "$out/mars.jpg" 90x90
check_size "$out/moon.jpg" 60x60
check_size "$out/SHOOT.jpg" 300x110
for n in "${icon_sizes[@]}"; do
    check_size "$out/icons/${n}x$n/dustreach.png" "${n}x$n"
done
check_size "$out/icons/512x512/dustreach-maskable.png" 512x512

for entry in earth:9 mars:8 moon:8; do
    name=${entry%%:*}
    margin=${entry##*:}
    f=$out/$name.jpg
    w=$(identify -format %w "$f")
    corner=$(convert "$f" -crop 1x1+$((w - 1))+$((w - 1)) -depth 8 -format '%[hex:p{0,0}]' info:)
    [ "$corner" = 000000 ] || { echo "make_assets: $name.jpg corner is $corner, not black"; fail=1; }
    # Pixels outside the drawn ball (radius w/2 - margin + 1) are meant to be black; count those
    # that decode to anything but exact black, and how many pixels in all are exact black.
    stats=$(convert "$f" -depth 8 txt:- | awk -v w="$w" -v m="$margin" -F'[,: ]+' '
        NR > 1 {
            dx = $1 + 0.5 - w / 2; dy = $2 + 0.5 - w / 2; outside = (dx * dx + dy * dy > (w / 2 - m + 1) ^ 2)
            black = ($0 ~ /#000000 /)
            if (outside) { total++; if (!black) off++ }
            if (black) all++
        }
        END { printf "%d %d %d", total, off, all }')
    read -r total off all <<<"$stats"
    echo "$name.jpg: ${w}x${w}, surround $total px, $off not exact black; $all exact-black px in all"
done
[ "$fail" = 0 ] || exit 1
echo "assets regenerated in $out"
