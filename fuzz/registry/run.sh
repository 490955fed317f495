#!/usr/bin/env bash
# fuzz/registry/run.sh [SECONDS] [FUZZER]
# Fuzzes the registry file's reader and writer for SECONDS (default 60) under
# AddressSanitizer and UndefinedBehaviorSanitizer, seeded with the registry
# file fixtures. Without FUZZER it builds fuzz_registry with clang in
# build-fuzz/ (QX_FUZZ_BUILD_DIR) first. Findings land in build-fuzz/fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
seconds=${1:-60}
fuzzer=${2:-}
if [ -z "$fuzzer" ]; then
    build=${QX_FUZZ_BUILD_DIR:-$top/build-fuzz}
    if [ ! -f "$build/CMakeCache.txt" ]; then
        CXX=clang++ CC=clang cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DQX_BUILD_FUZZ=ON -DQX_BUILD_TESTS=OFF -DQX_BUILD_BENCH=OFF >/dev/null
    fi
    cmake --build "$build" --target fuzz_registry >/dev/null
    fuzzer=$build/fuzz/fuzz_registry
fi
fuzzer=$(cd "$(dirname "$fuzzer")" && pwd)/$(basename "$fuzzer")
work=$(dirname "$fuzzer")/registry-corpus
mkdir -p "$work"
# A leading 't' makes the fuzzer read the rest as the text of a file.
for fixture in "$top"/tests/platform/fixtures/*.reg; do
    seed="$work/$(basename "$fixture")"
    [ -e "$seed" ] || { printf 't'; cat "$fixture"; } > "$seed"
done
cd "$(dirname "$fuzzer")"
exec "$fuzzer" -dict="$here/registry.dict" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work"
