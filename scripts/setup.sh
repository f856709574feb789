#!/usr/bin/env bash
# Installs the Debian packages that Kuvora needs to build, run and test.
# Only what is missing is installed; apt-get runs as root (directly or via sudo).
#   scripts/setup.sh --run   what building and running the programs need (./run.sh)
#   scripts/setup.sh         that and what the test suite needs (./test.sh)
#   scripts/setup.sh --fuzz  that and clang with libFuzzer, for ./test.sh --fuzz
set -euo pipefail

# One list, in three parts: what building needs, what running needs, and
# what the tests, benchmarks and checks need.
BUILD=(
  # tool chain
  build-essential cmake ninja-build pkg-config
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-speech-dev qt6-declarative-dev
  # Qt's translation tools (lupdate, lrelease) and their CMake functions
  qt6-l10n-tools qt6-tools-dev
  libgl-dev libxkbcommon-dev libx11-dev
  libnfc-dev libsqlite3-dev nlohmann-json3-dev libmecab-dev
  libusb-1.0-0-dev libpcsclite-dev
)
RUN=(
  qt6-qpa-plugins qt6-wayland qt6-speech-speechd-plugin qt6-speech-flite-plugin qt6-translations-l10n
  libnfc-bin pcscd libccid
  # fonts with Japanese glyphs
  fonts-ipafont-gothic
  # the voice, and kana readings for voices that cannot read kanji
  speech-dispatcher speech-dispatcher-espeak-ng espeak-ng mecab mecab-naist-jdic
)
TEST=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3
  xvfb xauth x11-apps imagemagick dbus dbus-daemon dbus-bin libglib2.0-bin sox
  xclip xdotool
  # a headless Wayland compositor for the session tests
  weston
  python3 python3-xlrd desktop-file-utils
  # a virtual PC/SC reader for the pcscd tests
  vsmartcard-vpcd
  # a real office suite opens the exported workbooks (slow test); PDF pages to images
  libreoffice-calc-nogui poppler-utils
  # the Debian package and its checks
  dpkg-dev lintian appstream file
  # the bash completion files are tried in a real bash-completion
  bash-completion
)
PACKAGES=("${BUILD[@]}" "${RUN[@]}")
case "${1:-}" in
  --run) ;;
  --fuzz) PACKAGES+=("${TEST[@]}" clang-14 libclang-rt-14-dev) ;;  # clang with libFuzzer
  *) PACKAGES+=("${TEST[@]}") ;;
esac

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
