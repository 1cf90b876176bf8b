#!/usr/bin/env bash
# Runs a Windows program under wine for the end-to-end harness (run_case.sh, VELMORA_WRAPPER).
#
# usage: wine-run.sh PROGRAM.exe ARGS...
#
# There is no display, so MessageBoxA returns at once instead of waiting for a user. Wine's
# relay trace records each call (set RelayInclude=MessageBoxA in the prefix, or the trace is
# huge); the calls are written to the file $VELMORA_BOXES, one line per box in the trace's own
# escaping (\r \n \t \" \\ \xNN), pointers left out:
#   MessageBoxA(OWNER,"TEXT","CAPTION",STYLE)
# The trace cuts long texts short and marks that with ... after the closing quote.
# Standard output and the exit status are the program's; its own standard error passes on.
set -u
calls=$(mktemp "${TMPDIR:-/tmp}/velmora-trace.XXXXXX")
trap 'rm -f "$calls"' EXIT

# The trace goes through a pipe, never whole into a file: a case may run under a file-size
# limit (ulimit -f), which must hit the program's files and not the trace. Trace lines begin
# with the thread id; the MessageBoxA calls are kept, everything else is the program's own.
exec 3>&1
env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all,+relay timeout -k 5 100 wine "$@" 2>&1 >&3 3>&- |
  awk -v calls="$calls" '
    /^[0-9a-f]+:Call user32\.MessageBoxA\(/ { print > calls; next }
    !/^[0-9a-f][0-9a-f][0-9a-f][0-9a-f]:/ { print > "/dev/stderr" }' 3>&-
status=${PIPESTATUS[0]}
exec 3>&-

# A call line the pattern does not take is kept whole, so that the comparison shows it.
str='"([^"\\]|\\.)*"'
sed -E "s/^[0-9a-f]+:Call user32\.MessageBoxA\(([0-9a-f]+),[0-9a-f]+ ($str(\.\.\.)?),[0-9a-f]+ ($str),([0-9a-f]+)\) ret=[0-9a-f]+\$/MessageBoxA(\1,\2,\5,\7)/" \
  "$calls" > "${VELMORA_BOXES:-/dev/null}"
exit $status
