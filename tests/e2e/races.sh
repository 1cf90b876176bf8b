#!/usr/bin/env bash
# Runs that overlap, and runs that are killed, must never lose the user's records.
#   same file   two harvests of one data file started at the same moment, TRIALS times: the
#               user's records are complete in the data file or its backup, exactly one run
#               ends with the message that another run has the data file, and that run changed
#               nothing;
#   one folder  two harvests of different data files in one folder at the same moment:
#               both complete, and BIC.csv holds each pair once;
#   killed      a run killed (SIGKILL) while it holds the lock: the next run goes ahead;
#   crash       a harvest killed at many moments of its work: after the kill, and after the
#               run that follows, the user's records are whole in the data file or its backup,
#               BIC.csv holds whole lines only, and after the rerun every pair once.
#
# usage: races.sh PROGRAM [TRIALS [SECTIONS]]
#   SECTIONS: some of "same folder killed crash" (default: all)
#   RACES_STAGGER=1: the second run of a pair starts when the first holds its lock
set -u
prog=$(realpath "$1")
trials=${2:-8}
sections=" ${3:-same folder killed crash} "
want() { [[ "$sections" == *" $1 "* ]]; }
wrapper=()
[ -n "${VELMORA_WRAPPER:-}" ] && wrapper=("$VELMORA_WRAPPER")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-races.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() { echo "$*"; fail=1; }

# The user's records: distinct, numbered, so that any loss or reordering shows.
for i in $(seq 1 20000); do printf '%d;DE;37040044;%d;;\r\n' "$i" "$((532013000 + i))"; done > "$scratch/user.csv"
# A payment file of RACES_TRANSFERS (default 4,000) transfers, each with its own bank code and
# BIC; more where a run must take long enough for a second to start meanwhile.
transfers=${RACES_TRANSFERS:-4000}
awk -v n="$transfers" 'BEGIN {
  printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><CstmrCdtTrfInitn><PmtInf>\n"
  printf "<DbtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id></DbtrAcct>"
  printf "<DbtrAgt><FinInstnId><BIC>BKAUATWWXXX</BIC></FinInstnId></DbtrAgt>\n"
  for (i = 1; i <= n; i++) {
    printf "<CdtTrfTxInf><CdtrAgt><FinInstnId><BIC>B%07dXX</BIC>", i
    printf "<ClrSysMmbId><Id>%08d</Id></ClrSysMmbId></FinInstnId></CdtrAgt>", i
    printf "<Cdtr><Nm>Empfaenger %d</Nm></Cdtr><CdtrAcct><Id><PrtryAcct><Id>%d</Id></PrtryAcct>", i, i
    printf "</Id></CdtrAcct></CdtTrfTxInf>\n"
  }
  printf "</PmtInf></CstmrCdtTrfInitn></Document>\n"
}' > "$scratch/pay.xml"

# The user's records follow the harvested ones in the file, whole and in order.
holds_user() { # FILE
  [ -f "$1" ] && grep -v '^"0";' "$1" | cmp -s - "$scratch/user.csv"
}
# Starts the commands of the lines on standard input at one moment, each in the background;
# waits for all and prints their exit statuses.
together() { # DIR ARGS-OF-RUN-1 -- ARGS-OF-RUN-2
  local dir=$1 gate=$1/gate a=() b=() pa pb sa=0 sb=0
  shift
  while [ "$1" != -- ]; do a+=("$1"); shift; done
  shift
  b=("$@")
  mkfifo "$gate"
  (cd "$dir" && { read -r _ < gate || true; } && exec "${wrapper[@]}" "$prog" "${a[@]}" > out1 2>&1) &
  pa=$!
  if [ -n "${RACES_STAGGER:-}" ]; then
    # The second run starts once the first holds its lock: where starting a program takes
    # long and varies (wine), that is the way to be sure the two overlap.
    echo go > "$gate"
    for _ in $(seq 1 200); do [ -e "$dir/${a[0]}.lock" ] && break; sleep 0.05; done
    (cd "$dir" && exec "${wrapper[@]}" "$prog" "${b[@]}" > out2 2>&1) &
    pb=$!
  else
    (cd "$dir" && { read -r _ < gate || true; } && exec "${wrapper[@]}" "$prog" "${b[@]}" > out2 2>&1) &
    pb=$!
    sleep 0.2
    echo go > "$gate"
  fi
  wait $pa || sa=$?
  wait $pb || sb=$?
  rm -f "$gate"
  echo "$sa $sb"
}
busy="Datendatei in Bearbeitung"  # the console line; on Windows the box is not on a stream

# --- same file
ones=0
want same && for t in $(seq 1 "$trials"); do
  w=$scratch/same-$t
  mkdir -p "$w"
  cp "$scratch/user.csv" "$w/d.csv"
  ln -f "$scratch/pay.xml" "$w/p.xml" 2> /dev/null || cp "$scratch/pay.xml" "$w/p.xml"
  read -r sa sb < <(together "$w" d.csv p.xml -- d.csv p.xml)
  if ! holds_user "$w/d.csv" && ! holds_user "$w/d.csv.old"; then
    problem "same file, trial $t: the user's records are lost"
  fi
  nbusy=$(cat "$w/out1" "$w/out2" | grep -c "$busy" || true)
  if [ "$nbusy" = 1 ] && { [ "$sa$sb" = 01 ] || [ "$sa$sb" = 10 ]; }; then
    ones=$((ones + 1))
  elif [ "$sa$sb" = 00 ] && [ "$nbusy" = 0 ]; then
    : # the runs did not overlap: the second harvested the first one's data file
  else
    problem "same file, trial $t: exit statuses $sa and $sb, $nbusy busy messages"
  fi
  [ -e "$w/d.csv.lock" ] && problem "same file, trial $t: the lock file is left"
  [ -e "$w/d.csv.tmp" ] && problem "same file, trial $t: the new data file's temporary name is left"
done
want same && echo "same file: $trials trials, $ones with one run turned away, the user's records kept in all"
want same && [ "$ones" -lt $((trials / 2)) ] && problem "same file: the runs overlapped in only $ones trials"

# --- one folder
want folder && for t in $(seq 1 $((trials / 2 + 1))); do
  w=$scratch/folder-$t
  mkdir -p "$w"
  cp "$scratch/user.csv" "$w/a.csv"
  cp "$scratch/user.csv" "$w/b.csv"
  ln -f "$scratch/pay.xml" "$w/p.xml" 2> /dev/null || cp "$scratch/pay.xml" "$w/p.xml"
  read -r sa sb < <(together "$w" a.csv p.xml -- b.csv p.xml)
  [ "$sa$sb" = 00 ] || problem "one folder, trial $t: exit statuses $sa and $sb"
  pairs=$(wc -l < "$w/BIC.csv")
  unique=$(cut -d';' -f1,2 "$w/BIC.csv" | sort -u | wc -l)
  # The creditor agents and the debtor's.
  [ "$pairs" = $((transfers + 1)) ] && [ "$unique" = $((transfers + 1)) ] ||
    problem "one folder, trial $t: BIC.csv holds $pairs entries for $unique pairs, expected $((transfers + 1))"
done
want folder && echo "one folder: $((trials / 2 + 1)) trials, BIC.csv held each of $((transfers + 1)) pairs once"

# --- killed, then crash
if want killed; then
w=$scratch/killed
mkdir -p "$w"
cp "$scratch/user.csv" "$w/d.csv"
ln -f "$scratch/pay.xml" "$w/p.xml" 2> /dev/null || cp "$scratch/pay.xml" "$w/p.xml"
(cd "$w" && exec "${wrapper[@]}" "$prog" d.csv p.xml > /dev/null 2>&1) &
pid=$!
sleep 0.3
kill -9 $pid 2> /dev/null
wait $pid 2> /dev/null
(cd "$w" && "${wrapper[@]}" "$prog" d.csv p.xml > out 2>&1) || problem "killed: the next run failed: $(cat "$w/out")"
holds_user "$w/d.csv" || problem "killed: the user's records are not in the data file after the next run"
echo "killed: the run after a killed one went ahead"
fi

# A run's new BIC entries go to BIC.csv in one append at its end: killed at any moment, the
# file holds whole lines only (or is not there yet).
whole_bics() { # FILE
  [ ! -s "$1" ] && return 0
  [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ] &&
    ! LC_ALL=C grep -avq '^"[^"]*";"[^"]*";"[^"]*"'$'\r''$' "$1"
}
kills=0
want crash && for delay in 0 0.02 0.05 0.08 0.1 0.15 0.2 0.25 0.3 0.4 0.5 0.6 0.8 1.0 1.3; do
  w=$scratch/crash-$delay
  mkdir -p "$w"
  cp "$scratch/user.csv" "$w/d.csv"
  ln -f "$scratch/pay.xml" "$w/p.xml" 2> /dev/null || cp "$scratch/pay.xml" "$w/p.xml"
  (cd "$w" && exec "${wrapper[@]}" "$prog" d.csv p.xml > /dev/null 2>&1) &
  pid=$!
  sleep "$delay"
  kill -9 $pid 2> /dev/null && kills=$((kills + 1))
  wait $pid 2> /dev/null
  holds_user "$w/d.csv" || holds_user "$w/d.csv.old" ||
    problem "crash after $delay s: the user's records are lost"
  whole_bics "$w/BIC.csv" || problem "crash after $delay s: BIC.csv holds part of a line"
  (cd "$w" && "${wrapper[@]}" "$prog" d.csv p.xml > out 2>&1) || problem "crash after $delay s: the rerun failed"
  holds_user "$w/d.csv" || problem "crash after $delay s: the rerun lost the user's records"
  [ -e "$w/d.csv.tmp" ] && problem "crash after $delay s: the rerun left d.csv.tmp"
  whole_bics "$w/BIC.csv" && [ "$(cut -d';' -f1,2 "$w/BIC.csv" | sort | uniq -d | wc -l)" = 0 ] &&
    [ "$(wc -l < "$w/BIC.csv")" = "$((transfers + 1))" ] ||
    problem "crash after $delay s: BIC.csv after the rerun is not every pair once"
done
want crash && echo "crash: 15 harvests, $kills killed in their work; the user's records whole after each kill and rerun"
exit $fail
