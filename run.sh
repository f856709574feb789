#!/usr/bin/env bash
# Installs what is missing, builds Kuvora into build/ and runs the main job.
# Arguments are passed to the main job instead of the defaults.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
exec bash scripts/main-job.sh "$@"
