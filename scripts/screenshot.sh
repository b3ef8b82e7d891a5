#!/usr/bin/env bash
# Takes a screenshot of Trelvo showing a document, on a virtual X display, so that the look of
# the program can be checked without a desktop.
# Usage: scripts/screenshot.sh OUTPUT.png [file.xml]
# Without a file, the bundled resources/sample.xml is shown. The Release build in build/ is
# made or brought up to date first, as ./run.sh does. The picture is cropped to the main window
# when it can be found; set SCREENSHOT_DELAY to wait other than 2 seconds before taking it.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "Usage: $0 OUTPUT.png [file.xml]" >&2
    exit 2
fi
out=$(realpath -m -- "$1")
file=
if [ $# -eq 2 ]; then
    if [ ! -f "$2" ]; then
        echo "screenshot.sh: no such file: $2" >&2
        exit 1
    fi
    file=$(realpath -- "$2")
fi

cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")/.."
root=$PWD
[ -n "$file" ] || file=$root/resources/sample.xml
delay=${SCREENSHOT_DELAY:-2}

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}" xvfb xauth imagemagick x11-utils

build="build"
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$build/CMakeCache.txt"; then
    rm -rf -- "$build"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELVO_TESTS=OFF >/dev/null
cmake --build "$build"
app=$root/$build/src/app/trelvo

# Settings of its own, so the user's are left alone and the products dialog of a first start
# does not cover the window.
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
mkdir -p "$scratch/config/Korvane Limited" "$scratch/runtime"
chmod 700 "$scratch/runtime"
# SCREENSHOT_SETTINGS adds lines to the settings, e.g. "ExpandOnLoad=1".
printf '[Settings]\nFirstTime=0\n%s\n' "${SCREENSHOT_SETTINGS:-}" >"$scratch/config/Korvane Limited/Trelvo.conf"
mkdir -p "$(dirname -- "$out")"

export SHOT_APP=$app SHOT_FILE=$file SHOT_OUT=$out SHOT_DELAY=$delay
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" \
    xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" bash -c '
        set -euo pipefail
        "$SHOT_APP" "$SHOT_FILE" &
        pid=$!
        sleep "$SHOT_DELAY"
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "screenshot.sh: Trelvo ended before the screenshot" >&2
            exit 1
        fi
        import -window root "$SHOT_OUT"
        # Without a window manager the window has no frame; crop to it when it can be found.
        title="$(basename -- "$SHOT_FILE") - Trelvo"
        if geometry=$(xwininfo -name "$title" 2>/dev/null); then
            x=$(awk "/Absolute upper-left X/ {print \$NF}" <<<"$geometry")
            y=$(awk "/Absolute upper-left Y/ {print \$NF}" <<<"$geometry")
            w=$(awk "/Width:/ {print \$NF}" <<<"$geometry")
            h=$(awk "/Height:/ {print \$NF}" <<<"$geometry")
            convert "$SHOT_OUT" -crop "${w}x${h}+${x}+${y}" +repage "$SHOT_OUT"
        fi
        kill "$pid"
        wait "$pid" 2>/dev/null || true
    '
echo "Screenshot written to $out"
