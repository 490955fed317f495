#!/usr/bin/env bash
# fuzz/script/run.sh [SECONDS] [FUZZER]
# Fuzzes the script engine for SECONDS (default 60) under AddressSanitizer
# and UndefinedBehaviorSanitizer, seeded with the language's case scripts and
# the benchmark scripts. Without FUZZER it builds fuzz_script with clang in
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
    cmake --build "$build" --target fuzz_script >/dev/null
    fuzzer=$build/fuzz/fuzz_script
fi
fuzzer=$(cd "$(dirname "$fuzzer")" && pwd)/$(basename "$fuzzer")
work=$(dirname "$fuzzer")/script-corpus
mkdir -p "$work"
cp -n "$top"/tests/scripting/cases/*.qx "$top"/bench/script/*.qx "$work"/ 2>/dev/null || true
cd "$(dirname "$fuzzer")"
exec "$fuzzer" -dict="$here/script.dict" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work"
