#!/usr/bin/env bash
# Properties of three-argument runs over the real payment files of the rewrite_* cases, for
# every mode family:
#   - the payment file is unchanged and no intermediate file is left; a mode that is no number
#     above 0 (0, -3, abc) ends the run before it touches a file, with exit status 1;
#   - the rewritten file equals the payment file outside the account "Id" and agent
#     "FinInstnId" contents (a mode of 0 or less leaves it empty);
#   - harvesting the rewritten file again gives the same data-file records (IBAN and BIC modes,
#     whose forms the harvest reads back into the same fields);
#   - where the payment file validates against its schema, so do its rewrites in every mode:
#     each form is written in the spelling of the file's version, or not at all. Skipped, with
#     exit status 77, when xmllint is missing.
#
# usage: rewrite_properties.sh PROGRAM E2E-DIR
set -u
prog=$(realpath "$1")
e2e=$(realpath "$2")
# A command put before the program (VELMORA_MEMCHECK), as in run_case.sh.
wrapper=()
[ -n "${VELMORA_MEMCHECK:-}" ] && read -ra wrapper <<< "$VELMORA_MEMCHECK"

# case folder | payment file in its in/ | schema in xsd/ (- for none)
samples=(
  "rewrite_sepa_king_v03|pain.001.001.03__sepa_king_example.xml|pain.001.001.03.xsd"
  "rewrite_abnamro_crlf|pain.001.001.03__abnamro_voorbeeldbestand_crlf.xml|pain.001.001.03.xsd"
  "rewrite_swift_short_iban|pain.001.001.03__swift_othr-debtor_short-iban.xml|pain.001.001.03.xsd"
  "rewrite_six_ch_othr|pain.001.001.03.ch.02__six_sample_crlf.xml|pain.001.001.03.ch.02.xsd"
  "rewrite_sepa_king_v0203|pain.001.002.03__sepa_king_example.xml|pain.001.002.03.xsd"
  "rewrite_bicfi_v09|pain.001.001.09__pain001-py_bicfi-xmlns.xml|pain.001.001.09.xsd"
  "rewrite_v02_all_forms|pain.001.001.02__unprefixed.xml|pain.001.001.02.xsd"
  "rewrite_v02_prefixed|pain.001.001.02__prowide_generated-instance_Doc-prefix.xml|pain.001.001.02.xsd"
)
modes="1 2 3 4 5 6 7 10 11 12 13 14 15 16 21 22 23 24 25 26 31 100 105 0 -3 abc"
readback="1 3 5 11 13 15 21 23 25 105"

havexmllint=1
command -v xmllint > /dev/null || havexmllint=0
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-rewrite.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() { echo "$*"; fail=1; }

# The files with the content of every account "Id" directly inside an account element, and of
# every "FinInstnId" directly inside an agent element, cut out (one level of nested "Id"),
# whatever their prefixes.
mask() {
  perl -0777 -pe '
    my $p = qr/(?:[\w.-]+:)?/;
    s{(<${p}(?:Cdtr|Dbtr)Acct>\s*<${p}Id>)(?:(?!</?${p}Id>).|<${p}Id>(?:(?!</?${p}Id>).)*</${p}Id>)*</${p}Id>}{$1#}gs;
    s{(<${p}(?:Cdtr|Dbtr)Agt>\s*<${p}FinInstnId>).*?</${p}FinInstnId>}{$1#}gs' "$1"
}

# The harvested records of a data file.
harvested() { grep -a '^"0"' "$1"; }

for row in "${samples[@]}"; do
  IFS='|' read -r name pay schema <<< "$row"
  in=$e2e/cases/$name/in
  [ -f "$in/$pay" ] || { problem "$name: no $pay in in/"; continue; }
  for mode in $modes; do
    what="$name, mode $mode"
    w=$scratch/$name.$mode
    mkdir -p "$w"
    cp -a "$in/." "$w/"
    (cd "$w" && "${wrapper[@]}" "$prog" data.csv "$pay" "$mode" > ../stdout 2> ../stderr)
    status=$?
    case $mode in
      0 | -3 | abc)
        [ $status = 1 ] || problem "$what: exit status $status, expected 1"
        diff -r "$in" "$w" > /dev/null || problem "$what: the folder changed"
        continue ;;
    esac
    [ $status = 0 ] || { problem "$what: exit status $status"; cat "$scratch/stdout"; continue; }
    cmp -s "$in/$pay" "$w/$pay" || problem "$what: payment file changed"
    [ -e "$w/$pay.out" ] && problem "$what: intermediate file left"
    out=$w/$pay.out.xml
    cmp -s <(mask "$in/$pay") <(mask "$out") ||
      { problem "$what: differs outside the replaced elements:"; diff <(mask "$in/$pay") <(mask "$out") | head -10; }

    if [[ " $readback " == *" $mode "* ]]; then
      r=$w/again
      mkdir "$r"
      cp "$out" "$r/p.xml"
      (cd "$r" && "${wrapper[@]}" "$prog" data.csv p.xml > /dev/null 2>&1) || problem "$what: second harvest failed"
      cmp -s <(harvested "$w/data.csv") <(harvested "$r/data.csv") ||
        { problem "$what: harvested again, the records differ:"; diff <(harvested "$w/data.csv") <(harvested "$r/data.csv") | head -10; }
    fi

    if [ "$schema" != - ] && [ $havexmllint = 1 ]; then
      xmllint --noout --schema "$e2e/xsd/$schema" "$out" > "$w/xmllint" 2>&1 ||
        { problem "$what: no longer valid against $schema:"; head -5 "$w/xmllint"; }
    fi
  done
  # The payment file itself must validate, or the checks above prove nothing.
  if [ "$schema" != - ] && [ $havexmllint = 1 ]; then
    xmllint --noout --schema "$e2e/xsd/$schema" "$in/$pay" > /dev/null 2>&1 ||
      problem "$name: $pay itself is not valid against $schema"
  fi
done

[ $fail = 0 ] || exit 1
if [ $havexmllint = 0 ]; then
  echo "xmllint is missing: schema checks skipped (install libxml2-utils)"
  exit 77
fi
echo "rewrite properties: ok"
