#!/usr/bin/env bash
# Installs what is missing, builds, and opens the viewer on a bundled sample
# (or on the files given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ $# -eq 0 ]; then
  set -- samples/sample.bas
fi
exec build/quillet "$@"
