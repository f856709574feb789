#!/usr/bin/env bash
# The main job: the IDm of the card on the reader, on the bundled sample
# card when no reader is named.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
  exec build/bin/kuvora-cli "$@"
fi
exec build/bin/kuvora-cli idm --reader "image:$PWD/data/cards/suica-sample.json"
