#!/usr/bin/env bash
# Runs velmora on copies of the example files and shows what each run wrote: a batch, a
# harvest and a rewrite with mode 5, each in a folder of its own.
#
# usage: demo.sh [PROGRAM [DIRECTORY]]
#   PROGRAM    the velmora program (default: velmora as found on the PATH)
#   DIRECTORY  where the copies go: a new or empty folder, created when missing (default: a
#              fresh temporary folder). Nothing is written anywhere else: not beside this
#              script, not beside the program, and nothing is ever deleted.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
prog=${1:-velmora}
if [ "${prog#*/}" = "$prog" ]; then
  prog=$(command -v "$prog") || { echo "demo: no program named ${1:-velmora} on the PATH" >&2; exit 1; }
fi
prog=$(realpath "$prog")
if [ $# -ge 2 ]; then
  demo=$2
  if [ -e "$demo" ] && { [ ! -d "$demo" ] || [ -n "$(ls -A "$demo")" ]; }; then
    echo "demo: $demo exists and is not an empty folder; name a new one" >&2
    exit 1
  fi
  mkdir -p "$demo"
  demo=$(realpath "$demo")
else
  demo=$(mktemp -d "${TMPDIR:-/tmp}/velmora-demo.XXXXXX")
fi

show() {
  for f in "$@"; do
    echo "----- $f"
    if [ -f "$f" ]; then tr -d '\r' < "$f"; else echo "(not written)"; fi
  done
  echo
}

# The box texts go to standard error on this platform; show them too.
step() {
  local dir=$1; shift
  echo "===== $dir: velmora $*"
  (cd "$demo/$dir" && "$prog" "$@" 2>&1; echo "(exit status $?)") | tr -d '\r'
  echo
}

mkdir "$demo/batch" "$demo/harvest" "$demo/rewrite"
cp "$here/data.csv" "$here/BIC.csv" "$demo/batch/"
step batch data.csv
(cd "$demo/batch" && show data.csv BIC.csv data.csv.out)

cp "$here/data.csv" "$here/BIC.csv" "$here/payment.xml" "$demo/harvest/"
step harvest data.csv payment.xml
(cd "$demo/harvest" && show data.csv BIC.csv data.csv.out)

cp "$here/data.csv" "$here/BIC.csv" "$here/payment.xml" "$demo/rewrite/"
step rewrite data.csv payment.xml 5
(cd "$demo/rewrite" && show data.csv.out payment.xml.out.xml)
echo "All demo files are in $demo"
