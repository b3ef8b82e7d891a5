#!/usr/bin/env bash
# Renders the drawings in this folder to the PNG files the program embeds (resources/icons,
# resources/images). The PNG files are committed; run this after changing a drawing.
# Needs rsvg-convert (Debian package librsvg2-bin) and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")"

command -v rsvg-convert >/dev/null || {
    echo "render.sh: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
    exit 1
}

# Command icons: 32 pixels, and twice that for high-density screens (Qt picks "@2x" itself).
for name in new open save cut copy paste products donate about; do
    rsvg-convert -w 32 -h 32 "$name.svg" -o "../icons/$name.png"
    rsvg-convert -w 64 -h 64 "$name.svg" -o "../icons/$name@2x.png"
done

# The program's icon in the sizes desktops ask for.
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" trelvo.svg -o "../icons/trelvo-$size.png"
done

# The dialogs' pictures, at their size on the screen.
rsvg-convert about-picture.svg -o ../images/about.png
rsvg-convert products-picture.svg -o ../images/products.png

# The logo inside the bundled sample document, kept there as base64 text in its logo element.
logo=$(rsvg-convert -w 96 -h 96 sample-logo.svg | base64 -w 0)
sed -i "s|\(<logo [^>]*>\)[^<]*</logo>|\1$logo</logo>|" ../sample.xml
