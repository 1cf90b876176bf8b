#!/usr/bin/env bash
# Installs what the build and the tests need when it is missing (Debian packages).
set -eu
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
for pkg in "$@"; do need+=("$pkg"); done
[ ${#need[@]} = 0 ] && exit 0
if [ "$(id -u)" != 0 ]; then
  echo "missing: ${need[*]}; install them with: sudo apt-get install -y ${need[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}"
