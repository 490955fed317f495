# Sourced by the run.sh of a fuzz folder after it set $here (its folder) and
# $name (the folder's name; the target is fuzz_$name), with that script's
# arguments [SECONDS] [FUZZER]. Without FUZZER it builds the target with clang
# in build-fuzz/ (QX_FUZZ_BUILD_DIR) first. Sets $top, $seconds, $fuzzer and
# $work, the corpus folder beside the fuzzer, for the script to seed; then
# fuzz_run starts the fuzzer with $here/$name.dict.
top=$(cd "$here/../.." && pwd)
seconds=${1:-60}
fuzzer=${2:-}
if [ -z "$fuzzer" ]; then
    build=${QX_FUZZ_BUILD_DIR:-$top/build-fuzz}
    if [ ! -f "$build/CMakeCache.txt" ]; then
        CXX=clang++ CC=clang cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DQX_BUILD_FUZZ=ON -DQX_BUILD_TESTS=OFF -DQX_BUILD_BENCH=OFF >/dev/null
    fi
    cmake --build "$build" --target "fuzz_$name" >/dev/null
    fuzzer=$build/fuzz/fuzz_$name
fi
fuzzer=$(cd "$(dirname "$fuzzer")" && pwd)/$(basename "$fuzzer")
work=$(dirname "$fuzzer")/$name-corpus
mkdir -p "$work"

fuzz_run() {
    cd "$(dirname "$fuzzer")"
    exec "$fuzzer" -dict="$here/$name.dict" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work"
}
