#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a packager
# would: lintian without errors, the desktop entry and the AppStream metainfo
# valid, and the programs run from a scratch root the package is unpacked
# into (kuvora-cli reads a sample card image and finds its StationCode.db).
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: package-check.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/kuvora_*.deb)
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"
lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | grep -v "running with root privileges" || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || { echo "lintian found errors"; exit 1; }
root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/kuvora usr/bin/kuvora-cli usr/bin/kuvora-cli-full usr/bin/kuvora-stationdb usr/share/kuvora/StationCode.db \
         usr/share/man/man1/kuvora.1.gz usr/share/man/man1/kuvora-cli.1.gz usr/share/man/man1/kuvora-stationdb.1.gz \
         usr/share/doc/kuvora/copyright usr/share/mime/packages/kuvora.xml; do
  [ -e "$root/$f" ] || { echo "not in the package: $f"; exit 1; }
done
if file "$root/usr/bin/kuvora-cli" | grep -q "not stripped"; then echo "kuvora-cli is not stripped"; exit 1; fi
desktop-file-validate "$root/usr/share/applications/kuvora.desktop"
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
home="$work/home"
mkdir -p "$home"
out=$(env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
  "$root/usr/bin/kuvora-cli" read --reader "image:$root/usr/share/doc/kuvora/examples/suica-sample.json" 2>"$work/err") || {
  echo "the unpacked kuvora-cli failed:"; cat "$work/err"; exit 1; }
grep -q '"idm": "01010410C8192A3B"' <<<"$out" || { echo "unexpected output: $out"; exit 1; }
[ ! -s "$work/err" ] || { echo "the unpacked kuvora-cli showed messages:"; cat "$work/err"; exit 1; }
"$root/usr/bin/kuvora" --version
"$root/usr/bin/kuvora-cli" --version
echo "package ok"
