#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the .deb with cpack, runs lintian on it (scripts/lint-deb.sh: no
# errors, no warnings), installs it with dpkg, checks that its files
# are in place, that dpkg's triggers taught the system's MIME and desktop
# databases the types, and that quillet-convert runs from PATH; then removes
# it and checks that nothing is left. Needs root, so it is not part of
# scripts/test.sh.
# Usage: scripts/test-deb.sh [BUILD_DIR]   (default: build; configured if new)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if [ "$(id -u)" -ne 0 ]; then
  echo "test-deb.sh: needs root for dpkg -i and dpkg -r" >&2
  exit 1
fi
if dpkg-query -W -f='${Status}' quillet 2>/dev/null | grep -q 'install ok installed'; then
  echo "test-deb.sh: a quillet package is installed already; remove it first (dpkg -r quillet)" >&2
  exit 1
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/quillet_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quillet_*.deb)
echo "-- $deb ($(du -k "$deb" | cut -f1) KB)"
bash scripts/lint-deb.sh "$deb"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

depends=$(dpkg-deb --field "$deb" Depends)
echo "   Depends: $depends"
for package in libc6 libstdc++6 libqt6widgets6 qt6-qpa-plugins fonts-ipafont-gothic; do
  grep -q "$package" <<<"$depends" || fail "Depends lacks $package"
done
[ -z "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postinst|prerm|postrm|preinst')" ] ||
  fail "the package has maintainer scripts; dpkg triggers are meant to do their work"

# The modules go to the package's own folder under the library folder.
module_dir=$(dpkg-deb -c "$deb" | grep -oE '\./usr/lib/(.*/)?quillet/quillet-archive\.so' | sed 's|^\.||; s|/[^/]*$||')
[ -n "$module_dir" ] || fail "the package holds no quillet-archive.so"
files=(/usr/bin/quillet /usr/bin/quillet-convert "$module_dir/quillet-archive.so"
  "$module_dir/quillet-png.so" /usr/share/applications/quillet.desktop
  /usr/share/mime/packages/quillet.xml /usr/share/icons/hicolor/scalable/apps/quillet.svg
  /usr/share/man/man1/quillet.1.gz /usr/share/man/man1/quillet-convert.1.gz
  /usr/share/doc/quillet/copyright /usr/share/doc/quillet/changelog.gz
  /usr/share/metainfo/page.codeberg.quillet.Quillet.metainfo.xml)
for size in 16 22 24 32 48 64 128 256; do
  files+=("/usr/share/icons/hicolor/${size}x${size}/apps/quillet.png")
done
[ -f help/Quillet.hlp ] && files+=(/usr/share/quillet/Quillet.hlp)
# The Qt 5 image plugin, when built; only it needs Qt 5, which is suggested.
if [ -f "$build/plugins-qt5/imageformats/libquillet_msx.so" ]; then
  files+=(/usr/lib/x86_64-linux-gnu/qt5/plugins/imageformats/libquillet_msx.so)
  grep -q libqt5 <<<"$(dpkg-deb --field "$deb" Suggests)" || fail "Suggests lacks the Qt 5 libraries"
  ! grep -q libqt5 <<<"$depends" || fail "Depends holds Qt 5 libraries"
fi

installed=0
cleanup() {
  [ "$installed" -eq 1 ] && dpkg -r quillet >/dev/null 2>&1 || true
  rm -rf "${scratch:-}"
}
trap cleanup EXIT
scratch=$(mktemp -d)

echo "-- dpkg -i"
dpkg -i "$deb" >"$scratch/dpkg-i.log" 2>&1 || { cat "$scratch/dpkg-i.log"; exit 1; }
installed=1
for file in "${files[@]}"; do
  [ -f "$file" ] || fail "not installed: $file"
done
[ "$(command -v quillet-convert)" = /usr/bin/quillet-convert ] || fail "quillet-convert is not found on PATH"
quillet-convert --help | grep -q '^usage: quillet-convert' || fail "quillet-convert --help"
printf '\xff\x0b\x80\x0a\x00\x91\x20\x22HI\x22\x00\x00\x00' >"$scratch/game.dat"
[ "$(quillet-convert "$scratch/game.dat" | tr -d '\r')" = '10 PRINT "HI"' ] || fail "quillet-convert from PATH"
# Archives are read and PNG files written through modules the installed
# programs find beside their own install.
printf '\xfe\x00\x00\x03\x00\x00\x00\x11\x22\x33\x44' >"$scratch/title.sc5"
quillet-convert "$scratch/title.sc5" "$scratch/title.png" && [ "$(head -c 4 "$scratch/title.png" | tail -c 3)" = PNG ] ||
  fail "quillet-convert from PATH does not write a PNG"
gzip -c "$scratch/game.dat" >"$scratch/game.dat.gz"
[ "$(quillet-convert "$scratch/game.dat.gz::game.dat" | tr -d '\r')" = '10 PRINT "HI"' ] ||
  fail "quillet-convert from PATH does not read an archive"
man -w quillet >/dev/null 2>&1 || fail "man does not find quillet"
# What the triggers of shared-mime-info and desktop-file-utils made.
[ -f /usr/share/mime/application/x-msx-basic.xml ] || fail "the system MIME database lacks the program type"
grep -q '^application/x-msx-basic=.*quillet.desktop' /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database does not offer quillet for programs"
if command -v xdg-mime >/dev/null && command -v mimetype >/dev/null; then
  got=$(env -u XDG_DATA_HOME -u XDG_DATA_DIRS XDG_CURRENT_DESKTOP=X-Generic HOME="$scratch" \
    xdg-mime query filetype "$scratch/game.dat")
  [ "$got" = application/x-msx-basic ] || fail "xdg-mime query filetype after install: $got"
fi

echo "-- dpkg -r"
dpkg -r quillet >"$scratch/dpkg-r.log" 2>&1 || { cat "$scratch/dpkg-r.log"; exit 1; }
installed=0
dpkg-query -W -f='${Status}' quillet 2>/dev/null | grep -q 'install ok installed' && fail "still installed"
for file in "${files[@]}"; do
  [ ! -e "$file" ] || fail "left behind: $file"
done
[ ! -e /usr/share/mime/application/x-msx-basic.xml ] || fail "the system MIME database still has the program type"
! grep -q 'quillet.desktop' /usr/share/applications/mimeinfo.cache 2>/dev/null ||
  fail "the desktop database still offers quillet"

if [ "$failures" -ne 0 ]; then
  echo "test-deb: $failures failures"
  exit 1
fi
echo "test-deb: the package installs and removes cleanly"
