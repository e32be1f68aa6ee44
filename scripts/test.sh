#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and widget
# tests, the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, every fuzz target for a bounded time, and each
# benchmark once as a smoke run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export QT_QPA_PLATFORM=offscreen
fuzz_seconds=${QUILLET_FUZZ_SECONDS:-60}
jobs=$(nproc)

bash scripts/install-deps.sh

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

echo "== formatting (.clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

echo "== build and unit tests"
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$jobs"

echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE=ON \
  -DQUILLET_BUILD_GUI=OFF -DQUILLET_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs"

echo "== fuzz targets, ${fuzz_seconds}s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_SANITIZE=ON -DQUILLET_BUILD_GUI=OFF -DQUILLET_BUILD_TESTS=OFF \
  -DQUILLET_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --parallel "$jobs"
mkdir -p build-fuzz/artifacts
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  case $name in *_replay) continue ;; esac # the plain-main replays of a build with tests
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds+=("fuzz/seeds/$name")
  # Inputs that once broke the target start every run; libFuzzer writes only
  # to the first folder, so these stay as they are.
  [ -d "tests/crashers/$name" ] && seeds+=("tests/crashers/$name")
  echo "-- $name"
  log="build-fuzz/$name.log"
  if ! "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$root/build-fuzz/artifacts/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$name found a failure"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done

echo "== benchmarks, one short run each"
for bench in build/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  "$bench" --benchmark_min_time=0.01 >/dev/null
done

bash scripts/check-desktop.sh build
echo "== all tests passed"
