#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the desktop integration without a desktop. Validates the .desktop
# entry (desktop-file-validate) and the MIME description (xmllint, against
# the document type that shared-mime-info ships in freedesktop.org.xml);
# validates the installed AppStream metainfo (appstreamcli) and holds its
# types to the MIME description and the desktop entry;
# installs the build into a scratch prefix, builds the MIME and desktop
# databases there and asks xdg-mime, as a desktop-less session would, what
# files are and what opens them; runs the installed programs on a file.
# Usage: scripts/check-desktop.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}

for tool in desktop-file-validate xmllint appstreamcli update-mime-database update-desktop-database xdg-mime mimetype; do
  if ! command -v "$tool" >/dev/null; then
    echo "check-desktop: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done
system_mime_xml=/usr/share/mime/packages/freedesktop.org.xml
[ -f "$system_mime_xml" ] || { echo "check-desktop: $system_mime_xml is missing" >&2; exit 1; }
[ -x "$build/quillet" ] || { echo "check-desktop: build $build first" >&2; exit 1; }

scratch=$(mktemp -d)
viewer_pid=""
cleanup() {
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "-- desktop entry and MIME description"
# Errors and warnings both count; hints are left out.
if ! out=$(desktop-file-validate --no-hints packaging/quillet.desktop 2>&1) || [ -n "$out" ]; then
  fail "desktop-file-validate: $out"
fi
# The document type sits in the internal subset of freedesktop.org.xml.
sed -n '/<!DOCTYPE mime-info \[/,/^\]>/p' "$system_mime_xml" | sed '1d;$d' >"$scratch/mime-info.dtd"
grep -q '<!ELEMENT match' "$scratch/mime-info.dtd" || fail "no document type found in $system_mime_xml"
xmllint --noout --dtdvalid "$scratch/mime-info.dtd" packaging/quillet.xml || fail "packaging/quillet.xml is not valid"
# The check itself must be able to fail: an unknown match type is refused.
sed 's/type="little16"/type="little24"/' packaging/quillet.xml >"$scratch/broken.xml"
if xmllint --noout --dtdvalid "$scratch/mime-info.dtd" "$scratch/broken.xml" 2>/dev/null; then
  fail "the document type accepts a broken description"
fi

echo "-- install into a scratch prefix"
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"
expected=(bin/quillet bin/quillet-convert bin/quillet-thumbnailer share/thumbnailers/quillet.thumbnailer
  share/applications/quillet.desktop share/mime/packages/quillet.xml
  share/icons/hicolor/scalable/apps/quillet.svg share/man/man1/quillet.1.gz share/man/man1/quillet-convert.1.gz
  share/doc/quillet/copyright share/doc/quillet/changelog.gz)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/quillet.png")
done
[ -f help/Quillet.hlp ] && expected+=(share/quillet/Quillet.hlp)
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done
# The image plugin lies where Qt looks when the prefix is Qt's own.
plugins=$(find "$prefix" -name libquillet_msx.so -path '*/imageformats/*')
[ -n "$plugins" ] || fail "not installed: the image plugin libquillet_msx.so"
if command -v qmake6 >/dev/null; then
  qt_plugins=$(qmake6 -query QT_INSTALL_PLUGINS)
  qt_prefix=$(qmake6 -query QT_INSTALL_PREFIX)
  [ -f "$prefix/${qt_plugins#"$qt_prefix"/}/imageformats/libquillet_msx.so" ] \
    || fail "the image plugin is not in Qt's plugin folder under the prefix: $plugins"
fi
man -M "$share/man" -w quillet-convert >/dev/null 2>&1 || fail "man does not find quillet-convert under the prefix"

echo "-- AppStream metainfo"
metainfo=("$share"/metainfo/*.metainfo.xml)
if [ ${#metainfo[@]} -ne 1 ] || [ ! -f "${metainfo[0]}" ]; then
  fail "not one metainfo file in share/metainfo: ${metainfo[*]}"
else
  metainfo=${metainfo[0]}
  # Warnings fail as errors do. The screenshot and the links are not fetched:
  # they are checked where the project is published.
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
  id=$(sed -n 's#.*<id>\(.*\)</id>.*#\1#p' "$metainfo")
  [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo file $(basename "$metainfo") is not named after its id $id"
  launchable=$(sed -n 's#.*<launchable type="desktop-id">\(.*\)</launchable>.*#\1#p' "$metainfo")
  [ -f "$share/applications/$launchable" ] || fail "metainfo: launchable $launchable is not installed"
  # The types on offer: the same in the metainfo, the MIME description and
  # the desktop entry.
  xml_types=$(sed -n 's#.*<mime-type type="\([^"]*\)".*#\1#p' packaging/quillet.xml | sort)
  metainfo_types=$(sed -n 's#.*<mediatype>\(.*\)</mediatype>.*#\1#p' "$metainfo" | sort)
  desktop_types=$(sed -n 's/^MimeType=//p' packaging/quillet.desktop | tr ';' '\n' | sed '/^$/d' | sort)
  [ -n "$xml_types" ] || fail "no types found in packaging/quillet.xml"
  [ "$metainfo_types" = "$xml_types" ] ||
    fail "metainfo and quillet.xml offer different types:"$'\n'"$(diff <(echo "$metainfo_types") <(echo "$xml_types") || true)"
  [ "$desktop_types" = "$xml_types" ] ||
    fail "desktop entry and quillet.xml offer different types:"$'\n'"$(diff <(echo "$desktop_types") <(echo "$xml_types") || true)"
fi

update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database failed"
update-desktop-database "$share/applications" || fail "update-desktop-database failed"

# A session that sees the prefix and the system's types, and nothing of the
# user's own settings; X-Generic makes xdg-mime use the freedesktop files.
export XDG_DATA_HOME="$scratch/home/.local/share" XDG_CONFIG_HOME="$scratch/home/.config"
export XDG_DATA_DIRS="$share:/usr/share" XDG_CONFIG_DIRS="$scratch/etc/xdg" XDG_CURRENT_DESKTOP=X-Generic
unset KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID MATE_DESKTOP_SESSION_ID DESKTOP_SESSION XDG_MENU_PREFIX
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"

files="$scratch/files"
mkdir -p "$files"
# 10 PRINT "HI": first byte, link 0x800B, line number, body, end of program.
program='\xff\x0b\x80\x0a\x00\x91\x20\x22HI\x22\x00\x00\x00'
# A SCREEN 5 dump saved from address 0, a few pixels long.
picture='\xfe\x00\x00\xff\x69\x00\x00\x11\x22\x33\x44'
for name in GAME.BAS game.dat game.txt GAME; do printf "$program" >"$files/$name"; done
for name in TITLE.SC7 title.dat title.png TITLE; do printf "$picture" >"$files/$name"; done
printf '10 SCREEN 5\r\n20 PRINT "HI"\r\n' >"$files/LISTING"
printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01' >"$files/photo.dat"
# A SCREEN 2 dump as BASIC saves it (16 KB from 0), a paint program's picture.
head -c 16384 /dev/zero | cat <(printf '\xfe\x00\x00\xff\x3f\x00\x00') - >"$files/LOGO.SC2"
printf "$picture" >"$files/DRAWING.SR5"
# A disk image's boot sector (512-byte sectors) and FAT, a cassette block header.
{ printf '\xeb\xfe\x90MSX_02  \x00\x02\x02\x01\x00\x02\x70\x00\xa0\x05\xf9\x03\x00'; head -c 488 /dev/zero
  printf '\xf9\xff\xff'; head -c 1533 /dev/zero; } >"$files/disk.dat"
cp "$files/disk.dat" "$files/GAMES.DSK"
printf '\x1f\xa6\xde\xba\xcc\x13\x7d\x74\xd3\xd3\xd3\xd3\xd3\xd3\xd3\xd3\xd3\xd3GAME  ' >"$files/tape.dat"
cp "$files/tape.dat" "$files/GAMES.CAS"
printf '\xff\xfeh\x00i\x00\r\x00\n\x00' >"$files/notes.dat"

expect_type() { # file type
  local got
  got=$(xdg-mime query filetype "$1" 2>&1) || true
  [ "$got" = "$2" ] || fail "xdg-mime query filetype $(basename "$1"): $got, expected $2"
}
echo "-- xdg-mime query filetype"
for name in GAME.BAS game.dat game.txt GAME; do expect_type "$files/$name" application/x-msx-basic; done
for name in TITLE.SC7 title.dat title.png TITLE; do expect_type "$files/$name" image/x-msx-bsave; done
expect_type "$files/LISTING" text/x-msx-basic
expect_type "$files/LOGO.SC2" image/x-msx-bsave
# This xdg-mime tries strong content rules before names, and a paint
# program's file is a BSAVE image by content: its parent type is as good.
# Desktops that go by the name first (Qt's and GLib's) give the paint type;
# the packaging tests check that through Qt.
paint=$(xdg-mime query filetype "$files/DRAWING.SR5" 2>&1) || true
case $paint in
  image/x-msx-paint | image/x-msx-bsave) ;;
  *) fail "xdg-mime query filetype DRAWING.SR5: $paint" ;;
esac
for name in disk.dat GAMES.DSK; do expect_type "$files/$name" application/x-msx-disk-image; done
for name in tape.dat GAMES.CAS; do expect_type "$files/$name" application/x-msx-cassette-image; done
expect_type "$files/photo.dat" image/jpeg
[ "$(xdg-mime query filetype "$files/notes.dat")" != application/x-msx-basic ] || fail "UTF-16 text taken for a program"

# Real programs and pictures, under their own names and under a name that
# says nothing (links, so nothing is copied).
corpus=${QUILLET_CORPUS_DIR:-$root/../shared/corpus}
if [ -d "$corpus/bas" ] && [ -d "$corpus/img" ]; then
  count=0
  for pair in bas:application/x-msx-basic img:image/x-msx-bsave; do
    folder=${pair%%:*} type=${pair#*:}
    for file in "$corpus/$folder"/*; do
      expect_type "$file" "$type"
      ln -s "$file" "$files/corpus-$count.dat"
      expect_type "$files/corpus-$count.dat" "$type"
      count=$((count + 1))
    done
  done
  echo "   $count corpus files"
else
  echo "   no corpus: real files not checked"
fi

echo "-- xdg-mime query default"
for type in application/x-msx-basic image/x-msx-bsave text/x-msx-basic image/x-msx-paint \
  application/x-msx-disk-image application/x-msx-cassette-image; do
  got=$(xdg-mime query default "$type" 2>&1) || true
  [ "$got" = quillet.desktop ] || fail "xdg-mime query default $type: '$got'"
done

echo "-- the thumbnailer entry"
thumbnailer="$share/thumbnailers/quillet.thumbnailer"
[ "$(head -n 1 "$thumbnailer")" = "[Thumbnailer Entry]" ] || fail "quillet.thumbnailer: no [Thumbnailer Entry] group"
try_exec=$(sed -n 's/^TryExec=//p' "$thumbnailer")
[ -x "$prefix/bin/$try_exec" ] || fail "quillet.thumbnailer: TryExec $try_exec is not installed"
grep -qx 'Exec=quillet-thumbnailer -s %s %i %o' "$thumbnailer" || fail "quillet.thumbnailer: Exec line"
thumbnail_types=$(sed -n 's/^MimeType=//p' "$thumbnailer" | tr ';' ' ')
[ -n "$thumbnail_types" ] || fail "quillet.thumbnailer: no MimeType"
for type in $thumbnail_types; do
  [ -f "$share/mime/$type.xml" ] || [ -f "/usr/share/mime/$type.xml" ] || fail "quillet.thumbnailer: unknown type $type"
done

echo "-- the installed programs"
for name in TITLE.SC7 LOGO.SC2 GAME.BAS; do
  if "$prefix/bin/quillet-thumbnailer" -s 128 "$files/$name" "$scratch/$name.png"; then
    [ "$(head -c 8 "$scratch/$name.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] \
      || fail "quillet-thumbnailer $name: no PNG written"
  else
    fail "quillet-thumbnailer $name failed"
  fi
done
if "$prefix/bin/quillet-thumbnailer" -s 128 "$files/LISTING" "$scratch/listing.png" 2>/dev/null \
  || [ -e "$scratch/listing.png" ]; then
  fail "quillet-thumbnailer made a thumbnail of a plain listing"
fi
listing=$("$prefix/bin/quillet-convert" "$files/game.dat" | od -An -c | tr -s ' ')
[ "$listing" = " 1 0 P R I N T \" H I \" \r \n" ] || fail "installed quillet-convert gave: $listing"
"$prefix/bin/quillet-convert" --help | grep -q '^usage: quillet-convert' || fail "installed quillet-convert --help"
# The viewer is started on a file and must still be running a moment later.
QT_QPA_PLATFORM=offscreen "$prefix/bin/quillet" "$files/GAME.BAS" >"$scratch/viewer.log" 2>&1 &
viewer_pid=$!
sleep 2
if kill -0 "$viewer_pid" 2>/dev/null; then
  kill "$viewer_pid"
  wait "$viewer_pid" 2>/dev/null || true
else
  wait "$viewer_pid" && status=0 || status=$?
  fail "the installed viewer ended early (status $status): $(cat "$scratch/viewer.log")"
fi
viewer_pid=""

if [ "$failures" -ne 0 ]; then
  echo "check-desktop: $failures failures"
  exit 1
fi
echo "check-desktop: all checks passed"
