#!/bin/bash
# Opens, saves and reopens every XML file installed under /usr/share and /etc (or under the
# folders given) through the program's own load and save, and lists what did not come back
# unchanged. Depends on what the machine has installed, so it is no part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-roundtrip
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELVO_TESTS=OFF -DTRELVO_TOOLS=ON \
    ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build "$build" --target trelvo-roundtrip

roots=("$@")
[ ${#roots[@]} -gt 0 ] || roots=(/usr/share /etc)

# Named like XML; a .conf or .policy file only when it starts with markup (most .conf files
# are key = value text, and Java's .policy files are grant blocks).
# Compressed files (.gz, .xz, ...) do not match the names.
list_files() {
    find "${roots[@]}" -type f \( -name '*.xml' -o -name '*.xsl' -o -name '*.xslt' \
        -o -name '*.xsd' -o -name '*.rng' -o -name '*.svg' -o -name '*.xhtml' -o -name '*.html' \
        -o -name '*.htm' -o -name '*.policy' -o -name '*.conf' -o -name '*.ui' -o -name '*.xbel' \
        -o -name '*.rdf' -o -name '*.xmi' -o -name '*.docbook' -o -name '*.page' -o -name '*.glade' \
        -o -name '*.wsdl' -o -name '*.fo' -o -name '*.plist' -o -name '*.kml' -o -name '*.mml' \) -readable 2>/dev/null |
        while IFS= read -r file; do
            case "$file" in
                *.conf | *.policy) head -c 256 "$file" | tr -d ' \t\r\n' | grep -q '^\(\xEF\xBB\xBF\)\?<' || continue ;;
            esac
            printf '%s\n' "$file"
        done | LC_ALL=C sort
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{config,data,cache,home}
mkdir -m700 "$scratch/runtime"
list_files | env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" \
    XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime" \
    LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen "$build/tools/roundtrip/trelvo-roundtrip"
