#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's plain build uses CMake's default generator, Make, which
# unlike Ninja makes no folder for a custom command's output. Configures a
# scratch Make build and runs the steps that write into folders of their
# own (the compiled translation and the resources that carry it).
# Usage: scripts/check-makefile-build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
command -v make >/dev/null || { echo "check-makefile-build: make is missing: skipped"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if ! cmake -S . -B "$scratch" -G "Unix Makefiles" -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF \
    -DQUILLET_BUILD_FONTS=OFF -DQUILLET_BUILD_QT5_PLUGIN=OFF >"$scratch.log" 2>&1; then
  cat "$scratch.log"; rm -f "$scratch.log"; exit 1
fi
rm -f "$scratch.log"
mapfile -t targets < <(make -C "$scratch" help | grep -o 'quillet_ui_resources_[0-9]*$' | sort -u)
[ ${#targets[@]} -gt 0 ] || { echo "check-makefile-build: no resource targets of the viewer"; exit 1; }
make -C "$scratch" --no-print-directory "${targets[@]}" >/dev/null
echo "check-makefile-build: the viewer's generated resources build with Make"
