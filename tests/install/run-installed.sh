#!/usr/bin/env bash
# Checks an installed program (PREFIX/bin/qxrel32) against the build it came
# from (BUILD_DIR, whose program folder is BUILD_DIR/bin):
# - started offscreen with a file, as a user with a fresh HOME, it opens the
#   file, keeps what it writes in the user's XDG folders and seeds the user's
#   Scripts/ from the shipped ones;
# - it has every plug-in library the build folder has, and lists the same
#   plug-ins and entries as the program run from the build folder;
# - it opens a picture in the image viewer and a binary file in the hex
#   editor;
# - CMake finds its SDK at the version its installed header gives;
# - it wrote nothing below its prefix.
#   run-installed.sh PREFIX WORKDIR BUILD_DIR
set -euo pipefail
prefix=$1
work=$2
build=$3
here=$(cd "$(dirname "$0")" && pwd)
cmake=${CMAKE_COMMAND:-cmake}
home=$work/home
mkdir -p "$home"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state
export XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
doc=$work/Poznámka.txt
printf 'Dobrý den\n' > "$doc"

before=$(find "$prefix" -printf '%p %s %T@\n' | sort)
log=$XDG_STATE_HOME/Quorvix/debug.log

fail() { echo "FAIL: $*"; [ -f "$log" ] && cat "$log"; cat "$work/program.out" 2>/dev/null || true; exit 1; }

"$prefix/bin/qxrel32" "$doc" >"$work/program.out" 2>&1 &
pid=$!
for _ in $(seq 300); do
  grep -q "document opened: $doc" "$log" 2>/dev/null && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true

[ -f "$log" ] || fail "no event log in the XDG state folder"
grep -q "successfully loaded, plugin ready...qxtexteditor.so" "$log" || fail "the shipped plug-in was not loaded"
grep -q "document opened: $doc" "$log" || fail "the file was not opened"
[ -f "$XDG_DATA_HOME/Quorvix/Scripts/Default.qx" ] || fail "Scripts/ was not seeded from the shipped scripts"
[ -f "$prefix/share/quorvix/Qxrel32.hlp" ] && [ -f "$prefix/share/quorvix/Help/index.html" ] \
  || fail "the help is not installed"
[ -d "$XDG_DATA_HOME/Quorvix/Projects" ] || fail "no Projects/ in the XDG data folder"
[ -f "$XDG_CONFIG_HOME/Quorvix/registry.reg" ] || fail "no registry in the XDG config folder"

# The plug-in libraries, each with its path below the plug-in folder.
plugins=$(find "$prefix" -type d -path '*/quorvix/plugins' | head -n 1)
[ -n "$plugins" ] || fail "no plug-in folder below $prefix"
built_libraries=$(cd "$build/bin/Plugins" && find . -name '*.so' | sort)
installed_libraries=$(cd "$plugins" && find . -name '*.so' | sort)
if [ "$built_libraries" != "$installed_libraries" ]; then
  diff <(echo "$built_libraries") <(echo "$installed_libraries") || true
  fail "the installed plug-in libraries (>) are not those of the build folder (<)"
fi

# runs PROGRAM [FILES...] with list-entries.qx as its event script until it
# ends itself; prints the script values Entries (sorted, one a line) and
# Opened of the registry in XDG_CONFIG_HOME.
list_entries() {
  local out=$work/list.out status=0
  timeout 60 "$@" >"$out" 2>&1 || status=$?
  [ $status -eq 0 ] || { cat "$out"; echo "FAIL: $1 ended with $status" >&2; return 1; }
  local reg=$XDG_CONFIG_HOME/Quorvix/registry.reg
  sed -n 's/^"Entries"="\(.*\)"\r\?$/\1/p' "$reg" | tr '|' '\n' | sed '/^$/d' | sort
  sed -n 's/^"Opened"="\(.*\)"\r\?$/Opened: \1/p' "$reg"
}

# The program run from the build folder: a program folder of its own with
# the built plug-ins, so that its event script and the files it writes stay
# out of the build folder.
portable=$work/portable
mkdir -p "$portable/Scripts"
cp "$build/bin/qxrel32" "$portable/"
ln -s "$build/bin/libqxhost.so" "$portable/libqxhost.so"
ln -s "$build/bin/Plugins" "$portable/Plugins"
cp "$here/list-entries.qx" "$portable/Scripts/Default.qx"
built_entries=$(XDG_CONFIG_HOME=$home/portable-config list_entries "$portable/qxrel32") \
  || fail "the program of the build folder did not list its entries"
built_entries=$(echo "$built_entries" | grep -v '^Opened: ' || true)
[ "$(echo "$built_entries" | wc -l)" -ge 2 ] || fail "the build folder's program lists no entries: $built_entries"

# The installed program with a picture and a binary file, the user's event
# script replaced by the listing one.
picture=$work/obrázek.png
binary=$work/data.bin
cp "$here/picture.png" "$picture"
printf '\177ELF\002\001\001\000\000\000\000\000\000\000\000\000\003\000' > "$binary"
cp "$here/list-entries.qx" "$XDG_DATA_HOME/Quorvix/Scripts/Default.qx"
installed=$(list_entries "$prefix/bin/qxrel32" "$picture" "$binary") \
  || fail "the installed program did not list its entries"
installed_entries=$(echo "$installed" | grep -v '^Opened: ' || true)
opened=$(echo "$installed" | sed -n 's/^Opened: //p')
if [ "$built_entries" != "$installed_entries" ]; then
  diff <(echo "$built_entries") <(echo "$installed_entries") || true
  fail "the installed program's entries (>) are not those of the build folder's program (<)"
fi
case "$opened" in
  *"obrázek.png: Prohlížeč obrázků|"*) ;;
  *) fail "the picture was not opened in the image viewer: $opened" ;;
esac
case "$opened" in
  *"data.bin: Hex editor|"*) ;;
  *) fail "the binary file was not opened in the hex editor: $opened" ;;
esac

# The SDK at the version of its installed header.
header=$prefix/include/quorvix/QX_Types.h
major=$(sed -n 's/^#define QX_SDK_VERSION_MAJOR \([0-9]*\).*/\1/p' "$header")
minor=$(sed -n 's/^#define QX_SDK_VERSION_MINOR \([0-9]*\).*/\1/p' "$header")
[ -n "$major" ] && [ -n "$minor" ] || fail "no SDK version in $header"
"$cmake" -S "$here/sdk-version" -B "$work/sdk-version" -DCMAKE_PREFIX_PATH="$prefix" \
  -DQX_WANTED_VERSION="$major.$minor" >"$work/sdk-version.log" 2>&1 \
  || { cat "$work/sdk-version.log"; fail "CMake does not find QuorvixSDK $major.$minor below $prefix"; }

after=$(find "$prefix" -printf '%p %s %T@\n' | sort)
if [ "$before" != "$after" ]; then
  diff <(echo "$before") <(echo "$after") || true
  fail "the program changed files below its prefix"
fi
echo "installed program ran from $prefix with $(echo "$installed_entries" | wc -l) entries"
