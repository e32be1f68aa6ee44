#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs every test: the unit and widget
# tests, the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, every fuzz target for a bounded time, and each
# benchmark once as a smoke run; then the desktop integration and lintian
# on the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export QT_QPA_PLATFORM=offscreen
# 8 s a target keeps the whole run of some twenty targets, with the builds
# and the sanitizer run, inside CI's 20 minutes on two cores; longer runs
# are for QUILLET_FUZZ_SECONDS.
fuzz_seconds=${QUILLET_FUZZ_SECONDS:-8}
jobs=$(nproc)

bash scripts/install-deps.sh

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

# Each phase says how long the run had taken when it began, so a slow
# phase shows in the CI log.
phase() { echo "== $* (at ${SECONDS}s)"; }

phase "formatting (.clang-format) and licence tags"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
bash scripts/add-spdx.sh --check

phase "build and unit tests"
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$jobs"

phase "core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE=ON \
  -DQUILLET_BUILD_GUI=OFF -DQUILLET_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs"

phase "fuzz targets, ${fuzz_seconds}s each"
# With the Qt libraries, for the targets of the plugin, the thumbnailer and
# the settings; only the targets are built.
CC=clang CXX=clang++ cmake -S . -B build-fuzz "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_SANITIZE=ON -DQUILLET_BUILD_GUI=ON -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF \
  -DQUILLET_BUILD_FONTS=OFF -DQUILLET_BUILD_QT5_PLUGIN=OFF >/dev/null
cmake --build build-fuzz --parallel "$jobs" --target quillet_fuzzers
mkdir -p build-fuzz/artifacts
# One target: its log is printed when it finds a failure.
run_fuzzer() {
  local target=$1 name corpus log
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  local seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds+=("fuzz/seeds/$name")
  # Inputs that once broke the target start every run; libFuzzer writes only
  # to the first folder, so these stay as they are.
  [ -d "tests/crashers/$name" ] && seeds+=("tests/crashers/$name")
  log="build-fuzz/$name.log"
  if ! LSAN_OPTIONS=suppressions="$root/fuzz/lsan-suppressions.txt" \
    "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$root/build-fuzz/artifacts/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$name found a failure"
    return 1
  fi
  echo "-- $name: $(grep -E '^stat::number_of_executed_units' "$log" || echo done)"
}
# As many targets at once as there are processors.
fuzz_failed=0
running=0
for target in build-fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue # not the folders Qt's code generation makes
  case $(basename "$target") in *_replay) continue ;; esac # the plain-main replays of a build with tests
  run_fuzzer "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || fuzz_failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || fuzz_failed=1
  running=$((running - 1))
done
[ "$fuzz_failed" = 0 ] || exit 1

phase "benchmarks, one short run each"
for bench in build/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  "$bench" --benchmark_min_time=0.01 >/dev/null
done

phase "desktop files and the package"
bash scripts/check-desktop.sh build
bash scripts/lint-deb.sh build
echo "== all tests passed in ${SECONDS}s"
