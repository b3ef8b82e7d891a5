#!/usr/bin/env bash
# Renders the tree's item images to the PNG files the program embeds (resources/treeview), at
# 16 pixels and at twice that for high-density screens. The drawings sit on the pixel grid, so
# both sizes come out sharp. The PNG files are committed; run this after changing a drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")"

command -v rsvg-convert >/dev/null || {
    echo "render.sh: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
    exit 1
}

for name in folder folder-open text comment instruction cdata; do
    rsvg-convert -w 16 -h 16 "$name.svg" -o "../$name.png"
    rsvg-convert -w 32 -h 32 "$name.svg" -o "../$name@2x.png"
done
