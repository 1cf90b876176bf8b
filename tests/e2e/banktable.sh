#!/usr/bin/env bash
# The bank table from the Bundesbank's bank code file of September 2023, end to end:
#   import   velmora-bic writes BLZ.csv beside BIC.csv: one line per bank code, and says so;
#   judged   a batch (banktable/konten.csv: account records and IBANs of good and bad account
#            numbers, of unknown, going and staying bank codes) gives banktable/with.out;
#   without  the same batch without BLZ.csv gives what the program gave before it knew of
#            bank tables, result file, console and box (banktable/without.*);
#   faulty   a damaged table stops the run before it touches a file;
#   killed   an import killed while it writes the table, or at any moment of its work,
#            leaves the table it found or the new one, whole, and never a half one.
#
# usage: banktable.sh PROGRAM BIC-PROGRAM E2E-DIR SHARED-DIR
set -u
prog=$(realpath "$1")
bicprog=$(realpath "$2")
here=$(realpath "$3")/banktable
bankfile=$4/bankdirs/blz-2023-09-04-extended.txt
old=$4/bankdirs/blz-2012-09-03-excerpt.txt
[ -f "$bankfile" ] && [ -f "$old" ] || { echo "banktable: no bank code files under $4"; exit 77; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-banktable.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() { echo "$*"; fail=1; }

# --- import
w=$scratch/import
mkdir -p "$w"
cp "$here/konten.csv" "$w/"
(cd "$w" && "$bicprog" "$bankfile" konten.csv > stdout 2> stderr) || problem "import: exit status $?"
want="3540 Bankleitzahlen mit BIC gelesen, 3540 neu in BIC.csv eingetragen, 0 schon vorhanden.
3548 Bankleitzahlen in die Banktabelle BLZ.csv geschrieben, 92 davon zur Löschung vorgesehen."
[ "$(cat "$w/stdout")" = "$want" ] || problem "import: printed $(cat "$w/stdout")"
[ -s "$w/stderr" ] && problem "import: error output $(cat "$w/stderr")"
[ -e "$w/BLZ.csv.tmp" ] && problem "import: BLZ.csv.tmp left behind"
table=$w/BLZ.csv
[ "$(wc -l < "$table")" = 3549 ] || problem "import: $(wc -l < "$table") lines in BLZ.csv"
[ "$(head -1 "$table")" = $'"BLZ";"Methode";"Loeschung";"Nachfolger"\r' ] ||
  problem "import: head line $(head -1 "$table")"
# One line per bank code, in order: the main records' fields, whatever the branches say.
expect=$(LC_ALL=C awk '{ if (substr($0, 9, 1) == "1") {
    del = (substr($0, 160, 1) == "1" || substr($0, 159, 1) == "D") ? "1" : "0"
    printf "\"%s\";\"%s\";\"%s\";\"%s\"\r\n", substr($0, 1, 8), substr($0, 151, 2), del, substr($0, 161, 8) } }' \
  "$bankfile" | LC_ALL=C sort | sha256sum)
[ "$(tail -n +2 "$table" | sha256sum)" = "$expect" ] ||
  problem "import: the table's lines are not the main records' fields in bank code order"
echo "import: BLZ.csv holds the 3548 bank codes of the file"

# --- judged, and without the table
(cd "$w" && "$prog" konten.csv > stdout 2> stderr) || problem "judged: exit status $?"
cmp -s "$w/konten.csv.out" "$here/with.out" || {
  problem "judged: the result file differs from banktable/with.out"
  diff "$here/with.out" "$w/konten.csv.out" | head -20
}
grep -q "1 x 95 = IBAN (+ BIC) berechnet" "$w/stderr" ||
  problem "judged: the closing box does not count the 95"
echo "judged: $(wc -l < "$w/konten.csv.out") records as banktable/with.out"

rm "$table"
(cd "$w" && "$prog" konten.csv > stdout 2> stderr)
status=$?
[ $status = 0 ] || problem "without: exit status $status"
for f in out stdout stderr; do
  got=$w/konten.csv.out
  [ $f = out ] || got=$w/$f
  cmp -s "$got" "$here/without.$f" || problem "without: $f differs from banktable/without.$f"
done
echo "without: result file, console and box as before bank tables"

# --- faulty
cp "$w/BIC.csv" "$scratch/bic.keep"
printf '"BLZ";"Methode";"Loeschung";"Nachfolger"\r\n"10090000";"06";"0";"0000000\r\n' > "$table"
rm -f "$w/konten.csv.out"
(cd "$w" && "$prog" konten.csv > stdout 2> stderr)
status=$?
[ $status = 1 ] || problem "faulty: exit status $status"
[ -e "$w/konten.csv.out" ] && problem "faulty: a result file was written"
grep -q "Banktabelle fehlerhaft, Zeile 2" "$w/stderr" ||
  problem "faulty: the box does not name line 2: $(cat "$w/stderr")"
echo "faulty: the run stopped, naming the line"

# --- killed
# The table of the 2012 excerpt stands; the import of the 2023 file (twenty times over, so
# that it takes a while) is killed: the table must be one of the two, whole.
for i in $(seq 20); do cat "$bankfile"; done > "$scratch/big.txt"
k=$scratch/killed
mkdir -p "$k"
: > "$k/d.csv"
(cd "$k" && "$bicprog" "$old" d.csv > /dev/null) || problem "killed: the first import failed"
cp "$k/BLZ.csv" "$scratch/old.table"
(cd "$w" && rm -f BLZ.csv && "$bicprog" "$bankfile" konten.csv > /dev/null)
cp "$table" "$scratch/new.table"
whole() {
  cmp -s "$k/BLZ.csv" "$scratch/old.table" || cmp -s "$k/BLZ.csv" "$scratch/new.table" ||
    problem "killed $1: BLZ.csv is neither the old table nor the new one"
}
# Killed by the file size limit in the middle of writing the table (BIC.csv then needs no
# new line: its entries are there).
(cd "$k" && "$bicprog" "$bankfile" d.csv > /dev/null)
cp "$scratch/old.table" "$k/BLZ.csv"
{ (cd "$k" && ulimit -f 64 && exec "$bicprog" "$bankfile" d.csv > /dev/null 2>&1); } 2> /dev/null
status=$?
[ $status = 0 ] && problem "killed in its write: the import claims success"
whole "in its write (status $status)"
cmp -s "$k/BLZ.csv" "$scratch/old.table" || problem "killed in its write: the table is not the old one"
kills=0
for delay in 0 0.01 0.03 0.05 0.1 0.15 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0 1.2; do
  cp "$scratch/old.table" "$k/BLZ.csv"
  (cd "$k" && exec "$bicprog" "$scratch/big.txt" d.csv > /dev/null 2>&1) &
  pid=$!
  sleep "$delay"
  kill -9 $pid 2> /dev/null && kills=$((kills + 1))
  wait $pid 2> /dev/null
  whole "after $delay s"
done
(cd "$k" && "$bicprog" "$bankfile" d.csv > /dev/null) || problem "killed: the import after the kills failed"
cmp -s "$k/BLZ.csv" "$scratch/new.table" || problem "killed: the import after the kills wrote another table"
[ -e "$k/BLZ.csv.tmp" ] && problem "killed: the import after the kills left BLZ.csv.tmp"
echo "killed: 1 import killed in its write, $kills at other moments; the table whole after each"
exit $fail
