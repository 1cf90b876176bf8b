#!/usr/bin/env bash
# Builds the release packages into build/dist (make dist) and checks what they hold:
#   velmora-VERSION-linux-x86_64.tar.gz  bin/velmora, bin/velmora-bic,
#                                        share/doc/velmora/{README.md,examples/}
#   velmora_VERSION_amd64.deb            /usr/bin/velmora, /usr/bin/velmora-bic, the same documents
#   velmora-VERSION-win64.zip            velmora.exe, velmora-bic.exe, README.md, examples/
# The Linux packages come from the release build, the zip from the cross build that the
# Windows tests run (build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
dist=build/dist

need=()
command -v x86_64-w64-mingw32-g++-posix > /dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v dpkg-shlibdeps > /dev/null || need+=(dpkg-dev) # the .deb's Depends line
command -v file > /dev/null || need+=(file)               # CPack finds the binaries with it
if [ ${#need[@]} != 0 ]; then tools/deps.sh "${need[@]}"; fi

version=$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
grep -q "velmora $version" README.md ||
  { echo "dist: README.md does not name the version (velmora $version)"; exit 1; }

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
has "$(tar tzf "$tgz")" "velmora-$version-linux-x86_64/bin/velmora" \
  "velmora-$version-linux-x86_64/bin/velmora-bic" \
  "velmora-$version-linux-x86_64/share/doc/velmora/README.md" \
  "velmora-$version-linux-x86_64/share/doc/velmora/examples/"
has "$(dpkg-deb -c "$deb" | awk '{ print $NF }')" ./usr/bin/velmora ./usr/bin/velmora-bic \
  ./usr/share/doc/velmora/README.md
has "$(cmake -E tar tf "$zip")" "velmora-$version-win64/velmora.exe" \
  "velmora-$version-win64/velmora-bic.exe" \
  "velmora-$version-win64/README.md" "velmora-$version-win64/examples/"
echo "dist: .deb depends on: $(dpkg-deb -f "$deb" Depends)"
ls -l "$tgz" "$deb" "$zip"
exit $fail
