#!/usr/bin/env bash
# fuzz/shelllinks/run.sh [SECONDS] [FUZZER]
# Fuzzes the shortcut readers for SECONDS (default 60) under AddressSanitizer
# and UndefinedBehaviorSanitizer, seeded with the shortcut fixtures and a few
# desktop entries. Without FUZZER it builds fuzz_shell_links with clang in
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
    cmake --build "$build" --target fuzz_shell_links >/dev/null
    fuzzer=$build/fuzz/fuzz_shell_links
fi
fuzzer=$(cd "$(dirname "$fuzzer")" && pwd)/$(basename "$fuzzer")
work=$(dirname "$fuzzer")/shelllinks-corpus
mkdir -p "$work"
cp -n "$top"/tests/platform/fixtures/*.lnk "$work"/ 2>/dev/null || true
printf '[Desktop Entry]\nType=Link\nURL=file:///tmp/a%%20b.txt\nComment=\\s x\nPath=docs\n' > "$work/seed-link.desktop"
printf '[Desktop Entry]\nType=Application\nExec=editor --new %%f\nX-Quorvix-Arguments=a\n' > "$work/seed-app.desktop"
cd "$(dirname "$fuzzer")"
exec "$fuzzer" -dict="$here/shelllinks.dict" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work"
