#!/usr/bin/env bash
# Pairs of payment files that spell the same payments differently must harvest the same: the
# data file (its harvested records) and BIC.csv of a two-argument run are byte for byte equal.
# The pairs, built from the samples under SHARED-DIR/iso20022/samples:
#   bicfi     every sample of pain.001.001.04 or later, with each BICFI element renamed BIC;
#   clrsys    the dvbern Swiss sample, whose agents name their bank by
#             ClrSysMmbId/ClrSysId/Cd + MmbId, with that spelled as ClrSysMmbId/Id instead;
#             once as it is and once with account numbers (Othr/Id) for its IBANs and a
#             numeric member id, which must then be the bank code of the harvested records;
#   prefix    every sample with every element given the prefix "Doc:" and the Document's
#             default namespace bound to it (or, for a sample already prefixed, with the prefix
#             taken away); besides the harvest, the rewrites in modes 1 3 5 15 26 of the
#             prefixed file, with the prefix taken away again, equal those of the plain file;
#   cdata     every sample with the text of each IBAN, BIC, BICFI, MmbId and text-only Id
#             element written as a CDATA section.
# Comments, processing instructions and CDATA sections of the samples are left as they are.
# Every run is in a fresh directory with an empty data file. One line per failure, then a
# summary; exit status 1 on any failure, 77 when the samples or perl are missing.
#
# usage: metamorphic.sh PROGRAM SHARED-DIR
set -u
[ $# = 2 ] || { echo "usage: metamorphic.sh PROGRAM SHARED-DIR"; exit 2; }
prog=$(realpath "$1")
shared=$(realpath "$2" 2> /dev/null) || shared=$2
samples=$shared/iso20022/samples
command -v perl > /dev/null || { echo "metamorphic: skipped, no perl"; exit 77; }
ls "$samples"/*.xml > /dev/null 2>&1 || { echo "metamorphic: skipped, no samples in $samples"; exit 77; }
[ -f "$prog" ] || { echo "metamorphic: no program $1"; exit 1; }
havexmllint=1
command -v xmllint > /dev/null || havexmllint=0
wrapper=()
[ -n "${VELMORA_WRAPPER:-}" ] && wrapper=("$VELMORA_WRAPPER")

rewrite_modes="1 3 5 15 26"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-metamorphic.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
pairs=0
problem() { echo "$*"; fail=1; }

# Markup the transformations below pass over untouched (first capture group).
skip='(<!--.*?-->|<\?.*?\?>|<!\[CDATA\[.*?\]\]>|<!DOCTYPE[^>]*>)'

bicfi_to_bic() {
  perl -0777 -pe 's{'"$skip"'|<(/?)((?:[\w.-]+:)?)BICFI(?=[\s/>])}{defined $1 ? $1 : "<$2$3BIC"}gse' "$1"
}
# ClrSysMmbId with ClrSysId/Cd and MmbId -> ClrSysMmbId with Id, blanks before it kept.
clrsys_to_id() {
  perl -0777 -pe 's{(<ClrSysMmbId>\s*)<ClrSysId>\s*<Cd>[^<]*</Cd>\s*</ClrSysId>\s*<MmbId>([^<]*)</MmbId>}{$1<Id>$2</Id>}g' "$1"
}
add_prefix() {
  perl -0777 -pe 's{'"$skip"'|<(/?)(?=[A-Za-z_])}{defined $1 ? $1 : "<$2Doc:"}gse;
    s{(<Doc:Document\b[^>]*?\s)xmlns=}{$1xmlns:Doc=}s' "$1"
}
remove_prefix() {
  perl -0777 -pe 's{'"$skip"'|<(/?)Doc:}{defined $1 ? $1 : "<$2"}gse;
    s{(<Document\b[^>]*?\s)xmlns:Doc=}{$1xmlns=}s' "$1"
}
# Text-only IBAN, BIC, BICFI, MmbId and Id contents as CDATA, entities resolved first; a text
# holding a character reference is left alone.
wrap_cdata() {
  perl -0777 -pe '
    my %ent = (lt => "<", gt => ">", amp => "&", quot => "\"", apos => "\x27");
    sub cdata { my $t = shift; return $t if $t =~ /&#/;
      $t =~ s/&(lt|gt|amp|quot|apos);/$ent{$1}/g; return $t if $t =~ /\]\]>/;
      return "<![CDATA[$t]]>"; }
    s{'"$skip"'|(<((?:[\w.-]+:)?(?:IBAN|BIC|BICFI|MmbId|Id))(?:\s[^>]*)?>)([^<]+)(</\3\s*>)}{defined $1 ? $1 : $2 . cdata($4) . $5}gse' "$1"
}

# Runs the program in a fresh directory DIR on payment file PAY, with MODE when given.
run() { # DIR PAY [MODE]
  local dir=$1 pay=$2
  shift 2
  mkdir -p "$dir"
  cp "$pay" "$dir/p.xml"
  : > "$dir/data.csv"
  status=0
  (cd "$dir" && "${wrapper[@]}" "$prog" data.csv p.xml "$@" > stdout 2> stderr) || status=$?
  [ $status = 0 ] || { problem "$what: exit status $status in $(basename "$dir")"; head -5 "$dir/stdout"; }
  return $status
}

# A file's contents for comparing, "(none)" when it is missing.
contents() { if [ -f "$1" ]; then cat "$1"; else echo "(none)"; fi; }

# The two-argument runs of files A and B harvest the same data file and BIC.csv.
same_harvest() { # LABEL A B [NAME-OF-A NAME-OF-B]
  local what=$1 d=$scratch/$1 na=${4:-original} nb=${5:-derived}
  pairs=$((pairs + 1))
  if [ $havexmllint = 1 ] && ! xmllint --noout "$3" 2> /dev/null; then
    problem "$what: the derived file is not well-formed"
    return
  fi
  run "$d/a" "$2" || return
  run "$d/b" "$3" || return
  for f in data.csv BIC.csv; do
    cmp -s <(contents "$d/a/$f") <(contents "$d/b/$f") ||
      { problem "$what: $f differs (< $na, > $nb):"; diff <(contents "$d/a/$f") <(contents "$d/b/$f") | head -6; }
  done
}

# pain.001.001.NN of a namespace, as a number (0 for any other namespace).
iso_version() {
  local ns
  ns=$(grep -ao 'urn:iso:std:iso:20022:tech:xsd:pain\.001\.001\.[0-9][0-9]' "$1" | head -1)
  [ -n "$ns" ] && echo $((10#${ns##*.})) || echo 0
}

for pay in "$samples"/*.xml; do
  name=$(basename "$pay" .xml)
  t=$scratch/$name
  mkdir -p "$t"

  # bicfi
  if [ "$(iso_version "$pay")" -ge 4 ]; then
    what="bicfi $name"
    bicfi_to_bic "$pay" > "$t/bic.xml"
    if grep -q 'BICFI' "$t/bic.xml" || cmp -s "$pay" "$t/bic.xml"; then
      problem "$what: BICFI not renamed everywhere"
    else
      same_harvest "bicfi-$name" "$pay" "$t/bic.xml"
    fi
  fi

  # prefix: one side is the sample, the other derived from it
  what="prefix $name"
  if grep -q '<Doc:Document' "$pay"; then
    plain=$t/plain.xml prefixed=$pay
    remove_prefix "$pay" > "$plain"
    cmp -s <(add_prefix "$plain") "$pay" || problem "$what: adding the prefix again does not give the sample"
  else
    plain=$pay prefixed=$t/prefixed.xml
    add_prefix "$pay" > "$prefixed"
    cmp -s <(remove_prefix "$prefixed") "$pay" || problem "$what: removing the prefix again does not give the sample"
  fi
  same_harvest "prefix-$name" "$plain" "$prefixed" plain prefixed
  for mode in $rewrite_modes; do
    what="prefix $name, mode $mode"
    d=$scratch/prefix-$name.$mode
    run "$d/plain" "$plain" "$mode" || continue
    run "$d/prefixed" "$prefixed" "$mode" || continue
    remove_prefix "$d/prefixed/p.xml.out.xml" > "$d/unprefixed.xml"
    cmp -s "$d/plain/p.xml.out.xml" "$d/unprefixed.xml" ||
      { problem "$what: the rewrite, prefix taken away, differs (< plain, > prefixed):"
        diff "$d/plain/p.xml.out.xml" "$d/unprefixed.xml" | head -6; }
  done

  # cdata
  what="cdata $name"
  wrap_cdata "$pay" > "$t/cdata.xml"
  if ! cmp -s "$pay" "$t/cdata.xml"; then
    same_harvest "cdata-$name" "$pay" "$t/cdata.xml"
  fi
done

# clrsys: the sample as it is (its creditor accounts are IBANs, whose bank code comes from the
# IBAN), then with account numbers and a numeric member id, where the agent gives the bank code.
dvbern=$samples/pain.001.001.03.ch.02__dvbern_clrsysmmbid.xml
what="clrsys dvbern"
if [ -f "$dvbern" ]; then
  perl -0777 -pe 's{<IBAN>CH\d\d00762(\d+)</IBAN>}{<Othr><Id>$1</Id></Othr>}g;
    s{<MmbId>[^<]*</MmbId>}{<MmbId>00762</MmbId>}g' "$dvbern" > "$scratch/clrsys-numbers.xml"
  for variant in "$dvbern" "$scratch/clrsys-numbers.xml"; do
    label=clrsys-dvbern
    [ "$variant" = "$dvbern" ] || label=clrsys-dvbern-numbers
    what=$label
    clrsys_to_id "$variant" > "$scratch/$label-id.xml"
    if grep -q '<MmbId>' "$scratch/$label-id.xml" ||
      ! perl -0777 -ne 'exit(/<ClrSysMmbId>\s*<Id>[^<]+<\/Id>\s*<\/ClrSysMmbId>/ ? 0 : 1)' "$scratch/$label-id.xml"; then
      problem "$what: ClrSysMmbId not respelled everywhere"
      continue
    fi
    same_harvest "$label" "$variant" "$scratch/$label-id.xml" ClrSysId+MmbId Id
  done
  # With account numbers, the member id is the bank code of the records, in either spelling.
  grep -q '^"0";"[^"]*";"00762";"[^"]' "$scratch/clrsys-dvbern-numbers/a/data.csv" 2> /dev/null ||
    problem "clrsys-dvbern-numbers: no harvested record has the member id 00762 as bank code and an account number"
else
  problem "$what: no $(basename "$dvbern") in the samples"
fi

if [ $fail = 0 ]; then
  echo "metamorphic: $pairs pairs of payment files, same harvest; prefixed rewrites in modes $rewrite_modes equal"
else
  echo "metamorphic: FAILED ($pairs pairs of payment files)"
fi
exit $fail
