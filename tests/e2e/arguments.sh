#!/usr/bin/env bash
# The arguments a run cannot work with are refused before any file is touched: for each bad
# payment file and each bad mode, the exit status is 1, the error box names the argument and
# what is wrong with it, and the folder is byte for byte as it was (no .old, .out, .out.xml or
# lock file, the data file unchanged). The modes that replace nothing and a mode of 105 still
# run. Each row runs the program in a fresh folder that holds a data file, a credit transfer
# (p.xml) and what the row's setup adds.
#
# usage: arguments.sh PROGRAM E2E-DIR
set -u
prog=$(realpath "$1")
e2e=$(realpath "$2")
wrapper=()
[ -n "${VELMORA_WRAPPER:-}" ] && wrapper=("$VELMORA_WRAPPER")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-arguments.XXXXXX")
trap 'chmod -R u+rwx "$scratch"; rm -rf "$scratch"' EXIT
fail=0
problem() { echo "$*"; fail=1; }
payment=$e2e/cases/rewrite_sepa_king_v03/in/pain.001.001.03__sepa_king_example.xml
[ -f "$payment" ] || { echo "arguments: no $payment"; exit 1; }

# name | setup (shell, in the folder) | arguments (split at blanks; '' for an empty one) |
# part of the box's message, or "run" for a row that must run (exit 0)
rows=(
  "payment file missing||d.csv none.xml|Die Zahlungsdatei (2. Angabe) gibt es nicht"
  "payment file missing, with a mode||d.csv none.xml 5|Die Zahlungsdatei (2. Angabe) gibt es nicht"
  "payment file is a folder|mkdir f.xml|d.csv f.xml 5|Die Zahlungsdatei (2. Angabe) ist ein Ordner"
  "plain text|echo 'Sehr geehrte Damen und Herren' > t.xml|d.csv t.xml 5|ist keine Überweisungsdatei"
  "an empty file|: > e.xml|d.csv e.xml|ist keine Überweisungsdatei"
  "a direct debit (pain.008)|printf '<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\"><CstmrDrctDbtInitn><GrpHdr/></CstmrDrctDbtInitn></Document>' > dd.xml|d.csv dd.xml 1|ist keine Überweisungsdatei"
  "a bank statement (camt.053)|printf '<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt><GrpHdr/></BkToCstmrStmt></Document>' > st.xml|d.csv st.xml|ist keine Überweisungsdatei"
  "a credit transfer's name in a comment only|printf '<!-- <CstmrCdtTrfInitn> --><Document/>' > c.xml|d.csv c.xml 5|ist keine Überweisungsdatei"
  "mode not a number||d.csv p.xml abc|Der Modus (3. Angabe) ist keine ganze Zahl: „abc“"
  "mode with trailing letters||d.csv p.xml 5x|Der Modus (3. Angabe) ist keine ganze Zahl: „5x“"
  "empty mode||d.csv p.xml ''|Der Modus (3. Angabe) ist keine ganze Zahl: „“"
  "mode 0||d.csv p.xml 0|Der Modus (3. Angabe) muss größer als 0 sein: „0“"
  "negative mode||d.csv p.xml -5|Der Modus (3. Angabe) muss größer als 0 sein: „-5“"
  "four arguments||d.csv p.xml 5 x|Zu viele Angaben"
  "a prefixed header-only credit transfer|printf '<D:Document xmlns:D=\"urn:x\"><D:CstmrCdtTrfInitn/></D:Document>' > h.xml|d.csv h.xml 5|run"
  "a mode that replaces nothing||d.csv p.xml 7|run"
  "a mode of 105||d.csv p.xml 105|run"
)

snapshot() { (cd "$1" && find . -print0 | LC_ALL=C sort -z | xargs -0 ls -ld --time-style=+ | awk '{print $1, $5, $NF}'; find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum); }

for row in "${rows[@]}"; do
  IFS='|' read -r name setup args want <<< "$row"
  w=$scratch/w
  rm -rf "$w" && mkdir -p "$w"
  printf '1;DE;37040044;532013000;;\r\n' > "$w/d.csv"
  cp "$payment" "$w/p.xml"
  (cd "$w" && eval "$setup")
  eval "argv=($args)"
  before=$(snapshot "$w")
  (cd "$w" && "${wrapper[@]}" "$prog" "${argv[@]}" > "$scratch/stdout" 2> "$scratch/stderr")
  status=$?
  if [ "$want" = run ]; then
    [ $status = 0 ] || { problem "$name: exit status $status"; head -5 "$scratch/stderr"; }
    continue
  fi
  [ $status = 1 ] || problem "$name: exit status $status, expected 1"
  grep -qF -- "$want" "$scratch/stderr" || { problem "$name: the box does not say \"$want\":"; head -6 "$scratch/stderr"; }
  [ "$(snapshot "$w")" = "$before" ] || problem "$name: the folder changed"
done

# Modes that replace nothing copy the payment file; 105 acts as 5.
w=$scratch/modes
for mode in 7 5 105; do
  rm -rf "$w.$mode" && mkdir -p "$w.$mode" && cp "$payment" "$w.$mode/p.xml"
  printf '1;DE;37040044;532013000;;\r\n' > "$w.$mode/d.csv"
  (cd "$w.$mode" && "${wrapper[@]}" "$prog" d.csv p.xml "$mode" > /dev/null 2>&1)
done
cmp -s "$w.7/p.xml.out.xml" "$payment" || problem "mode 7: the copy is not the payment file"
cmp -s "$w.105/p.xml.out.xml" "$w.5/p.xml.out.xml" || problem "mode 105 does not act as 5"

[ $fail = 0 ] && echo "arguments: ${#rows[@]} command lines, every refusal before a file was touched"
exit $fail
