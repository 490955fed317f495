#!/usr/bin/env bash
# fuzz/rtf/run.sh [SECONDS] [FUZZER]
# Fuzzes the notepad's RTF reader for SECONDS (default 60) under
# AddressSanitizer and UndefinedBehaviorSanitizer, seeded with a few RTF
# documents. Without FUZZER it builds fuzz_rtf with clang in build-fuzz/
# (QX_FUZZ_BUILD_DIR) first. Findings land in build-fuzz/fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
name=rtf
. "$here/../run-common.sh"
# Seeds: what the notepad writes and what word processors write.
printf '{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 a \\b b\\b0 \\cf1 \\u269?\\par\r\n}\r\n' >"$work/notepad.rtf"
printf '{\\rtf1\\ansi\\ansicpg1250\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset238 Calibri;}}{\\*\\generator Riched20;}\\viewkind4\\uc1\\pard\\f0\\fs22 P\\'"'"'f8\\'"'"'edli\\'"'"'9a {\\field{\\*\\fldinst HYPERLINK "x"}{\\fldrslt odkaz}}\\par}' >"$work/wordpad.rtf"
fuzz_run
