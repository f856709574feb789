#!/usr/bin/env bash
# Installs the Debian packages that Kuvora needs to build, run and test.
# Only what is missing is installed; apt-get runs as root (directly or via sudo).
#   scripts/setup.sh         what the build and the test suite need
#   scripts/setup.sh --fuzz  that and clang with libFuzzer, for ./test.sh --fuzz
set -euo pipefail

PACKAGES=(
  # tool chain
  build-essential cmake ninja-build pkg-config
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev
  qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin qt6-speech-flite-plugin
  libgl-dev libxkbcommon-dev libx11-dev
  libnfc-dev libnfc-bin libsqlite3-dev sqlite3 nlohmann-json3-dev
  # fonts with Japanese glyphs
  fonts-ipafont-gothic
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth x11-apps imagemagick dbus dbus-daemon dbus-bin libglib2.0-bin
  xclip xdotool
  speech-dispatcher speech-dispatcher-espeak-ng espeak-ng sox
  # kana readings for voices that cannot read kanji
  mecab libmecab-dev mecab-naist-jdic
  python3 python3-xlrd desktop-file-utils
  # a real office suite opens the exported workbooks (slow test); PDF pages to images
  libreoffice-calc-nogui poppler-utils
)
# Fuzzing: clang and its libFuzzer and sanitizer runtimes.
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "These Debian packages are missing and this user cannot install them: ${missing[*]}" >&2
  echo "Run as root: apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
