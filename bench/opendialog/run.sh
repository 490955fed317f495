#!/bin/bash
# The open dialog going into a large folder, in the list and the details
# view: the longest time its event loop leaves a _NET_WM_PING unanswered
# (bench/stall/stall.py, from outside the program), and the time to
# list the folder against `ls -l` and a bare readdir of the same folder.
#
#   bench/opendialog/run.sh [BUILD_DIR] [FILES]      (defaults: build, 100000)
#
# Makes FILES empty files in a temporary folder (kept between runs under
# $TMPDIR as qx-opendialog-FILES), starts its own Xvfb display without a
# window manager, runs build/bench/bench_opendialog once per view and prints
# one line per view plus the verdict against the 100 ms goal (exit status 1
# above 250 ms). The same run on a folder of 10 files comes first, as the
# baseline of what the machine's load alone costs the event loop. LOAD=N
# runs N busy loops beside it, as on a loaded machine.
# Needs Xvfb and Debian's python3-xlib (scripts/install-deps).
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
files=${2:-100000}
bench=$build/bench/bench_opendialog
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target bench_opendialog)" >&2; exit 2; }
python=/usr/bin/python3
"$python" -c 'import Xlib' 2>/dev/null || { echo "python3-xlib is missing (scripts/install-deps)" >&2; exit 2; }

# FOLDER COUNT: a folder of COUNT entries, made unless it is there already.
make_folder() {
    [ "$(ls -f "$1" 2>/dev/null | wc -l)" -eq $(($2 + 2)) ] && return 0
    rm -rf "$1" && mkdir -p "$1" || return 1
    # Two folders, a few files of other types, the rest numbered text files.
    (cd "$1" && mkdir -p složka-a složka-b && seq -f "soubor-%06g.txt" 1 $(($2 - 2)) | xargs touch) || return 1
    local ext n=1
    for ext in cpp h ini qx; do
        n=$((n + 1))
        [ -e "$1/soubor-00000$n.txt" ] && mv "$1/soubor-00000$n.txt" "$1/soubor-00000$n.$ext"
    done
    return 0
}
folder=${TMPDIR:-/tmp}/qx-opendialog-$files
small=${TMPDIR:-/tmp}/qx-opendialog-10
make_folder "$folder" "$files" && make_folder "$small" 10 || exit 2

work=$(mktemp -d) || exit 2
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
display=:$(head -1 "$work/display")
for _ in $(seq ${LOAD:-0}); do (while :; do :; done) & pids+=($!); done

run() {
    HOME=$work XDG_CONFIG_HOME=$work/config DISPLAY=$display QT_QPA_PLATFORM=xcb \
        "$bench" --folder "$1" --view "$2" --meter "$python $here/../stall/stall.py" --seconds 8 2>/dev/null
}
for view in list details; do
    echo "baseline $(run "$small" $view | grep -o 'view=[a-z]* files=[0-9]*\|stall .*lost=[0-9]*' | tr '\n' ' ')"
done
worst=0
for view in list details; do
    line=$(run "$folder" $view)
    echo "$line"
    max=$(sed -n 's/.*max_ms=\([0-9-]*\).*/\1/p' <<<"$line")
    [ -n "$max" ] && [ "$max" -ge 0 ] || { echo "$view: no measurement" >&2; exit 2; }
    [ "$max" -gt "$worst" ] && worst=$max
done
verdict=ok
[ "$worst" -gt 100 ] && verdict="above the 100 ms goal"
echo "longest stall ${worst} ms: $verdict"
[ "$worst" -le 250 ]
