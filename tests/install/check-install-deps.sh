#!/usr/bin/env bash
# scripts/install-deps started by a user who is not root, on a Debian without
# sudo, with packages missing: it installs nothing, ends with status 1 and
# says in Czech and in English what to run as root instead.
#   check-install-deps.sh SCRIPTS_DIR WORKDIR
set -euo pipefail
scripts=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bin"
# Only what the script needs is on PATH: the shell and two text tools, a
# user's id, a package database without the packages, and an apt-get that
# notes each call. No sudo.
for tool in bash cat grep; do ln -s "$(command -v $tool)" "$work/bin/$tool"; done
printf '#!/bin/sh\necho 1000\n' > "$work/bin/id"
printf '#!/bin/sh\nexit 1\n' > "$work/bin/dpkg-query"
printf '#!/bin/sh\necho "$*" >> "%s/apt-get.calls"\n' "$work" > "$work/bin/apt-get"
chmod +x "$work/bin/id" "$work/bin/dpkg-query" "$work/bin/apt-get"

status=0
PATH=$work/bin "$scripts/install-deps" >"$work/out" 2>&1 || status=$?
out=$(cat "$work/out")
fail() { echo "FAIL: $*"; echo "--- output (status $status):"; echo "$out"; exit 1; }
[ $status -eq 1 ] || fail "the status is not 1"
[ ! -e "$work/apt-get.calls" ] || fail "apt-get was run: $(cat "$work/apt-get.calls")"
for wanted in "Spusťte jako root" "Run as root" \
    "apt-get update && apt-get install -y --no-install-recommends build-essential"; do
  case "$out" in
    *"$wanted"*) ;;
    *) fail "the message does not say \"$wanted\"" ;;
  esac
done
case "$out" in
  *"command not found"*) fail "a command was missing" ;;
esac
echo "install-deps says what to run as root"
