#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Asks tumbler (Thunar's thumbnail service) for thumbnails over D-Bus, as a
# file manager does, from an install of the build into a scratch prefix: a
# private session bus (dbus-run-session) activates tumblerd, which finds
# quillet.thumbnailer under XDG_DATA_DIRS and runs the installed program.
# Both files must come back Ready, with their thumbnails in the cache.
# Skips (status 77) where tumbler or the D-Bus tools are missing.
# Usage: scripts/check-thumbnail-services.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

tumblerd=$(ls /usr/lib/*/tumbler-1/tumblerd /usr/lib/tumbler-1/tumblerd 2>/dev/null | head -n 1 || true)
for tool in dbus-run-session dbus-monitor gdbus update-mime-database md5sum; do
  command -v "$tool" >/dev/null || { echo "check-thumbnail-services: $tool is missing: skipped"; exit 77; }
done
[ -n "$tumblerd" ] || { echo "check-thumbnail-services: tumbler is not installed: skipped"; exit 77; }
[ -x "$build/quillet-thumbnailer" ] || { echo "check-thumbnail-services: build $build first" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
update-mime-database "$prefix/share/mime" >/dev/null 2>&1

# A session that sees the prefix and the system, and nothing of the user's.
export HOME="$scratch/home" XDG_CACHE_HOME="$scratch/home/.cache" XDG_CONFIG_HOME="$scratch/home/.config"
export XDG_DATA_HOME="$scratch/home/.local/share" XDG_DATA_DIRS="$prefix/share:/usr/share"
export PATH="$prefix/bin:/usr/bin:/bin" TMPDIR="$scratch/tmp"
unset XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$TMPDIR" "$scratch/files"
cp samples/sample.sc5 "$scratch/files/TITLE 1.SC5"
cp samples/sample.bas "$scratch/files/GAME.BAS"
picture="file://$scratch/files/TITLE%201.SC5"
program="file://$scratch/files/GAME.BAS"

# The monitor is on the bus before the request, so no signal is missed.
dbus-run-session -- bash -c '
  dbus-monitor --session "type=signal,interface=org.freedesktop.thumbnails.Thumbnailer1" >"$0/signals" 2>&1 &
  for _ in $(seq 1 50); do grep -q NameAcquired "$0/signals" && break; sleep 0.1; done
  gdbus call --session --dest org.freedesktop.thumbnails.Thumbnailer1 \
    --object-path /org/freedesktop/thumbnails/Thumbnailer1 \
    --method org.freedesktop.thumbnails.Thumbnailer1.Queue \
    "[\"$1\", \"$2\"]" "[\"image/x-msx-bsave\", \"application/x-msx-basic\"]" normal default "uint32 0" >/dev/null
  for _ in $(seq 1 150); do grep -q "member=Finished" "$0/signals" && exit 0; sleep 0.2; done
  echo "FAIL: tumbler did not finish within 30 s"
  exit 1
' "$scratch" "$picture" "$program" 2>"$scratch/session.log" || { cat "$scratch/signals" "$scratch/session.log"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
if grep -q "member=Error" "$scratch/signals"; then
  fail "tumbler reported an error:"$'\n'"$(grep -A 6 'member=Error' "$scratch/signals")"
fi
# The cache names a thumbnail after the MD5 of its file's URI; the PNG's
# header gives its size, at most 128 for the normal flavour.
for uri in "$picture" "$program"; do
  thumbnail="$XDG_CACHE_HOME/thumbnails/normal/$(printf '%s' "$uri" | md5sum | cut -c1-32).png"
  if [ ! -s "$thumbnail" ]; then
    fail "no thumbnail of $uri"
    continue
  fi
  [ "$(head -c 16 "$thumbnail" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a0000000d49484452 ] ||
    fail "the thumbnail of $uri is no PNG"
  width=$((16#$(od -An -tx1 -j 16 -N 4 "$thumbnail" | tr -d ' \n')))
  [ "$width" -eq 128 ] || fail "the thumbnail of $uri is $width pixels wide"
done
leftovers=$(ls -A "$TMPDIR")
[ -z "$leftovers" ] || fail "left in the temporary folder: $leftovers"

if [ "$failures" -ne 0 ]; then
  echo "check-thumbnail-services: $failures failures"
  exit 1
fi
echo "check-thumbnail-services: tumbler made both thumbnails"
