#!/usr/bin/env bash
# Builds Trelvo (Release, into build/) and opens a document in it.
# Usage: ./run.sh [file.xml] [more arguments for the program]
# Without a file, the bundled resources/sample.xml is opened.
set -euo pipefail

# Resolve the file against the caller's folder before moving to the repository.
file=
if [ $# -gt 0 ]; then
    if [ ! -f "$1" ]; then
        echo "run.sh: no such file: $1" >&2
        exit 1
    fi
    file=$(realpath -- "$1")
    shift
fi

cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")"
root=$PWD
[ -n "$file" ] || file=$root/resources/sample.xml

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}"

build="build"
# A folder configured with another generator cannot be reused with Ninja.
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$build/CMakeCache.txt"; then
    rm -rf -- "$build"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELVO_TESTS=OFF
cmake --build "$build"

app=$build/src/app/trelvo
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no DISPLAY or WAYLAND_DISPLAY is set; Trelvo needs a desktop session." >&2
fi
exec "$app" "$file" "$@"
