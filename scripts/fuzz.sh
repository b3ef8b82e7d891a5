#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UBSan (into build-fuzz/)
# and runs one of them, its seed corpus copied to a working corpus that grows between runs.
# Usage: scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options]
#        scripts/fuzz.sh --list
# TARGET: load_save, base64_picture, stylesheet_href, find_text or transform. SECONDS: 60 by
# default. Crashes and slow inputs are written to build-fuzz/findings/TARGET/.
set -euo pipefail

cd "$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")/.."
root=$PWD

if [ "${1:-}" = --list ] || [ $# -lt 1 ]; then
    ls fuzz/corpus
    [ $# -ge 1 ] || exit 2
    exit 0
fi
target=$1
seconds=${2:-60}
shift $(($# >= 2 ? 2 : 1))
[ -d "fuzz/corpus/$target" ] || { echo "unknown target: $target" >&2; exit 2; }

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELVO_FUZZ=ON \
    -DTRELVO_TESTS=OFF -DTRELVO_SANITIZE=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target "fuzz_$target"

work="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$work" "$findings"
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
mkdir "$scratch"/{config,data,cache,home}
mkdir -m 700 "$scratch/runtime"

# A dictionary of the input's keywords, where the target has one, guides the mutations.
dict=()
[ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")

# -timeout: one input taking longer is a finding (a hang); -rss_limit_mb: so is one that makes
# the process grow past it. New inputs go to the working corpus, the seeds stay as they are.
env \
    HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
    XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime" \
    LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$@" \
    "$work" "fuzz/corpus/$target"
