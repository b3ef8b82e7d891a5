# The Debian packages the project needs; sourced by run.sh and test.sh.
# shellcheck shell=bash disable=SC2034

# Compiler, build tools, Qt 6 Widgets (with QtTest and the platform plugins: xcb for the desktop,
# offscreen for the tests), libxml2, libxslt, and a font so text renders without a desktop.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libxml2-dev libxslt1-dev fonts-dejavu-core)

# test.sh checks the formatting of the sources with the .clang-format at the root, and checks the
# desktop entry and the AppStream metainfo that an install produces.
TEST_PACKAGES=(clang-format desktop-file-utils appstream)

# scripts/fuzz.sh builds the fuzz targets with clang and libFuzzer (the engine ships in
# libclang-rt-14-dev, which clang only recommends). test.sh needs neither.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# scripts/package.sh builds the Debian package (dpkg-shlibdeps, in dpkg-dev, finds its
# dependencies) and checks it with lintian. test.sh needs neither.
PACKAGE_PACKAGES=(dpkg-dev lintian)
