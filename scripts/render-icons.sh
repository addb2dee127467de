#!/bin/sh
# Renders the SVG sources in src/ui/resources/ to the PNG files and the JPEG logo committed beside
# them. A developer runs this after editing a picture; the build only uses the rendered files.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
set -eu
cd "$(dirname "$0")/../src/ui/resources"

for svg in BitBtn*.svg; do
    rsvg-convert -w 20 -h 20 "$svg" -o "${svg%.svg}.png"
done

# The small icon has a drawing of its own; the others scale the big one.
rsvg-convert -w 16 -h 16 zandrel-16.svg -o zandrel-16.png
for size in 32 48 128; do
    rsvg-convert -w "$size" -h "$size" zandrel.svg -o "zandrel-$size.png"
done

# The About window's logo: 89 x 89, baseline (not progressive), three 8-bit components.
tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
rsvg-convert -w 89 -h 89 logo.svg -o "$tmp"
convert "$tmp" -background white -alpha remove -alpha off -type TrueColor -depth 8 \
    -interlace none -sampling-factor 2x2,1x1,1x1 -quality 92 -strip logo.jpg
