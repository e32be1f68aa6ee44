#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs lintian on the .deb: any error or warning fails, info tags are shown.
# Given a build tree, builds what is not built yet and makes the package
# there with cpack; given a .deb, checks that one.
# Usage: scripts/lint-deb.sh [BUILD_DIR | PACKAGE.deb]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-build}

if ! command -v lintian >/dev/null; then
  echo "lint-deb: lintian is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
case $target in
  *.deb) deb=$target ;;
  *)
    [ -f "$target/CMakeCache.txt" ] || { echo "lint-deb: $target is not a configured build tree" >&2; exit 1; }
    cmake --build "$target" --parallel "$(nproc)"
    rm -f "$target"/quillet_*.deb
    (cd "$target" && cpack -G DEB >cpack.log 2>&1) || { cat "$target/cpack.log"; exit 1; }
    deb=$(ls "$target"/quillet_*.deb)
    ;;
esac

echo "-- lintian $(basename "$deb")"
# Judged by the tags below, not by lintian's own exit status, which also
# covers info tags in some versions.
output=$(lintian --fail-on none --display-info "$deb" 2>&1) || {
  echo "lint-deb: lintian failed: $output" >&2
  exit 1
}
tags=$(grep -v '^running with root privileges' <<<"$output" || true)
[ -z "$tags" ] || echo "$tags" | sed 's/^/   /'
if grep -qE '^[EW]: ' <<<"$tags"; then
  echo "lint-deb: lintian reports errors or warnings: $(grep -cE '^[EW]: ' <<<"$tags")"
  exit 1
fi
echo "lint-deb: no lintian errors or warnings"
