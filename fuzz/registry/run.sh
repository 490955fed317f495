#!/usr/bin/env bash
# fuzz/registry/run.sh [SECONDS] [FUZZER]
# Fuzzes the registry file's reader and writer for SECONDS (default 60) under
# AddressSanitizer and UndefinedBehaviorSanitizer, seeded with the registry
# file fixtures. Without FUZZER it builds fuzz_registry with clang in
# build-fuzz/ (QX_FUZZ_BUILD_DIR) first. Findings land in build-fuzz/fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
name=registry
. "$here/../run-common.sh"
# A leading 't' makes the fuzzer read the rest as the text of a file.
for fixture in "$top"/tests/platform/fixtures/*.reg; do
    seed="$work/$(basename "$fixture")"
    [ -e "$seed" ] || { printf 't'; cat "$fixture"; } > "$seed"
done
fuzz_run
