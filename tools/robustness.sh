#!/bin/bash
# SPDX-License-Identifier: MIT
# The robustness stages of tools/test.sh, each runnable alone:
#   bash tools/robustness.sh sanitize   every test built with AddressSanitizer
#                                       (leak detection included) and
#                                       UndefinedBehaviorSanitizer, in build-asan/
#   bash tools/robustness.sh fuzz [s]   the map reader's fuzzer for s seconds (60),
#                                       seeded with maps/*.map, from build-asan/
# With no argument, both. Any sanitizer report, fuzzer crash, hang or leak fails.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-asan"
stage=${1:-all}
fuzzSeconds=${2:-60}
case "$stage" in
    all | sanitize | fuzz) ;;
    *) echo "usage: bash tools/robustness.sh [sanitize | fuzz [SECONDS]]" >&2; exit 2 ;;
esac

source "$root/tools/installPackages.sh"
# What the plain build and its tests need (as in setup.sh), then clang, its
# sanitizer and libFuzzer runtimes, and llvm-symbolizer for readable reports.
needPackages cmake make qt6-base-dev fonts-dejavu-core qt6-translations-l10n \
    desktop-file-utils appstream shared-mime-info libglib2.0-bin groff-base mandoc dbus-daemon xvfb xauth \
    at-spi2-core python3-pyatspi tiled clang libclang-rt-dev llvm

# Every program and test is built with the sanitizers, the fuzzer included.
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVELMORA_FUZZ=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# Every report ends the program with an error; leaks are checked at exit, and
# none is suppressed, not even in system libraries.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

if [ "$stage" = all ] || [ "$stage" = sanitize ]; then
    echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    ctest --test-dir "$build" --output-on-failure
fi

if [ "$stage" = all ] || [ "$stage" = fuzz ]; then
    echo "== Fuzzing the map reader for ${fuzzSeconds} s"
    # New inputs go to a scratch corpus; the samples in maps/ are only read.
    corpus=$(mktemp -d)
    trap 'rm -rf "$corpus"' EXIT
    # A seed longer than the reader's 8 KiB chunk, and inputs that may grow
    # to 64 KiB from the start (-len_control=0), so that mutations reach
    # lines and codes across chunk boundaries.
    { head -c 9000 /dev/zero | tr '\0' ' '; printf '12\r\n345\n'; cat "$root/maps/test.map"; } \
        >"$corpus/long-seed.map"
    (cd "$corpus" && "$build/tools/robustness/fuzzMap" -max_total_time="$fuzzSeconds" \
        -max_len=65536 -len_control=0 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/" "$corpus" "$root/maps") 2>&1 | tee "$corpus/log"
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$corpus/log")
    echo "== Fuzzing ran ${rate:-an unknown number of} inputs a second"
fi
