#!/usr/bin/env bash
# Starts an installed program (PREFIX/bin/qxrel32) offscreen with a file, as a
# user with a fresh HOME, and checks that it opened the file, kept what it
# writes in the user's XDG folders, seeded the user's Scripts/ from the shipped
# ones and wrote nothing below its prefix.
#   run-installed.sh PREFIX WORKDIR
set -euo pipefail
prefix=$1
work=$2
home=$work/home
mkdir -p "$home"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state
export XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
doc=$work/Poznámka.txt
printf 'Dobrý den\n' > "$doc"

before=$(find "$prefix" -printf '%p %s %T@\n' | sort)
log=$XDG_STATE_HOME/Quorvix/debug.log

"$prefix/bin/qxrel32" "$doc" >"$work/program.out" 2>&1 &
pid=$!
for _ in $(seq 300); do
  grep -q "document opened: $doc" "$log" 2>/dev/null && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true

fail() { echo "FAIL: $*"; [ -f "$log" ] && cat "$log"; cat "$work/program.out"; exit 1; }
[ -f "$log" ] || fail "no event log in the XDG state folder"
grep -q "successfully loaded, plugin ready...qxtexteditor.so" "$log" || fail "the shipped plug-in was not loaded"
grep -q "document opened: $doc" "$log" || fail "the file was not opened"
[ -f "$XDG_DATA_HOME/Quorvix/Scripts/Default.qx" ] || fail "Scripts/ was not seeded from the shipped scripts"
[ -f "$prefix/share/quorvix/Qxrel32.hlp" ] && [ -f "$prefix/share/quorvix/Help/index.html" ] \
  || fail "the help is not installed"
[ -d "$XDG_DATA_HOME/Quorvix/Projects" ] || fail "no Projects/ in the XDG data folder"
[ -f "$XDG_CONFIG_HOME/Quorvix/registry.reg" ] || fail "no registry in the XDG config folder"
after=$(find "$prefix" -printf '%p %s %T@\n' | sort)
if [ "$before" != "$after" ]; then
  diff <(echo "$before") <(echo "$after") || true
  fail "the program changed files below its prefix"
fi
echo "installed program ran from $prefix"
