#!/usr/bin/env bash
# Draws the attribute pane's row icons at twice their size, for high-density screens
# (resources/panes/attribute-*@2x.png; Qt picks "@2x" itself). The 16-pixel icons beside them are
# drawn by hand, pixel by pixel. The PNG files are committed; run this after changing a drawing.
# Needs ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")/.."

command -v convert >/dev/null || {
    echo "render.sh: convert is missing (apt-get install imagemagick)" >&2
    exit 1
}

# Pixel centres are on whole coordinates: a 2-pixel line on x.5 covers two whole pixels.
draw() {
    local name=$1
    shift
    convert -size 32x32 xc:none "$@" "PNG32:attribute-$name@2x.png"
}

# Any attribute: a blue diamond.
draw other -fill '#8FB8E0' -stroke '#2F5F8F' -strokewidth 2 \
    -draw 'polygon 16,4 28,16 16,28 4,16'

# A link (href, src): two chain links.
link='-fill none -stroke #1F4FA0 -strokewidth 6'
draw href $link -draw 'roundrectangle 3,10 15,20 5,5' -draw 'roundrectangle 15,14 28,24 5,5' \
    -stroke '#6A9BE8' -strokewidth 2 -draw 'roundrectangle 3,10 15,20 5,5' \
    -draw 'roundrectangle 15,14 28,24 5,5'

# A type (type, xsi:type): a "T" on a card.
draw type -fill '#FFF4D6' -stroke '#6B4A1F' -strokewidth 2 -draw 'rectangle 2.5,2.5 28.5,28.5' \
    -stroke none -fill '#A0522D' -draw 'rectangle 6,6 25,9' -draw 'rectangle 14,10 17,25'

# A value (value, content): two lines on a card.
draw value -fill '#E8F7E8' -stroke '#2E6B2E' -strokewidth 2 -draw 'rectangle 2.5,2.5 28.5,28.5' \
    -stroke none -fill '#2E8B2E' -draw 'rectangle 8,10 23,13' -draw 'rectangle 8,18 23,21'
