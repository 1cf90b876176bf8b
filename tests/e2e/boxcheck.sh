#!/usr/bin/env bash
# Checks the message boxes of a run under wine (lines written by wine-run.sh) against a case's
# stderr file, which holds the same boxes as the POSIX platform layer prints them.
#
# usage: boxcheck.sh CASE-STDERR BOXES
#
# The POSIX layer writes each box as "[velmora.exe]\n", the text in UTF-8 with each CR LF
# turned into LF, and "\n[OK]\n". Undone, that gives the Windows-1252 bytes that MessageBoxA
# must receive, with no owner window, the caption "velmora.exe" and style 0. Wine's trace cuts
# long texts short: then the traced part must begin the expected text.
set -u
export LC_ALL=C
want_file=$1
got_file=$2

# The trace's escaping of a byte string.
escape() {
  local s=$1 out= c n i
  for ((i = 0; i < ${#s}; i++)); do
    c=${s:i:1}
    case $c in
      $'\n') out+='\n' ;;
      $'\r') out+='\r' ;;
      $'\t') out+='\t' ;;
      '"') out+='\"' ;;
      '\') out+='\\' ;;
      *)
        printf -v n '%d' "'$c"
        if ((n < 32 || n >= 127)); then printf -v c '\\x%02x' "$n"; fi
        out+=$c
        ;;
    esac
  done
  printf '%s' "$out"
}

want=()
rest=$(cat "$want_file"; printf x)
rest=${rest%x}
head=$'[velmora.exe]\n'
tail=$'\n[OK]\n'
while [ -n "$rest" ]; do
  if [ "${rest#"$head"}" = "$rest" ] || [ "${rest#*"$tail"}" = "$rest" ]; then
    echo "boxes: $want_file holds something other than message boxes"
    exit 1
  fi
  rest=${rest#"$head"}
  body=${rest%%"$tail"*}
  rest=${rest#*"$tail"}
  if ! text=$(printf '%s' "$body" | iconv -f UTF-8 -t CP1252 && printf x); then
    echo "boxes: $want_file has a text that is not Windows-1252"
    exit 1
  fi
  text=${text%x}
  want+=("MessageBoxA(00000000,\"$(escape "${text//$'\n'/$'\r\n'}")\",\"velmora.exe\",00000000)")
done

got=()
[ -f "$got_file" ] && mapfile -t got < "$got_file"

fail=0
if [ ${#got[@]} != ${#want[@]} ]; then
  echo "boxes: ${#got[@]} message boxes, expected ${#want[@]}"
  fail=1
fi
call='^MessageBoxA\(([0-9a-f]+),"(([^"\\]|\\.)*)"(\.\.\.)?,"(([^"\\]|\\.)*)",([0-9a-f]+)\)$'
for ((i = 0; i < ${#got[@]} && i < ${#want[@]}; i++)); do
  g=${got[i]} w=${want[i]}
  [ "$g" = "$w" ] && continue
  # Cut short by the trace: the same call, and the text it shows begins the expected one.
  if [[ $g =~ $call ]]; then
    gtext=${BASH_REMATCH[2]} cut=${BASH_REMATCH[4]}
    gother="${BASH_REMATCH[1]},${BASH_REMATCH[5]},${BASH_REMATCH[7]}"
    [[ $w =~ $call ]]
    wtext=${BASH_REMATCH[2]}
    wother="${BASH_REMATCH[1]},${BASH_REMATCH[5]},${BASH_REMATCH[7]}"
    if [ -n "$cut" ] && [ "$gother" = "$wother" ] && [ ${#gtext} -lt ${#wtext} ] &&
      [ "${wtext:0:${#gtext}}" = "$gtext" ]; then
      continue
    fi
  fi
  echo "boxes: message box $((i + 1)) differs:"
  echo "  got:      $g"
  echo "  expected: $w"
  fail=1
done
exit $fail
