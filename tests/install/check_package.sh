#!/usr/bin/env bash
# check_package.sh <build dir> <source dir>
# Builds the .deb, unpacks it into a scratch root and checks that it is whole:
# computed dependencies, the program, the desktop entry and its icon, the
# metainfo; then starts the program named by the entry's Exec line under Xvfb
# and waits for its start window.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "check_package: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/*.deb | head -n 1)
[ -f "$deb" ] || fail "no package made"

depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6gui6 libqt6charts6 libsdl2 libjpeg62-turbo libc6 qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "$lib" <<<"$depends" || fail "the dependencies do not name $lib"
done

root="$work/root"
dpkg -x "$deb" "$root"
id=example.velnar.Velnar
desktop="$root/usr/share/applications/$id.desktop"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
[ -x "$root/usr/bin/velnar" ] || fail "no /usr/bin/velnar"
[ -f "$desktop" ] || fail "no desktop entry"
[ -f "$metainfo" ] || fail "no metainfo"
copyright="$root/usr/share/doc/velnar/copyright"
[ -f "$copyright" ] || fail "no copyright file"
grep -q "^License: GPL-3.0-or-later" "$copyright" || fail "the copyright file does not give the licence"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" ||
  fail "the metainfo does not give the licence"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"

icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [ -f "$png" ] || fail "no ${size}x${size} icon $icon"
  identify -format '%wx%h' "$png" | grep -qx "${size}x${size}" || fail "$png is not ${size}x${size}"
done
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch the desktop entry"

# The Exec line, run from the unpacked root, must bring up the start window.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
program="$root/usr/bin/${exec_line%% *}"
[ -x "$program" ] || fail "Exec names $exec_line, not in the package"
cat >"$work/start.sh" <<SCRIPT
set -e
QT_QPA_PLATFORM=xcb "$program" &
pid=\$!
if timeout 30 xdotool search --sync --onlyvisible --name '^Velnar\$' >/dev/null; then
  status=0
else
  status=1
fi
kill \$pid 2>/dev/null || true
wait \$pid 2>/dev/null || true
exit \$status
SCRIPT
"$source/tests/x11/run-on-xvfb" bash "$work/start.sh" || fail "the installed program showed no start window"
echo "package $(basename "$deb") is whole"
