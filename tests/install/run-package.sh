#!/usr/bin/env bash
# Packs the build into its Debian package, checks the package's dependencies,
# extracts it into a fresh root and runs the installed program from there.
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
dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/qxrel32 usr/share/quorvix/Scripts/Default.qx usr/include/quorvix/QX_Types.h usr/include/quorvix/QX_PluginHelpers.h \
    usr/share/applications/io.quorvix.Quorvix.desktop usr/share/metainfo/io.quorvix.Quorvix.metainfo.xml \
    usr/share/mime/packages/io.quorvix.Quorvix.mime.xml usr/share/icons/hicolor/scalable/apps/io.quorvix.Quorvix.svg; do
  [ -e "$work/root/$f" ] || { echo "FAIL: $f is not in the package"; exit 1; }
done
[ -n "$(find "$work/root/usr/lib" -path '*/quorvix/plugins/*.so')" ] \
  || { echo "FAIL: no plug-ins in the package"; exit 1; }
"$here/run-installed.sh" "$work/root/usr" "$work"
