#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the viewer (with the fonts it finds
# beside itself; the translations and the help come with it), and opens it
# on a bundled sample (or on the files given). scripts/test.sh builds the
# rest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh --target quillet
if [ $# -eq 0 ]; then
  set -- samples/sample.bas
fi
exec build/quillet "$@"
