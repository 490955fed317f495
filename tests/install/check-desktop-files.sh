#!/usr/bin/env bash
# Validates the shipped desktop integration files with Debian's tools and
# checks that the MIME database built from them knows the program's files.
#   check-desktop-files.sh SOURCE_DIST_LINUX WORKDIR
set -euo pipefail
dist=$1
work=$2
rm -rf "$work"
mkdir -p "$work/mime/packages"

desktop-file-validate "$dist/io.quorvix.Quorvix.desktop"
appstreamcli validate --no-net "$dist/io.quorvix.Quorvix.metainfo.xml"

cp "$dist/io.quorvix.Quorvix.mime.xml" "$work/mime/packages/"
out=$(XDG_DATA_DIRS=$work update-mime-database "$work/mime" 2>&1)
[ -z "$out" ] || { echo "FAIL: update-mime-database: $out"; exit 1; }
grep -q "application/x-quorvix-script:\*\.qx" "$work/mime/globs2" || { echo "FAIL: .qx is not a script"; exit 1; }
grep -aq "application/x-quorvix-project" "$work/mime/magic" || { echo "FAIL: no magic for project files"; exit 1; }

# Every icon the files name is shipped.
for icon in io.quorvix.Quorvix application-x-quorvix-script application-x-quorvix-project; do
  [ -f "$dist/icons/$icon.svg" ] || { echo "FAIL: icon $icon is missing"; exit 1; }
done
grep -q "^Icon=io.quorvix.Quorvix$" "$dist/io.quorvix.Quorvix.desktop"
echo "desktop files are valid"
