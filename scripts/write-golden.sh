#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rewrites tests/data/golden.txt, the sizes and CRC-32s of what
# quillet-convert writes for the generated pictures and the sample listings.
# Run it after an intended change; the change then shows as one diff.
#   bash scripts/write-golden.sh [BUILD_DIR]
# Without BUILD_DIR it uses build/, configured as scripts/build.sh does if
# it is not yet.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$#" -gt 0 ]; then
    echo "write-golden.sh: $build is not a configured build tree" >&2
    exit 1
  fi
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target quillet-golden
manifest=tests/data/golden.txt
# Written beside the manifest first, so that a failed run leaves it whole.
"$build/quillet-golden" samples >"$manifest.new"
mv "$manifest.new" "$manifest"
echo "wrote $manifest"
