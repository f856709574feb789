#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan in build-fuzz/
# and runs each for SECONDS against a scratch copy of its committed corpus
# (tests/fuzz/corpus/<target>/), which is never changed. New inputs found stay
# in the scratch folder; a crash is kept there as crash-* and fails the run.
#   scripts/fuzz.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
bash scripts/setup.sh --fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKUVORA_FUZZ=ON \
  -DKUVORA_BUILD_BENCH=OFF -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j2 --target fuzz_targets

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for d in tests/fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
scratch=build-fuzz/runs
failed=()
for t in "${targets[@]}"; do
  work="$scratch/$t"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp tests/fuzz/corpus/"$t"/* "$work/corpus/"
  echo "== fuzz_$t for ${seconds}s"
  if ! build-fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1; then
    failed+=("$t")
    echo "fuzz_$t found a crash: $(ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null | tr '\n' ' ')"
    echo "  log: $work/log"
  fi
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/log" | tail -1 || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Crashes found by: ${failed[*]}" >&2
  exit 1
fi
echo "No crash found."
