#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a packager
# would: lintian --pedantic without warnings or hardening tags, Depends
# naming each package once, Recommends naming the Wayland plugin, the desktop entry and the AppStream metainfo
# valid, the documents compressed as policy asks with no broken link among
# them, the user guide and the completions in place, and the programs run
# from a scratch root the package is unpacked into (kuvora-cli reads a
# sample card image and finds its StationCode.db).
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: package-check.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/kuvora_*.deb)
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"
lintian --pedantic -I --tag-display-limit 0 "$deb" 2>&1 | grep -v "running with root privileges" >"$work/lintian" || true
cat "$work/lintian"
lintian --fail-on warning "$deb" >/dev/null 2>&1 || { echo "lintian found warnings or errors"; exit 1; }
if grep -q "hardening" "$work/lintian"; then echo "lintian found hardening tags"; exit 1; fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
twice=$(tr ',' '\n' <<<"$depends" | sed -E 's/^ *//; s/[ (].*//' | sort | uniq -d)
[ -z "$twice" ] || { echo "Depends names a package twice: $twice"; exit 1; }
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Recommends: $recommends"
grep -qE '(^|, )qt6-wayland(,|$)' <<<"$recommends" || { echo "Recommends does not name qt6-wayland"; exit 1; }
root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/kuvora usr/bin/kuvora-cli usr/bin/kuvora-cli-full usr/bin/kuvora-stationdb usr/share/kuvora/StationCode.db \
         usr/share/man/man1/kuvora.1.gz usr/share/man/man1/kuvora-cli.1.gz usr/share/man/man1/kuvora-stationdb.1.gz \
         usr/share/doc/kuvora/copyright usr/share/mime/packages/kuvora.xml \
         usr/share/kuvora/guide/ja/index.md usr/share/kuvora/guide/en/index.md usr/share/kuvora/guide/images/main-window.png \
         usr/share/kuvora/translations/kuvora_en.qm \
         usr/share/bash-completion/completions/kuvora-cli usr/share/bash-completion/completions/kuvora-stationdb; do
  [ -e "$root/$f" ] || { echo "not in the package: $f"; exit 1; }
done
if file "$root/usr/bin/kuvora-cli" | grep -q "not stripped"; then echo "kuvora-cli is not stripped"; exit 1; fi
# Documents: none above 4 kB left uncompressed (the sample card images are
# inputs for the programs and stay as they are), and every relative link of
# the documents and of the guide reaches a file of the package.
doc="$root/usr/share/doc/kuvora"
big=$(find "$doc" -path "$doc/examples" -prune -o -type f -size +4k ! -name '*.gz' ! -name '*.png' ! -name copyright -print)
[ -z "$big" ] || { echo "uncompressed documents above 4 kB: $big"; exit 1; }
while IFS= read -r -d '' page; do
  dir=$(dirname "$page")
  case "$page" in *.gz) text=$(zcat "$page") ;; *) text=$(cat "$page") ;; esac
  while IFS= read -r link; do
    [ -n "$link" ] || continue
    [ -e "$dir/$link" ] || { echo "broken link in ${page#"$root"}: $link"; exit 1; }
  done < <(grep -oE '\]\([^)#]+' <<<"$text" | sed 's/^](//' | grep -vE '^(https?|mailto):' || true)
done < <(find "$doc" "$root/usr/share/kuvora/guide" \( -name '*.md' -o -name '*.md.gz' \) -print0)
desktop-file-validate "$root/usr/share/applications/kuvora.desktop"
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
home="$work/home"
mkdir -p "$home"
# The first steps of the guide: the samples' made-up names, then a sample card.
env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
  "$root/usr/bin/kuvora-stationdb" import "$root"/usr/share/doc/kuvora/examples/names/*.csv >/dev/null ||
  { echo "the sample names did not import"; exit 1; }
out=$(env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
  "$root/usr/bin/kuvora-cli" read --reader "image:$root/usr/share/doc/kuvora/examples/suica-sample.json" 2>"$work/err") || {
  echo "the unpacked kuvora-cli failed:"; cat "$work/err"; exit 1; }
grep -q '"idm": "01010410C8192A3B"' <<<"$out" || { echo "unexpected output: $out"; exit 1; }
grep -q '見本中央' <<<"$out" || { echo "the sample names are not shown: $out"; exit 1; }
[ ! -s "$work/err" ] || { echo "the unpacked kuvora-cli showed messages:"; cat "$work/err"; exit 1; }
# The installed program finds its English catalogue.
table=$(env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" LANG=en_US.UTF-8 \
  "$root/usr/bin/kuvora-cli" read --format table --reader "image:$root/usr/share/doc/kuvora/examples/suica-sample.json")
grep -q '^Card type' <<<"$table" || { echo "the unpacked kuvora-cli's table is not in English: $table"; exit 1; }
"$root/usr/bin/kuvora" --version
"$root/usr/bin/kuvora-cli" --version
echo "package ok"
