#!/bin/sh
# Draws Resources/calvenor-logo-3d.png, the 100x100 maker's logo: a shaded sphere inside a
# tilted orbit, with a "C" on the sphere. Only the background is pure white, which the windows
# draw as transparent. Needs ImageMagick's `convert`.
set -eu

out="${1:-$(dirname "$0")/../Resources/calvenor-logo-3d.png}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The sphere: a radial gradient whose light falls from the upper left, cut to a disc.
convert -size 150x150 radial-gradient:'#bfe4ff'-'#0a2a66' \
    -crop 100x100+38+36 +repage "$work/shade.png"
convert -size 100x100 xc:black -fill white -draw 'circle 50,52 50,19' "$work/disc.png"
convert "$work/shade.png" "$work/disc.png" -alpha off -compose CopyOpacity -composite \
    "$work/sphere.png"

# The "C": a ring with its right-hand quarter cut away.
convert -size 100x100 xc:none -fill none -stroke '#fafafa' -strokewidth 7 \
    -draw 'circle 49,44 63,44' \
    \( -size 100x100 xc:none -fill black -draw 'polygon 49,44 90,3 90,85' \) \
    -compose DstOut -composite "$work/c.png"

# The orbit behind the sphere, the sphere, then the orbit's near half and the "C" over it.
convert -size 100x100 xc:white \
    -fill none -stroke '#d98c1a' -strokewidth 4 \
    -draw 'translate 50,62 rotate -14 ellipse 0,0 47,13 180,360' \
    "$work/sphere.png" -compose Over -composite \
    -fill none -stroke '#f2a93b' -strokewidth 4 \
    -draw 'translate 50,62 rotate -14 ellipse 0,0 47,13 0,180' \
    "$work/c.png" -compose Over -composite \
    -strip -depth 8 -define png:color-type=2 -define png:exclude-chunks=date,time \
    "$out"
