#!/usr/bin/env bash
# Installs what is missing, builds Kuvora and runs the whole test suite.
#   ./test.sh             build into build/ and run every test
#   ./test.sh --sanitize  the same with AddressSanitizer and UBSan, in build-sanitize/
#   ./test.sh --fuzz SECONDS  builds the fuzz targets with libFuzzer (clang) in
#                         build-fuzz/ and runs each for SECONDS on a scratch copy
#                         of its corpus; fails when one finds a crash
#                         (further arguments name the targets to run)
# Further arguments go to ctest (for example -L slow, -R Suica).
set -euo pipefail
cd "$(dirname "$0")"
dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKUVORA_BUILD_TESTS=ON -DKUVORA_BUILD_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DKUVORA_SANITIZE=ON -DKUVORA_BUILD_TESTS=ON -DKUVORA_BUILD_BENCH=OFF)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
if [ "${1:-}" = "--fuzz" ]; then
  shift
  exec bash scripts/fuzz.sh "$@"
fi
bash scripts/setup.sh
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j2
cd "$dir"
ctest --output-on-failure -j2 --timeout 600 "$@"
