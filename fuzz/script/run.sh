#!/usr/bin/env bash
# fuzz/script/run.sh [SECONDS] [FUZZER]
# Fuzzes the script engine for SECONDS (default 60) under AddressSanitizer
# and UndefinedBehaviorSanitizer, seeded with the language's case scripts and
# the benchmark scripts. Without FUZZER it builds fuzz_script with clang in
# build-fuzz/ (QX_FUZZ_BUILD_DIR) first. Findings land in build-fuzz/fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
name=script
. "$here/../run-common.sh"
cp -n "$top"/tests/script/cases/*.qx "$top"/bench/script/*.qx "$work"/ 2>/dev/null || true
fuzz_run
