#!/usr/bin/env bash
# Checks the formatting, builds Trelvo with AddressSanitizer and UndefinedBehaviorSanitizer
# (Debug, into build-test/), validates the desktop entry and AppStream metainfo it installs, and
# runs every test with CTest.
# Usage: ./test.sh [ctest arguments]   e.g. ./test.sh -R document
# Exits non-zero on a formatting difference, a build error, an invalid installed file or a
# failing test.
set -euo pipefail

cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")"
root=$PWD

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

# --- Formatting ------------------------------------------------------------------------------
# Every C++ file under src/, tests/, bench/, tools/ and fuzz/ that git tracks or would add
# (ignored files are skipped), checked against the .clang-format at the root.
sources=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    while IFS= read -r -d '' f; do
        [ -f "$f" ] && sources+=("$f")
    done < <(git ls-files -z --cached --others --exclude-standard -- \
        'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
        'tools/*.cpp' 'tools/*.h' 'fuzz/*.cpp' 'fuzz/*.h' | sort -zu)
else
    while IFS= read -r -d '' f; do
        sources+=("$f")
    done < <(find src tests bench tools fuzz -type f \( -name '*.cpp' -o -name '*.h' \) -print0 \
        2>/dev/null | sort -z)
fi

unformatted=()
for f in "${sources[@]}"; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "clang-format would change these files:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    echo "Fix them with: clang-format -i ${unformatted[*]}" >&2
    exit 1
fi
echo "Formatting: ${#sources[@]} files checked, all formatted."

# --- Build -----------------------------------------------------------------------------------
build="build-test"
# A folder configured with another generator cannot be reused with Ninja.
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$build/CMakeCache.txt"; then
    rm -rf -- "$build"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRELVO_SANITIZE=ON -DTRELVO_TESTS=ON
cmake --build "$build"

# --- Installed files -------------------------------------------------------------------------
# What `cmake --install` puts into a scratch folder: the desktop entry and the AppStream metainfo
# pass their validators (the metainfo's screenshot and addresses are not fetched).
installed=$(mktemp -d)
trap 'rm -rf -- "$installed"' EXIT
cmake --install "$build" --prefix "$installed/usr" >/dev/null
desktop-file-validate "$installed"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$installed"/usr/share/metainfo/*.metainfo.xml
rm -rf -- "$installed"
trap - EXIT
echo "Installed files: desktop entry and AppStream metainfo valid."

# --- Tests -----------------------------------------------------------------------------------
# Settings, caches and data go to a fresh folder, so the tests neither read nor change the
# user's own, and every run starts from the defaults.
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
mkdir "$scratch"/{config,data,cache,home}
mkdir -m 700 "$scratch/runtime"

# Tests share one settings folder, so they run one at a time unless CTEST_PARALLEL_LEVEL says
# otherwise. The default timeout stops a hung widget test from holding up the run.
# A sanitizer error or leak ends the test with a non-zero exit status after its report;
# abort_on_error stays off because an abort sets off QtTest's crash handler, which attaches a
# debugger and buries the report under a second stack dump.
env \
    HOME="$scratch/home" \
    XDG_CONFIG_HOME="$scratch/config" \
    XDG_DATA_HOME="$scratch/data" \
    XDG_CACHE_HOME="$scratch/cache" \
    XDG_RUNTIME_DIR="$scratch/runtime" \
    LC_ALL=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:check_initialization_order=1:strict_init_order=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
    ctest --test-dir "$build" --output-on-failure --no-tests=error --timeout 600 "$@"
