#!/usr/bin/env bash
# The main job: read the card on the reader and show its history. Without a
# reader named it reads the bundled sample card, in a demo home under build/
# that holds the sample station names, so your own home is left alone.
# Arguments, when given, go to kuvora-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
  exec build/bin/kuvora-cli "$@"
fi
demo="$PWD/build/demo-home"
mkdir -p "$demo/config" "$demo/data"
export XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data"
build/bin/kuvora-stationdb import data/stationcode/sample/*.csv >/dev/null
exec build/bin/kuvora-cli read --reader "image:$PWD/data/cards/suica-sample.json" --format table
