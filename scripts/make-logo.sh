#!/bin/sh
# Draws the maker's logo: a shaded sphere inside a tilted orbit, with a "C" on the sphere.
#   make-logo.sh           writes both pictures below
#   make-logo.sh OUT       writes only the 100x100 logo, to OUT
# Resources/calvenor-logo-3d.png is the 100x100 logo the windows draw; only its background is
# pure white, which they draw as transparent. dist/quorbit.png is the desktop's 128x128 icon:
# the same drawing rendered at that size, its background transparent. Needs ImageMagick.
set -eu

root="$(dirname "$0")/.."
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
png="-strip -depth 8 -define png:exclude-chunks=date,time"

# draw SIZE BACKGROUND OUT: the drawing, laid out on 100x100, rendered at SIZExSIZE.
draw() {
    size=$1 wh="$1x$1"
    s=$(awk -v n="$size" 'BEGIN { print n / 100 }')

    # The sphere: a radial gradient whose light falls from the upper left, cut to a disc.
    convert -size "$(px 150)x$(px 150)" radial-gradient:'#bfe4ff'-'#0a2a66' \
        -crop "$wh+$(px 38)+$(px 36)" +repage "$work/shade.png"
    convert -size "$wh" xc:black -fill white -draw "scale $s,$s circle 50,52 50,19" "$work/disc.png"
    convert "$work/shade.png" "$work/disc.png" -alpha off -compose CopyOpacity -composite \
        "$work/sphere.png"

    # The "C": a ring with its right-hand quarter cut away.
    convert -size "$wh" xc:none -fill none -stroke '#fafafa' -strokewidth 7 \
        -draw "scale $s,$s circle 49,44 63,44" \
        \( -size "$wh" xc:none -fill black -draw "scale $s,$s polygon 49,44 90,3 90,85" \) \
        -compose DstOut -composite "$work/c.png"

    # The orbit behind the sphere, the sphere, then the orbit's near half and the "C" over it.
    convert -size "$wh" "xc:$2" \
        -fill none -stroke '#d98c1a' -strokewidth 4 \
        -draw "scale $s,$s translate 50,62 rotate -14 ellipse 0,0 47,13 180,360" \
        "$work/sphere.png" -compose Over -composite \
        -fill none -stroke '#f2a93b' -strokewidth 4 \
        -draw "scale $s,$s translate 50,62 rotate -14 ellipse 0,0 47,13 0,180" \
        "$work/c.png" -compose Over -composite \
        $png "$3"
}

# px LENGTH: a length of the 100x100 layout in pixels at the current size.
px() { awk -v n="$size" -v v="$1" 'BEGIN { printf "%d", n * v / 100 + 0.5 }'; }

draw 100 white "PNG24:${1:-$root/Resources/calvenor-logo-3d.png}"
[ $# -gt 0 ] || draw 128 none "PNG32:$root/dist/quorbit.png"
