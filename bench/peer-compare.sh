# shellcheck shell=bash
# Shared by bench/*/compare.sh: runs our program and a peer through one of
# the measuring scripts in bench/peers (startup.sh, bigfile.sh), alternating
# run by run so both see the same load on a shared machine, and prints the
# medians side by side with their ratio. Source it, don't run it.
#
#   compare_pair SCRIPT RUNS FIELDS OUR_NAME "OUR CMD" PEER_NAME "PEER CMD"
#
# SCRIPT is startup.sh or bigfile.sh; FIELDS the key=value fields to compare
# ("startup_ms rss_kb"). Commands are word-split. One untimed run of each
# comes first (WARMUP=0 skips it). Every run's line goes to stderr.

PEERS=$(cd "$(dirname "${BASH_SOURCE[0]}")/peers" && pwd)

peers_available() {
    local tool
    for tool in Xvfb xdotool xdpyinfo; do
        command -v "$tool" >/dev/null || {
            echo "$tool is missing: run bench/peers/install-deps.sh as root" >&2
            return 1
        }
    done
}

# median FIELD FILE: the median of FIELD=value over the lines of FILE.
median() {
    tr ' ' '\n' <"$2" | sed -n "s/^$1=//p" | sort -n |
        awk '{ v[NR] = $1 } END { if (!NR) exit 1; print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

compare_pair() {
    local script=$1 runs=$2 fields=$3 ourName=$4 ourCmd=$5 peerName=$6 peerCmd=$7
    local dir i f ours peer out side
    local -a ourArgv peerArgv
    read -r -a ourArgv <<<"$ourCmd"
    read -r -a peerArgv <<<"$peerCmd"
    dir=$(mktemp -d) || return 1
    for ((i = -${WARMUP:-1}; i < runs; i++)); do
        for side in ours peer; do
            if [ $side = ours ]; then
                out=$(NAME=$ourName timeout 300 "$PEERS/$script" "${ourArgv[@]}") || { echo "$ourName: run failed" >&2; continue; }
            else
                out=$(NAME=$peerName timeout 300 "$PEERS/$script" "${peerArgv[@]}") || { echo "$peerName: run failed" >&2; continue; }
            fi
            if [ "$i" -lt 0 ]; then echo "warm-up $out" >&2; else echo "run $out" >&2; echo "$out" >>"$dir/$side"; fi
        done
    done
    printf '%-12s %-20s %12s %12s %8s\n' figure "($runs runs, medians)" "$ourName" "$peerName" ratio
    for f in $fields; do
        ours=$(median "$f" "$dir/ours") || ours=-
        peer=$(median "$f" "$dir/peer") || peer=-
        printf '%-12s %-20s %12s %12s %8s\n' "$f" "" "$ours" "$peer" \
            "$(awk -v a="$ours" -v b="$peer" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }')"
    done
    rm -rf "$dir"
}
