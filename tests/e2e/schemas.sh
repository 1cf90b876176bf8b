#!/usr/bin/env bash
# Every sample payment file under SHARED-DIR/iso20022/samples, rewritten in every form family,
# against the schema of its own version:
#   - the sample's schema comes from its Document namespace (table below; where the ISO and a
#     national variant share a namespace, the ISO schema is the one);
#   - a two-argument run harvests the file; every harvested result line with a country and a
#     bank code gets a made-up, pattern-valid BIC in BIC.csv unless the harvest learned one, so
#     that every bank of the file is known;
#   - then, for each mode, in a fresh directory with that BIC.csv and an empty data file: the
#     exit status is 0, the payment file is unchanged, no intermediate PAY.out is left, and
#     where the sample itself validates, so does PAY.xml.out.xml (forms the version has no
#     place for must leave the element as it was).
# One line per failure, then a summary. Exit status 1 on any failure; 77 when xmllint or the
# samples are missing.
#
# usage: schemas.sh PROGRAM SHARED-DIR
set -u
[ $# = 2 ] || { echo "usage: schemas.sh PROGRAM SHARED-DIR"; exit 2; }
prog=$(realpath "$1")
shared=$(realpath "$2" 2> /dev/null) || shared=$2
samples=$shared/iso20022/samples
xsd=$shared/iso20022/xsd
command -v xmllint > /dev/null || { echo "schemas: skipped, no xmllint (install libxml2-utils)"; exit 77; }
[ -d "$samples" ] && [ -d "$xsd" ] || { echo "schemas: skipped, no $samples or $xsd"; exit 77; }
[ -f "$prog" ] || { echo "schemas: no program $1"; exit 1; }
wrapper=()
[ -n "${VELMORA_WRAPPER:-}" ] && wrapper=("$VELMORA_WRAPPER")

modes="1 2 3 4 5 6 14 15 16 24 26"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-schemas.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() { echo "$*"; fail=1; }

# The schema of a Document namespace, as a file name in xsd/ (empty: none known).
schema_of() {
  case $1 in
    urn:iso:std:iso:20022:tech:xsd:pain.001.001.[0-9][0-9]) echo "${1##*:}.xsd" ;;
    urn:iso:std:iso:20022:tech:xsd:pain.001.002.03) echo pain.001.002.03.xsd ;;
    urn:iso:std:iso:20022:tech:xsd:pain.001.003.03) echo pain.001.003.03.xsd ;;
    urn:sepade:xsd:pain.001.001.02) echo pain.001.001.02.sepade-dk.xsd ;;
    'urn:swift:xsd:$pain.001.002.02') echo pain.001.002.02.xsd ;;
    http://www.six-interbank-clearing.com/de/pain.001.001.03.ch.02.xsd) echo pain.001.001.03.ch.02.xsd ;;
  esac
}

# A made-up BIC per bank, distinct for each: "TEST", the country, two letters from N, "XXX".
letters=ABCDEFGHIJKLMNOPQRSTUVWXYZ
no_o=ABCDEFGHIJKLMNPQRSTUVWXYZ
made_up_bic() { # COUNTRY N
  echo "TEST$1${letters:$(($2 / 25 % 26)):1}${no_o:$(($2 % 25)):1}XXX"
}

# Runs the program in directory DIR with the remaining arguments; status in $status.
run() {
  local dir=$1
  shift
  status=0
  (cd "$dir" && "${wrapper[@]}" "$prog" "$@" > stdout 2> stderr) || status=$?
}

count=0
invalid_inputs=()
for pay in "$samples"/*.xml; do
  name=$(basename "$pay")
  count=$((count + 1))
  ns=$(xmllint --xpath 'namespace-uri(/*)' "$pay" 2> /dev/null)
  schema=$(schema_of "$ns")
  if [ -z "$schema" ] || [ ! -f "$xsd/$schema" ]; then
    problem "$name: no schema for the namespace \"$ns\""
    continue
  fi
  valid=1
  xmllint --noout --schema "$xsd/$schema" "$pay" > /dev/null 2>&1 || { valid=0; invalid_inputs+=("$name ($schema)"); }

  # The BIC directory: what the harvest learned, plus a made-up BIC for every other bank.
  h=$scratch/$name.harvest
  mkdir -p "$h"
  cp "$pay" "$h/p.xml"
  : > "$h/data.csv"
  run "$h" data.csv p.xml
  if [ $status != 0 ]; then
    problem "$name, harvest: exit status $status"
    head -5 "$h/stdout"
    continue
  fi
  [ -f "$h/data.csv.out" ] || { problem "$name, harvest: no data.csv.out"; continue; }
  bic=$scratch/$name.BIC.csv
  if [ -f "$h/BIC.csv" ]; then cp "$h/BIC.csv" "$bic"; else : > "$bic"; fi
  n=0
  while IFS=';' read -r snr land blz _; do
    land=${land//\"/} blz=${blz//\"/}
    [ "$snr" = '"0"' ] && [ -n "$land" ] && [ -n "$blz" ] || continue
    grep -qF "\"$land\";\"$blz\";" "$bic" && continue
    [[ $land =~ ^[A-Z]{2}$ ]] || { problem "$name, harvest: country \"$land\" cannot make a BIC"; continue; }
    printf '"%s";"%s";"%s"\r\n' "$land" "$blz" "$(made_up_bic "$land" $n)" >> "$bic"
    n=$((n + 1))
  done < <(tr -d '\r' < "$h/data.csv.out")

  for mode in $modes; do
    what="$name, mode $mode"
    w=$scratch/$name.$mode
    mkdir -p "$w"
    cp "$pay" "$w/p.xml"
    cp "$bic" "$w/BIC.csv"
    : > "$w/data.csv"
    run "$w" data.csv p.xml "$mode"
    [ $status = 0 ] || { problem "$what: exit status $status"; head -5 "$w/stdout"; continue; }
    cmp -s "$pay" "$w/p.xml" || problem "$what: payment file changed"
    [ -e "$w/p.xml.out" ] && problem "$what: intermediate p.xml.out left"
    out=$w/p.xml.out.xml
    [ -s "$out" ] || { problem "$what: no rewritten file"; continue; }
    if [ $valid = 1 ]; then
      xmllint --noout --schema "$xsd/$schema" "$out" > "$w/xmllint" 2>&1 ||
        { problem "$what: the rewrite is not valid against $schema:"; grep -v ' fails to validate$' "$w/xmllint" | sed "s|^$w/||" | cut -c1-240 | head -3; }
    fi
  done
done

[ $count -gt 0 ] || { echo "schemas: skipped, no samples in $samples"; exit 77; }
for i in "${invalid_inputs[@]}"; do echo "note: $i is itself not schema-valid; its rewrites were not validated"; done
if [ $fail = 0 ]; then
  echo "schemas: $count samples, modes $modes: all runs ok"
else
  echo "schemas: FAILED ($count samples, modes $modes)"
fi
exit $fail
