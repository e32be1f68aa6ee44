#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into build/ (the viewer and quillet-convert land
# at build/quillet and build/quillet-convert).
# Usage: scripts/build.sh [--target NAME]... [CMAKE_CONFIGURE_ARGUMENT...]
#   --target  builds only NAME (and what it needs); every target without it
set -euo pipefail
cd "$(dirname "$0")/.."
targets=()
while [ $# -ge 2 ] && [ "$1" = --target ]; do
  targets+=(--target "$2")
  shift 2
done
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build build --parallel "$(nproc)" "${targets[@]}"
