#!/usr/bin/env bash
# Builds the Debian package of Trelvo into build-package/ (Release, with the hardening flags
# dpkg-buildflags gives) and checks it with lintian, which must report no error and no warning.
# Usage: scripts/package.sh [--install-check]
# --install-check then installs the package with dpkg (root only), runs the installed
# `trelvo --help`, removes the package and fails if any of its files or folders is left.
set -euo pipefail
cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")/.."

check_install=false
case "${1:-}" in
"") ;;
--install-check) check_install=true ;;
*)
    echo "Usage: scripts/package.sh [--install-check]" >&2
    exit 2
    ;;
esac

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

build="build-package"
# Read at the first configure only; a folder configured by hand keeps its own flags. All the
# hardening options, as lintian asks (bindnow is not among dpkg-buildflags' defaults).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELVO_TESTS=OFF
cmake --build "$build"
rm -f -- "$build"/trelvo_*.deb
(cd "$build" && cpack -G DEB)
deb=$(echo "$build"/trelvo_*.deb)
lintian --fail-on error,warning "$deb"
echo "Package: $deb (lintian: no errors or warnings)"

$check_install || exit 0
mapfile -t files < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/*$')
dpkg -i "$deb"
trelvo --help
dpkg --purge trelvo
left=()
for f in "${files[@]}"; do
    # A folder another package owns (/usr/share/man/man1) stays, as it should.
    if [ -d "$f" ]; then
        dpkg -S "$f" >/dev/null 2>&1 || left+=("$f")
    elif [ -e "$f" ]; then
        left+=("$f")
    fi
done
if [ ${#left[@]} -gt 0 ]; then
    echo "Left behind after removing the package:" >&2
    printf '  %s\n' "${left[@]}" >&2
    exit 1
fi
echo "Installed, ran trelvo --help, removed: nothing left behind."
