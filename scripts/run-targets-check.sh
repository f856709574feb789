#!/usr/bin/env bash
# Checks that ./run.sh builds no test or benchmark: configures a scratch build
# folder with run.sh's own cmake options and lists every command its targets
# need.
#   scripts/run-targets-check.sh SCRATCH_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=${1:?usage: run-targets-check.sh SCRATCH_DIR}
configure=$(grep -E '^cmake -S \. -B build ' run.sh | sed -e 's/ >\/dev\/null$//' -e "s| -B build | -B $scratch |")
build=$(grep -E '^cmake --build build ' run.sh)
targets=${build#*--target }
rm -rf "$scratch"
eval "$configure" >/dev/null
commands=$(ninja -C "$scratch" -t commands $targets)
src=$PWD
if grep -E -e 'gtest|lbenchmark' -e "$src/tests/|$src/bench/" <<<"$commands" | head -5 | grep .; then
  echo "run.sh builds tests or benchmarks (above)"
  exit 1
fi
echo "run.sh builds $(wc -l <<<"$commands") commands for: $targets"
rm -rf "$scratch"
