#!/usr/bin/env bash
# Three-argument runs over the crafted payment files in pairing/, each beside a data file of
# user records numbered "0", "001" and "0x", in modes 1, 3 and 5. For every run:
#   - the exit status is 0;
#   - every line of the data file is one harvested record on one physical line, or one of
#     the user's lines unchanged, and there are as many records as the file's first comment
#     says ("<!-- records: N -->");
#   - the rewritten file is well-formed, has as many transactions and payment blocks, and
#     every value inside a transaction's or a block's account and agent is one of that pair's
#     own values in the payment file or a new one, never a value of another pair, of a user
#     record, or one that stands only in a comment, a processing instruction or a CDATA
#     section of the payment file (read with xmllint).
# Skipped, with exit status 77, when xmllint is missing.
#
# usage: pairing.sh PROGRAM E2E-DIR
set -u
prog=$(realpath "$1")
e2e=$(realpath "$2")
command -v xmllint > /dev/null || { echo "pairing: skipped, no xmllint"; exit 77; }
wrapper=()
[ -n "${VELMORA_WRAPPER:-}" ] && wrapper=("$VELMORA_WRAPPER")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-pairing.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() { echo "$*"; fail=1; }

user=$'0;AT;19043;234573201;;\r\n001;DE;37040044;532013000;;\r\n0x;;;;AT611904300234573201;\r\n'
# What the batch makes of the user's lines, which must never reach the payment file.
uservalues="AT611904300234573201 DE89370400440532013000 0532013000 00234573201 37040044"

pair_xpath() { # KIND INDEX: the pair's account and agent elements
  if [ "$1" = tx ]; then
    echo "(//*[local-name()='CdtTrfTxInf'])[$2]//*[local-name()='CdtrAcct' or local-name()='CdtrAgt']"
  else
    echo "(//*[local-name()='PmtInf'])[$2]/*[local-name()='DbtrAcct' or local-name()='DbtrAgt']"
  fi
}
# The texts within a pair's account and agent, one per line, blanks around them removed.
pair_values() { # FILE KIND INDEX
  xmllint --xpath "$(pair_xpath "$2" "$3")//text()" "$1" 2> /dev/null |
    sed 's/^[[:space:]]*//; s/[[:space:]]*$//' | grep -v '^$' | sort -u
}
count() { xmllint --xpath "count(//*[local-name()='$2'])" "$1"; }
# The words in a file's comments, processing instructions and CDATA sections that look like an
# IBAN or a BIC: values no pair holds, unless a pair's own text holds them too.
hidden_values() {
  perl -0777 -ne 'while (/<!--(.*?)-->|<\?(.*?)\?>|<!\[CDATA\[(.*?)\]\]>/gs) {
      my $t = join " ", grep defined, $1, $2, $3;
      print "$_\n" for $t =~ /\b([A-Z]{2}[0-9]{2}[A-Z0-9]{10,30}|[A-Z]{6}[A-Z0-9]{2}(?:[A-Z0-9]{3})?)\b/g;
    }' "$1" | sort -u
}

for pay in "$e2e"/pairing/*.xml; do
  name=$(basename "$pay" .xml)
  want=$(sed -n 's/^<!-- records: \([0-9]*\) -->$/\1/p' "$pay")
  for mode in 1 3 5; do
    run="$name, mode $mode"
    work="$scratch/$name-$mode"
    mkdir -p "$work"
    cp "$pay" "$work/p.xml"
    printf '%s' "$user" > "$work/d.csv"
    status=0
    (cd "$work" && "${wrapper[@]}" "$prog" d.csv p.xml "$mode" > stdout 2> stderr) || status=$?
    [ "$status" = 0 ] || { problem "$run: exit status $status"; cat "$work/stdout"; continue; }

    # The data file: harvested records first, one physical line each, then the user's lines.
    records=$(grep -c '^"0";' "$work/d.csv")
    [ "$records" = "$want" ] || problem "$run: $records harvested records, expected $want"
    if [ "$(tail -n +$((records + 1)) "$work/d.csv")" != "$(printf '%s' "$user")" ]; then
      problem "$run: the user's lines are not kept as they were"
    fi
    bad=$(head -n "$records" "$work/d.csv" |
      grep -cvE '^"0";"[^"]*";"[^"]*";"[^"]*";"[^"]*";'$'\r''$' || true)
    [ "$bad" = 0 ] || problem "$run: $bad harvested lines are not one record each"

    out="$work/p.xml.out.xml"
    xmllint --noout "$out" 2> /dev/null || { problem "$run: the rewritten file is not well-formed"; continue; }
    # Each pair's values in the payment file, then each output pair's against the others'.
    pairs=()
    for kind in tx block; do
      el=CdtTrfTxInf
      [ $kind = block ] && el=PmtInf
      n=$(count "$pay" $el)
      [ "$(count "$out" $el)" = "$n" ] || problem "$run: $el count changed"
      for ((i = 1; i <= n; i++)); do
        pair_values "$pay" $kind "$i" > "$work/in-$kind-$i"
        pairs+=("$kind-$i")
      done
    done
    hidden_values "$pay" > "$work/hidden"
    for p in "${pairs[@]}"; do
      : > "$work/others"
      for q in "${pairs[@]}"; do [ "$q" = "$p" ] || cat "$work/in-$q" >> "$work/others"; done
      tr ' ' '\n' <<< "$uservalues" >> "$work/others"
      cat "$work/hidden" >> "$work/others"
      while IFS= read -r v; do
        grep -qxF -- "$v" "$work/in-$p" && continue
        if grep -qxF -- "$v" "$work/others"; then
          problem "$run: pair $p holds \"$v\", a value of another pair or of a user record"
        fi
      done < <(pair_values "$out" "${p%-*}" "${p#*-}")
    done
  done
done
[ $fail = 0 ] && echo "pairing: $(ls "$e2e"/pairing/*.xml | wc -l) payment files, modes 1 3 5: every value in its own pair"
exit $fail
