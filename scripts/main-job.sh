#!/usr/bin/env bash
# The main job: the window program on the bundled sample card, read at once,
# when a display is there; the history as a table in the terminal otherwise.
# It runs in a demo home under build/ that holds the sample station names, so
# your own settings and history are left alone. Arguments, when given, go to
# kuvora-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
  exec build/bin/kuvora-cli "$@"
fi
demo="$PWD/build/demo-home"
mkdir -p "$demo/config" "$demo/data"
export XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data"
build/bin/kuvora-stationdb import data/stationcode/sample/*.csv >/dev/null
sample="image:$PWD/data/cards/suica-sample.json"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/kuvora --reader "$sample" --read
fi
exec build/bin/kuvora-cli read --reader "$sample" --format table
