#!/usr/bin/env bash
# Installs what the build needs when it is missing (Debian packages): cmake, g++ and make for
# the program itself; with --tests also GoogleTest, which only the test programs use (so that
# `make demo` works without it), and libktoblzcheck, the second implementation of the account
# check methods that one test compares ours with, and python-stdnum, whose IBAN validation
# another test compares ours with; and every further package named on the command line.
#
# usage: tools/deps.sh [--tests] [PACKAGE...]
set -eu
tests=0
if [ "${1:-}" = --tests ]; then
  tests=1
  shift
fi
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
if [ $tests = 1 ] && [ ! -f /usr/include/gtest/gtest.h ]; then need+=(libgtest-dev); fi
if [ $tests = 1 ] && [ ! -f /usr/include/ktoblzcheck.h ]; then need+=(libktoblzcheck1-dev); fi
# The system's python3, which Debian's package serves (the first python3 in PATH may be another).
if [ $tests = 1 ] && ! /usr/bin/python3 -c 'import stdnum.iban' 2>/dev/null; then
  need+=(python3-stdnum)
fi
for pkg in "$@"; do need+=("$pkg"); done
[ ${#need[@]} = 0 ] && exit 0
if [ "$(id -u)" != 0 ]; then
  echo "missing: ${need[*]}; install them with: sudo apt-get install -y ${need[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}"
