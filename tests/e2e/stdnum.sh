#!/usr/bin/env bash
# IBANs of every country of SWIFT's IBAN Registry (SHARED-DIR/iban/IBAN_Registry.txt), judged
# by velmora and by python-stdnum (Debian's python3-stdnum, which tools/deps.sh --tests
# installs): examples, random BBANs, changed, swapped, added and dropped characters, letters
# in digit places and the reverse, lower-case and spaced forms, territory codes, in one batch
# of IBAN-only records. Each result code must answer stdnum's verdict, or be a disagreement
# that stdnum_iban.py lists with its reason; a listed one that no longer occurs fails too.
# stdnum_iban.py tells the kinds of IBAN and the verdicts.
#
# Exit status 1 on any failure; 77 when no python3 with stdnum or no registry is there.
#
# usage: stdnum.sh PROGRAM SHARED-DIR
set -u
[ $# = 2 ] || { echo "usage: stdnum.sh PROGRAM SHARED-DIR"; exit 2; }
prog=$(realpath "$1")
registry=$2/iban/IBAN_Registry.txt
helper=$(dirname "$(realpath "$0")")/stdnum_iban.py
[ -f "$registry" ] || { echo "stdnum: skipped, no $registry"; exit 77; }
[ -f "$prog" ] || { echo "stdnum: no program $1"; exit 1; }
# The python3 first in PATH may be another than the system's, without Debian's packages.
python=
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import stdnum.iban' 2> /dev/null; then
    python=$candidate
    break
  fi
done
if [ -z "$python" ]; then
  echo "stdnum: skipped, no python3 with stdnum (install python3-stdnum)"
  exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-stdnum.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
"$python" "$helper" generate "$registry" "$scratch" || exit 1
status=0
(cd "$scratch" && "$prog" ibans.csv > stdout 2> stderr) || status=$?
if [ $status != 0 ]; then
  echo "stdnum: velmora exit status $status, console:"
  cat "$scratch/stdout" "$scratch/stderr"
  exit 1
fi
"$python" "$helper" compare "$scratch"
