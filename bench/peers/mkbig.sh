#!/usr/bin/env bash
# mkbig.sh [FILE] [SIZE_MB]
# Writes the big file of the comparisons (default /tmp/big.txt, 50 MiB): one
# C translation unit repeated, each copy with its own numbered identifiers,
# so no two blocks are alike and every machine gets the same bytes.
# The block is bench/bigfile/block.c.in; build/bench/bench_bigfile makes the
# same text in-process.
set -eu
out=${1:-/tmp/big.txt}
mb=${2:-50}
limit=$((mb * 1024 * 1024))

TEMPLATE=$(cat "$(dirname "$0")/../bigfile/block.c.in") awk -v limit="$limit" 'BEGIN {
    t = ENVIRON["TEMPLATE"] "\n\n"
    total = 0
    for (n = 1; total < limit; n++) {
        b = t
        gsub(/@N@/, sprintf("%06d", n), b)
        printf "%s", b
        total += length(b)
    }
}' >"$out"
echo "$out: $(wc -c <"$out") bytes, $(wc -l <"$out") lines"
