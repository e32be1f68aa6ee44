#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building, running and testing need,
# skipping those already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # the image plugin is also built and tested for Qt 5, which the image viewers link
  qtbase5-dev
  # the English interface is compiled at build time; Qt's own Japanese texts
  qt6-l10n-tools qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  # archives (ZIP, LZH, 7z, gzip, tar) are read through libarchive; the
  # disk image tests check the reader against mtools
  libarchive-dev mtools
  # pictures are written as PNG by libpng
  libpng-dev
  clang libclang-rt-dev clang-format
  fonts-unifont
  # the Japanese interface's font, which the viewer prefers (the package depends on it)
  fonts-ipafont-gothic
  # the MSX fonts: glyphs from the C-BIOS ROMs, drawn as TrueType by fontTools
  cbios python3-fonttools
  xvfb xauth poppler-utils
  # thumbnails asked of tumbler over D-Bus in a private session bus
  tumbler dbus-daemon dbus-bin libglib2.0-bin
  # desktop integration checks: validators, MIME and desktop databases,
  # xdg-mime with its freedesktop MIME back end, man page rendering
  desktop-file-utils libxml2-utils shared-mime-info xdg-utils libfile-mimeinfo-perl
  groff-base man-db
  # the AppStream metainfo is validated by appstreamcli, the .deb by lintian
  appstream lintian
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
