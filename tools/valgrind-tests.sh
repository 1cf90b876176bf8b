#!/usr/bin/env bash
# Runs the whole test suite under valgrind's memcheck, on a Debug build without sanitizers
# (build/valgrind): every unit-test program, then every end-to-end case and the rewrite's
# property runs with the program wrapped in valgrind. Fails on any memcheck error or
# definite leak, or on any test that fails.
#
# The two cases over 100 MiB of generated input (ctest label "slow") would take valgrind
# many minutes; they are left out unless VALGRIND_SLOW=1.
#
# usage: tools/valgrind-tests.sh        (from the repository; JOBS=2 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
BUILD=build/valgrind

command -v valgrind > /dev/null || tools/deps.sh valgrind
tools/deps.sh --tests
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=OFF > /dev/null
cmake --build "$BUILD" -j"$JOBS"

# One log per process, in a directory the unprivileged runs of some cases can write to; with
# -q a log stays empty unless memcheck found something.
logs=$(mktemp -d "${TMPDIR:-/tmp}/velmora-valgrind.XXXXXX")
trap 'rm -rf "$logs"' EXIT
chmod 1777 "$logs"
vg=(valgrind -q --tool=memcheck --error-exitcode=99 --leak-check=full
    --errors-for-leak-kinds=definite --track-origins=yes)

fail=0
start=$SECONDS
for t in "$BUILD"/tests/*_tests; do
  t=$(realpath "$t")
  echo "== $(basename "$t")"
  (cd "$BUILD/tests" && "${vg[@]}" --log-file="$logs/$(basename "$t").%p.log" "$t" \
    --gtest_brief=1 > "$logs/out" 2>&1) || { fail=1; tail -20 "$logs/out"; }
done

echo "== end-to-end cases and rewrite properties"
exclude=(-LE slow)
[ "${VALGRIND_SLOW:-}" = 1 ] && exclude=()
export VELMORA_MEMCHECK="${vg[*]} --log-file=$logs/velmora.%p.log"
export VELMORA_TIMEOUT=1200
ctest --test-dir "$BUILD" -R '^e2e\.' "${exclude[@]}" -j"$JOBS" --output-on-failure ||
  fail=1

for log in "$logs"/*.log; do
  if [ -s "$log" ]; then
    fail=1
    echo "--- $(basename "$log")"
    head -60 "$log"
  fi
done
echo "valgrind run: $((SECONDS - start)) s"
[ $fail = 0 ] && echo "memcheck: clean"
exit $fail
