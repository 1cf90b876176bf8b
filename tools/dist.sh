#!/usr/bin/env bash
# Builds the release packages into build/dist (make dist) and checks that each holds what it
# must (tools/check-packages.sh checks them further, as a user gets them):
#   velmora-VERSION-linux-x86_64.tar.gz  bin/velmora, bin/velmora-bic,
#                                        share/man/man1/velmora.1.gz,
#                                        share/doc/velmora/{copyright,changelog.gz,README.md,
#                                        anleitung.md,examples/}
#   velmora_VERSION_amd64.deb            the same below /usr
#   velmora-VERSION-win64.zip            velmora.exe, velmora-bic.exe, LIESMICH.txt,
#                                        LICENSE.txt, README.md, beispiel.bat, beispiel/
# The Linux packages come from the release build, the zip from the cross build that the
# Windows tests run (build/windows). The version of project() must also be the one the README,
# the changelog and the manual page name.
set -euo pipefail
cd "$(dirname "$0")/.."
dist=build/dist

need=()
command -v x86_64-w64-mingw32-g++-posix > /dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v dpkg-shlibdeps > /dev/null || need+=(dpkg-dev) # the .deb's Depends line
command -v file > /dev/null || need+=(file)               # CPack finds the binaries with it
command -v lintian > /dev/null || need+=(lintian)         # the .deb must have no errors
if [ ${#need[@]} != 0 ]; then tools/deps.sh "${need[@]}"; fi

version=$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
grep -q "velmora $version" README.md ||
  { echo "dist: README.md does not name the version (velmora $version)"; exit 1; }
head -1 doc/changelog | grep -q "^velmora ($version) " ||
  { echo "dist: the newest entry of doc/changelog is not velmora $version"; exit 1; }
for page in doc/velmora.1 doc/velmora-bic.1; do
  grep -q "^\.TH VELMORA[-A-Z]* 1 .*\"velmora $version\"" $page ||
    { echo "dist: $page does not name the version (velmora $version)"; exit 1; }
done

make --no-print-directory build windows
rm -rf "$dist"
cpack --config build/release/CPackConfig.cmake -B "$dist" > /dev/null
cpack --config build/windows/CPackConfig.cmake -B "$dist" > /dev/null
rm -rf "$dist/_CPack_Packages"

tgz=$dist/velmora-$version-linux-x86_64.tar.gz
deb=$dist/velmora_${version}_amd64.deb
zip=$dist/velmora-$version-win64.zip
fail=0
# has LISTING ENTRY...: each entry must be a line of the listing
has() {
  local listing=$1 entry
  shift
  for entry in "$@"; do
    grep -qxF "$entry" <<< "$listing" || { echo "dist: $entry missing"; fail=1; }
  done
}
doc=share/doc/velmora
has "$(tar tzf "$tgz" | sed "s|^velmora-$version-linux-x86_64/||")" bin/velmora bin/velmora-bic \
  share/man/man1/velmora.1.gz share/man/man1/velmora-bic.1.gz $doc/copyright $doc/changelog.gz \
  $doc/README.md $doc/anleitung.md \
  $doc/examples/ $doc/examples/demo.sh
has "$(dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||')" usr/bin/velmora \
  usr/bin/velmora-bic usr/share/man/man1/velmora.1.gz usr/$doc/copyright usr/$doc/changelog.gz \
  usr/$doc/README.md usr/$doc/anleitung.md usr/$doc/examples/demo.sh
has "$(cmake -E tar tf "$zip" | sed "s|^velmora-$version-win64/||")" velmora.exe velmora-bic.exe \
  LIESMICH.txt LICENSE.txt README.md beispiel.bat beispiel/konten.csv beispiel/zahlung.xml \
  beispiel/BIC.csv
echo "dist: .deb depends on: $(dpkg-deb -f "$deb" Depends)"
# lintian's own note about running as root is no finding.
lint=0
lintian --fail-on error "$deb" > "$dist/lintian.txt" 2>&1 || lint=$?
grep -v '^running with root privileges' "$dist/lintian.txt" || true
rm "$dist/lintian.txt"
[ $lint = 0 ] || { echo "dist: lintian finds errors in the .deb"; fail=1; }
ls -l "$tgz" "$deb" "$zip"
exit $fail
