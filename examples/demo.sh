#!/usr/bin/env bash
# Runs velmora on the example files in a scratch copy and shows what each run wrote.
# usage: examples/demo.sh PATH-TO-VELMORA
set -eu
prog=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
demo=$(realpath -m "$(dirname "$prog")/demo")
rm -rf "$demo"
mkdir -p "$demo"

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

mkdir -p "$demo/batch" "$demo/harvest" "$demo/rewrite"
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
