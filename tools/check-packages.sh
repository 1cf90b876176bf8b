#!/usr/bin/env bash
# Checks the release packages that `make dist` left in build/dist, as a user gets them:
#   - each package holds the licence, the guide and (Linux) the manual page, and the README;
#   - the manual page renders without a warning (groff -ww and man --warnings);
#   - the texts of the zip have CR LF line ends, the guide a UTF-8 byte order mark;
#   - the demo, run from each unpacked Linux package, writes nothing into the package, and
#     refuses a folder that is not empty;
#   - lintian finds no error in the .deb (its other findings are shown).
# Runs after `make dist` in CI (.ci/run). Installs lintian when it is missing.
#
# usage: tools/check-packages.sh [DIST-DIRECTORY]      (default build/dist)
set -euo pipefail
cd "$(dirname "$0")/.."
dist=$(realpath "${1:-build/dist}")
version=$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
tgz=$dist/velmora-$version-linux-x86_64.tar.gz
deb=$dist/velmora_${version}_amd64.deb
zip=$dist/velmora-$version-win64.zip

need=()
command -v lintian > /dev/null || need+=(lintian)
command -v groff > /dev/null || need+=(groff-base)
command -v man > /dev/null || need+=(man-db)
if [ ${#need[@]} != 0 ]; then tools/deps.sh "${need[@]}"; fi

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FAIL $*"; fail=1; }

# present PACKAGE ROOT FILE...: each file must be in the unpacked package, and not empty.
present() {
  local package=$1 root=$2 f
  shift 2
  for f in "$@"; do
    [ -s "$root/$f" ] || problem "$package: $f missing or empty"
  done
}

# licence PACKAGE FILE: the MIT licence of the velmora authors.
licence() {
  grep -q 'Copyright.* the velmora authors' "$2" && grep -q 'Permission is hereby granted' "$2" ||
    problem "$1: $2 does not hold the licence"
}

# manpage PACKAGE FILE.gz: renders without a warning, in groff's strictest mode and as man
# shows it, and names the version.
manpage() {
  local package=$1 page=$2 out
  out=$(zcat "$page" | groff -ww -man -z 2>&1) || problem "$package: groff failed on the manual page"
  [ -z "$out" ] || problem "$package: groff warns about the manual page: $out"
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 > /dev/null) ||
    problem "$package: man failed on the manual page"
  [ -z "$out" ] || problem "$package: man warns about the manual page: $out"
  zgrep -q "^\.TH VELMORA[-A-Z]* 1 .*\"velmora $version\"" "$page" ||
    problem "$package: the manual page does not name velmora $version"
}

# snapshot DIR: every file and folder below DIR with its mode, size and checksum.
snapshot() {
  (cd "$1" && find . -printf '%y %m %s %p\n' | LC_ALL=C sort &&
    find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum)
}

# demo PACKAGE ROOT DEMO PROGRAM: the demo run from inside the unpacked package, with and
# without a folder of its own, and once given the package itself as its folder: the package
# must stay exactly as it was.
demo() {
  local package=$1 root=$2 script=$3 program=$4 before log
  before=$(snapshot "$root")
  log=$work/demo.log
  (cd "$root" && TMPDIR=$work "$script" "$program" > "$log" 2>&1) ||
    { problem "$package: the demo failed"; tail -5 "$log"; }
  grep -q '^All demo files are in '"$work"'/velmora-demo\.' "$log" ||
    problem "$package: the demo did not work in a fresh temporary folder"
  grep -q '"1";"AT";"19043";"00234573201";"AT611904300234573201";"EXMPATWW";"10"' "$log" ||
    problem "$package: the demo did not show the example's result"
  (cd "$(dirname "$root/$script")" && "./$(basename "$script")" "$root/$program" "$work/$package-demo" \
    > "$log" 2>&1) || problem "$package: the demo failed with a folder of its own"
  [ -f "$work/$package-demo/rewrite/payment.xml.out.xml" ] ||
    problem "$package: the demo wrote nothing into the folder it was given"
  if (cd "$root" && "$script" "$program" . > "$log" 2>&1); then
    problem "$package: the demo wrote into a folder that was not empty"
  fi
  [ "$(snapshot "$root")" = "$before" ] || problem "$package: the demo changed the package"
}

echo "== $(basename "$tgz")"
mkdir "$work/tgz"
tar xzf "$tgz" -C "$work/tgz"
root=$work/tgz/velmora-$version-linux-x86_64
doc=share/doc/velmora
present tgz "$root" bin/velmora bin/velmora-bic share/man/man1/velmora.1.gz \
  share/man/man1/velmora-bic.1.gz $doc/copyright $doc/changelog.gz \
  $doc/README.md $doc/anleitung.md $doc/examples/demo.sh
licence tgz "$root/$doc/copyright"
manpage tgz "$root/share/man/man1/velmora.1.gz"
manpage tgz "$root/share/man/man1/velmora-bic.1.gz"
demo tgz "$root" $doc/examples/demo.sh bin/velmora

echo "== $(basename "$deb")"
mkdir "$work/deb"
dpkg-deb -x "$deb" "$work/deb"
root=$work/deb
doc=usr/share/doc/velmora
present deb "$root" usr/bin/velmora usr/bin/velmora-bic usr/share/man/man1/velmora.1.gz \
  usr/share/man/man1/velmora-bic.1.gz $doc/copyright \
  $doc/changelog.gz $doc/README.md $doc/anleitung.md $doc/examples/demo.sh
licence deb "$root/$doc/copyright"
manpage deb "$root/usr/share/man/man1/velmora.1.gz"
manpage deb "$root/usr/share/man/man1/velmora-bic.1.gz"
demo deb "$root" $doc/examples/demo.sh usr/bin/velmora
for field in Maintainer Homepage Description; do
  value=$(dpkg-deb -f "$deb" "$field")
  [ -n "$value" ] || problem "deb: no $field"
  echo "  $field: $(head -1 <<< "$value")"
done
dpkg-deb -f "$deb" Maintainer | grep -q localhost && problem "deb: the maintainer is on localhost"
# lintian's own note about running as root is no finding.
lint=$(lintian --display-info "$deb" 2>&1 | grep -v '^running with root privileges' || true)
echo "  lintian:"
sed 's/^/    /' <<< "${lint:-no findings}"
grep -q '^E:' <<< "$lint" && problem "deb: lintian reports errors"

echo "== $(basename "$zip")"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
root=$work/zip/velmora-$version-win64
present zip "$root" velmora.exe LIESMICH.txt LICENSE.txt README.md beispiel.bat \
  beispiel/konten.csv beispiel/zahlung.xml beispiel/BIC.csv
licence zip "$root/LICENSE.txt"
for text in LIESMICH.txt LICENSE.txt beispiel.bat; do
  # Every line ends with CR LF: no LF without its CR, no CR without its LF.
  if [ "$(tr -cd '\n' < "$root/$text" | wc -c)" != "$(grep -c $'\r$' "$root/$text")" ] ||
    [ "$(tr -cd '\r' < "$root/$text" | wc -c)" != "$(tr -cd '\n' < "$root/$text" | wc -c)" ]; then
    problem "zip: $text does not have CR LF line ends throughout"
  fi
done
[ "$(head -c 3 "$root/LIESMICH.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
  problem "zip: LIESMICH.txt does not begin with a UTF-8 byte order mark"
cmp -s <(tail -c +4 "$root/LIESMICH.txt" | tr -d '\r') doc/anleitung.md ||
  problem "zip: LIESMICH.txt is not doc/anleitung.md"

[ $fail = 0 ] && echo "packages: licence, guide, manual page, demo and lintian checked"
exit $fail
