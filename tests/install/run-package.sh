#!/usr/bin/env bash
# Packs the build into its Debian package, checks the package's dependencies
# and recommendations and the files Debian wants in it (copyright, changelog,
# manual pages), extracts it into a fresh root and checks the installed
# program from there against the build (run-installed.sh).
#   run-package.sh BUILD_DIR WORKDIR
set -euo pipefail
build=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pack/quorvix_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for needed in qt6-qpa-plugins libqt6svg6 libqt6widgets6 libqscintilla2-qt6; do
  case "$depends" in
    *"$needed"*) ;;
    *) echo "FAIL: the package does not depend on $needed: $depends"; exit 1 ;;
  esac
done
case "$depends" in
  *qxhost*) echo "FAIL: the package depends on its own library: $depends"; exit 1 ;;
esac
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in xdg-utils universal-ctags; do
  case "$recommends" in
    *"$wanted"*) ;;
    *) echo "FAIL: the package does not recommend $wanted: $recommends"; exit 1 ;;
  esac
done
dpkg-deb -x "$deb" "$work/root"
doc=usr/share/doc/quorvix
for f in usr/bin/qxrel32 usr/bin/qxscript usr/share/quorvix/Scripts/Default.qx usr/include/quorvix/QX_Types.h \
    usr/include/quorvix/QX_PluginHelpers.h \
    usr/share/applications/io.quorvix.Quorvix.desktop usr/share/metainfo/io.quorvix.Quorvix.metainfo.xml \
    usr/share/mime/packages/io.quorvix.Quorvix.mime.xml usr/share/icons/hicolor/scalable/apps/io.quorvix.Quorvix.svg \
    usr/share/man/man1/qxrel32.1.gz usr/share/man/man1/qxscript.1.gz $doc/copyright $doc/changelog.gz \
    $doc/README.sdk.md $doc/examples/notes/CMakeLists.txt $doc/examples/notes/ExamplePlugin.cpp; do
  [ -e "$work/root/$f" ] || { echo "FAIL: $f is not in the package"; exit 1; }
done
# The changelog's latest entry is this version of the package.
version=$(dpkg-deb -f "$deb" Version)
top=$(gzip -dc "$work/root/$doc/changelog.gz" | head -n 1)
case "$top" in
  "quorvix ($version) "*) ;;
  *) echo "FAIL: the changelog begins with \"$top\", not with version $version"; exit 1 ;;
esac
"$here/run-installed.sh" "$work/root/usr" "$work" "$build"
