#!/usr/bin/env bash
# Installs what is missing, builds Kuvora into build/ and runs the main job.
# Arguments are passed to the main job instead of the defaults.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh --run
# Only what the main job needs: the programs, StationCode.db and the guide (./test.sh
# builds the tests and benchmarks in the same folder).
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKUVORA_BUILD_TESTS=OFF -DKUVORA_BUILD_BENCH=OFF >/dev/null
cmake --build build -j2 --target kuvora kuvora-cli kuvora-cli-full kuvora-stationdb stationcode_db kuvora_guide
exec bash scripts/main-job.sh "$@"
