#!/usr/bin/env bash
# Runs the program once for an end-to-end case and compares everything it left behind.
#
# usage: run_case.sh PROGRAM CASEDIR
#
# A case folder holds:
#   args       the arguments, one per line (absent or empty: no argument)
#   in/        files copied into a fresh working directory, where the program runs
#   expected/  the working directory as it must be afterwards: every file, byte for byte,
#              and no other file (absent: the directory must be empty)
#   expected-list  instead of expected/, for files too big to keep in the repository: the
#              working directory's files as `sha256sum` lists them, one per line, paths from
#              ./ in byte order; exactly these files with exactly these checksums
#   stdout     standard output, byte for byte (absent: empty); the notice lines of a completed
#              run in UTF-8 with plain line ends, as the POSIX build writes them
#   status     the exit status (absent: 0)
#   stderr     standard error, byte for byte (optional; not checked when absent)
#   setup      shell lines run in the working directory before the program, in the shell that
#              then runs it (limits set there apply to the program; $case_dir is the case
#              folder); optional
#   check      shell lines run in the working directory afterwards, under set -e; a failing
#              command fails the case; $1 is the case folder
#   runs-as-user  when present and run by root, the program runs as nobody
#   only-on    "windows" or "posix": the case runs only for that build of the program (a
#              PROGRAM ending in .exe is the Windows one); elsewhere it is skipped (status 77)
#   program    the program the case is for, when it is not velmora: "velmora-bic" (the build
#              passes that program as PROGRAM). Such a program writes its texts to the console,
#              not into message boxes: stdout and stderr hold them as the POSIX build writes
#              them, in UTF-8 with plain line ends
# With VELMORA_UPDATE=1 the outputs are written into the case instead of compared.
#
# With VELMORA_WRAPPER set (tests/e2e/wine-run.sh for velmora.exe under wine) the program runs
# through that wrapper. It writes the message boxes it saw to $VELMORA_BOXES, and those are
# checked against the boxes in the stderr file (tests/e2e/boxcheck.sh) instead of comparing
# standard error. For a case with a program file, stdout and stderr are compared in the form the
# Windows build writes (Windows-1252, CR LF), and no message box may appear. Skipped there (status 77): cases that run as nobody, since the wine prefix is
# root's, and cases that limit the file size (ulimit -f), since under wine a write that
# crosses the limit counts as complete where a full disk fails it on Windows.
#
# VELMORA_MEMCHECK, when set, is a command put before the native program (valgrind with its
# options; its words split at blanks), which changes nothing else; VELMORA_TIMEOUT is the
# seconds the program may take (default 120). VELMORA_COVERAGE, when set, skips the cases
# that would spoil a coverage build's counters.
set -u
prog=$(realpath "$1")
case_dir=$(realpath "$2")
name=$(basename "$case_dir")

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-e2e.XXXXXX")
out=$(mktemp -d "${TMPDIR:-/tmp}/velmora-e2e-out.XXXXXX")
cleanup() { chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work" "$out"; }
trap cleanup EXIT
[ -d "$case_dir/in" ] && cp -a "$case_dir/in/." "$work/"

# Every file below the working directory with its checksum, in a fixed order.
listfiles() { (cd "$work" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum); }

args=()
[ -f "$case_dir/args" ] && mapfile -t args < "$case_dir/args"

platform=posix
[ "${prog%.exe}" != "$prog" ] && platform=windows
# A console program: its outputs are plain texts, and the case must be run with that program.
console=
if [ -f "$case_dir/program" ]; then
  console=$(cat "$case_dir/program")
  if [ "$(basename "${prog%.exe}")" != "$console" ]; then
    echo "$name: the case is for $console, not for $(basename "$prog")"
    exit 1
  fi
fi
if [ -f "$case_dir/only-on" ] && [ "$(cat "$case_dir/only-on")" != "$platform" ]; then
  echo "$name: skipped, only on $(cat "$case_dir/only-on")"
  exit 77
fi

wrapper=()
if [ -n "${VELMORA_WRAPPER:-}" ]; then
  [ "${VELMORA_UPDATE:-}" = 1 ] && { echo "$name: goldens come from the native program"; exit 1; }
  [ -e "$case_dir/runs-as-user" ] && { echo "$name: skipped, runs as a user"; exit 77; }
  grep -qs 'ulimit.*-f' "$case_dir/setup" && { echo "$name: skipped, limits the file size"; exit 77; }
  wrapper=("$VELMORA_WRAPPER")
  export VELMORA_BOXES="$out/boxes"
fi
memcheck=()
[ -n "${VELMORA_MEMCHECK:-}" ] && read -ra memcheck <<< "$VELMORA_MEMCHECK"
# A coverage build writes its counters into shared files when the program ends: a file size
# limit would cut them short and spoil them for every later run, and another user may not
# write them at all.
if [ -n "${VELMORA_COVERAGE:-}" ]; then
  [ -e "$case_dir/runs-as-user" ] && { echo "$name: skipped, runs as a user"; exit 77; }
  grep -qs 'ulimit.*-f' "$case_dir/setup" && { echo "$name: skipped, limits the file size"; exit 77; }
fi

runner=()
if [ -e "$case_dir/runs-as-user" ] && [ "$(id -u)" = 0 ]; then
  chown -R 65534:65534 "$work"
  chmod 755 "$out"
  runner=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

(
  cd "$work" || exit 99
  if [ -f "$case_dir/setup" ]; then . "$case_dir/setup" || exit 98; fi
  trap '' XFSZ
  exec timeout -k 5 "${VELMORA_TIMEOUT:-120}" "${runner[@]}" "${wrapper[@]}" "${memcheck[@]}" \
    "$prog" "${args[@]}"
) > "$out/stdout" 2> "$out/stderr" < /dev/null
status=$?

if [ "${VELMORA_UPDATE:-}" = 1 ]; then
  cp "$out/stdout" "$case_dir/stdout"
  echo "$status" > "$case_dir/status"
  if [ -f "$case_dir/expected-list" ]; then
    listfiles > "$case_dir/expected-list"
  else
    rm -rf "$case_dir/expected"
    if [ -n "$(ls -A "$work")" ]; then mkdir -p "$case_dir/expected"; cp -a "$work/." "$case_dir/expected/"; fi
  fi
  [ -f "$case_dir/stderr" ] && cp "$out/stderr" "$case_dir/stderr"
  echo "$name: updated"
  exit 0
fi

fail=0
problem() { echo "$name: $*"; fail=1; }

want_status=0
[ -f "$case_dir/status" ] && want_status=$(cat "$case_dir/status")
[ "$status" = "$want_status" ] || problem "exit status $status, expected $want_status"

want_stdout=/dev/null
[ -f "$case_dir/stdout" ] && want_stdout="$case_dir/stdout"
want_stderr="$case_dir/stderr"
# The Windows build's console texts: the same in Windows-1252, each line ended by CR LF (lines
# that end so already, velmora's own error lines, stay as they are).
windows_text() { iconv -f UTF-8 -t CP1252 "$1" | sed 's/\r*$/\r/'; }
if [ -n "$console" ] && [ ${#wrapper[@]} != 0 ]; then
  for f in stdout stderr; do
    if [ -f "$case_dir/$f" ]; then
      windows_text "$case_dir/$f" > "$out/want-$f" || problem "$f: not Windows-1252"
    fi
  done
  [ -f "$case_dir/stdout" ] && want_stdout="$out/want-stdout"
  want_stderr="$out/want-stderr"
  [ -s "$out/boxes" ] && problem "message boxes shown: $(cat "$out/boxes")"
elif [ ${#wrapper[@]} != 0 ] && [ -f "$case_dir/stdout" ]; then
  windows_text "$case_dir/stdout" > "$out/want-stdout" || problem "stdout: not Windows-1252"
  want_stdout="$out/want-stdout"
fi
cmp -s "$out/stdout" "$want_stdout" || { problem "standard output differs:"; diff <(od -c "$want_stdout") <(od -c "$out/stdout") | head -20; }

if [ -f "$case_dir/stderr" ] && [ ${#wrapper[@]} != 0 ] && [ -z "$console" ]; then
  "$(dirname "$0")/boxcheck.sh" "$case_dir/stderr" "$out/boxes" || problem "message boxes differ"
elif [ -f "$case_dir/stderr" ]; then
  cmp -s "$out/stderr" "$want_stderr" || { problem "standard error differs:"; diff "$want_stderr" "$out/stderr" | head -20; }
fi

expected="$case_dir/expected"
[ -d "$expected" ] || expected=$(mktemp -d "$out/empty.XXXXXX")
if [ -f "$case_dir/expected-list" ]; then
  listfiles > "$out/list"
  cmp -s "$out/list" "$case_dir/expected-list" || { problem "files differ from expected-list:"; diff "$case_dir/expected-list" "$out/list" | head -20; }
elif ! diff -r "$expected" "$work" > "$out/diff" 2>&1; then
  problem "files differ from expected/:"
  head -20 "$out/diff"
  while IFS= read -r -d '' f; do
    if [ -f "$expected/$f" ] && ! cmp -s "$expected/$f" "$work/$f"; then
      echo "--- $f"; diff <(od -c "$expected/$f") <(od -c "$work/$f") | head -10
    fi
  done < <(cd "$work" && find . -type f -print0)
fi

if [ -f "$case_dir/check" ]; then
  ( cd "$work" && bash -e "$case_dir/check" "$case_dir" ) || problem "check failed"
fi

[ $fail = 0 ] && echo "$name: ok"
exit $fail
