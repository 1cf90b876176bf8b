#!/usr/bin/env python3
"""Mutation testing of the engine's sources: makes small faults in a source file, one at a time,
rebuilds what the file goes into, runs the tests over it and reports whether they noticed.

Each mutant changes one place of one line:
  cmp     a comparison: < <= > >= each to its neighbour and its opposite (< to <= and >=),
          == and != to each other
  logic   && and || to each other
  arith   a binary + or - (and += -=) to the other
  not     a logical ! removed
  const   an integer constant c to c + 1 and c - 1 (not the sizes of declared arrays)
  bool    return true to return false and back
Comments, string and character literals, preprocessor lines and static_asserts are left alone.
Operators count only as clang-format writes binary operators, with a blank on either side, so
template brackets, -> and unary minus are not taken for them.

For every mutant the file is changed in place, the targets rebuilt (the build directory must be
configured already, see below), the test programs run (first failure ends a program) and the
file restored, whatever happens. The verdicts:
  KILLED     a test failed
  SURVIVED   every test passed
  NOCOMPILE  the mutant does not build (a constant expression or a static_assert caught it)
  TIMEOUT    a test program ran out of time (counted as killed in the summary's score)
  SAMECODE   the rebuilt object file is byte for byte the original's: the compiler proved the
             mutant equivalent, so no test is run
Mutants are numbered per file in the order of the file's lines (FILE#N); the numbers stay the
same as long as the file does, so that --id can run chosen mutants again.

Build directory (Release, no sanitizer, tests on), configured once:
  cmake -S . -B build-mut -DCMAKE_BUILD_TYPE=Release
Typical runs:
  tools/mutate.py --list src/iban/iban.cpp                  the mutants, nothing run
  tools/mutate.py --max 300 --seed 1 --e2e '*' --e2e-exclude '*100mb*' \\
      src/iban/*.cpp src/batch/*.cpp
  tools/mutate.py --id src/batch/batch.cpp#12 --id src/iban/iban.cpp#40
A survivor that reads or writes outside its buffers may be seen only by the sanitizers: run it
again in the build `make test` uses, --build-dir build/asan (configured by `make test`).
"""

import argparse
import fnmatch
import hashlib
import json
import os
import pathlib
import random
import re
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent

# The test programs that cover a source directory, and the e2e cases run besides them for the
# sources under a prefix (the batch loop is seen whole only through the real program).
TEST_PROGRAMS = {"src/iban/": ["iban_tests", "batch_tests"],
                 "src/batch/": ["batch_tests", "iban_tests"]}
E2E_PREFIX = "src/batch/"


# ---- finding the mutants --------------------------------------------------------------------

def code_mask(text):
    """For each character of text, whether it is code: not inside a comment, a string or a
    character literal."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c in "\"'":
            # A digit separator (1'000) is no character literal; the sources have none.
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j += 1
        else:
            i += 1
            continue
        for k in range(i, min(j, n)):
            if text[k] != "\n":
                mask[k] = False
        i = j
    return mask


# Binary operators as the formatter writes them: a blank on both sides.
CMP = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
CMP_TO = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"],
          "==": ["!="], "!=": ["=="]}
LOGIC = re.compile(r"(?<=\s)(&&|\|\|)(?=\s)")
ARITH = re.compile(r"(?<=\s)(\+=|-=|\+|-)(?=\s)")
ARITH_TO = {"+": "-", "-": "+", "+=": "-=", "-=": "+="}
NOT = re.compile(r"!(?!=)")
BOOL = re.compile(r"\breturn (true|false);")
# Decimal integer constants with their suffix; hexadecimal ones and digits inside names are no
# match (the look-behind and look-ahead refuse a word character).
CONST = re.compile(r"(?<![\w.])(\d+)([uUlL]*)(?![\w.])")
# The size in a declaration of an array: "Type name[N]", "} name[N]", "name[M][N]".
ARRAY_SIZE = re.compile(r"(?:\b(?!return\b|case\b|else\b)[A-Za-z_][\w:]*\s*\**\s+|\}\s*)"
                        r"\**[A-Za-z_]\w*(?:\[\w+\])*\[$")


class Mutant:
    def __init__(self, path, line, col, kind, old, new):
        self.path, self.line, self.col = path, line, col
        self.kind, self.old, self.new = kind, old, new
        self.id = None

    def describe(self):
        return f"{self.path}:{self.line}:{self.col + 1} {self.kind} '{self.old}' -> '{self.new}'"


def mutants_of(path):
    text = (ROOT / path).read_text(encoding="utf-8", errors="surrogateescape")
    mask = code_mask(text)
    found = []
    offset = 0
    for number, line in enumerate(text.split("\n"), start=1):
        start = offset
        offset += len(line) + 1
        stripped = line.strip()
        if stripped.startswith("#") or "static_assert" in line:
            continue

        def code(i, length=1, start=start):
            return all(mask[start + k] for k in range(i, i + length))

        def add(kind, m, new, group=0):
            if code(m.start(group), len(m.group(group))):
                found.append(Mutant(path, number, m.start(group), kind, m.group(group), new))

        for m in CMP.finditer(line):
            for new in CMP_TO[m.group(1)]:
                add("cmp", m, new)
        for m in LOGIC.finditer(line):
            add("logic", m, "||" if m.group(1) == "&&" else "&&")
        for m in ARITH.finditer(line):
            add("arith", m, ARITH_TO[m.group(1)])
        for m in NOT.finditer(line):
            add("not", m, "")
        for m in BOOL.finditer(line):
            add("bool", m, "false" if m.group(1) == "true" else "true", group=1)
        for m in CONST.finditer(line):
            before = line[:m.start()]
            if before.endswith("[") and line[m.end():].startswith("]") and ARRAY_SIZE.search(before):
                continue
            value = int(m.group(1))
            for new in (value + 1, value - 1):
                if new >= 0:
                    add("const", m, f"{new}{m.group(2)}")
    return found


def apply(text, mutant):
    lines = text.split("\n")
    line = lines[mutant.line - 1]
    assert line[mutant.col:mutant.col + len(mutant.old)] == mutant.old, mutant.describe()
    lines[mutant.line - 1] = line[:mutant.col] + mutant.new + line[mutant.col + len(mutant.old):]
    return "\n".join(lines)


def parse_lines(ranges_text):
    """'10-40,55' -> a test on line numbers."""
    ranges = []
    for part in ranges_text.split(","):
        lo, _, hi = part.partition("-")
        ranges.append((int(lo), int(hi or lo)))
    return lambda n: any(lo <= n <= hi for lo, hi in ranges)


def sample(per_file, count, rng):
    """count mutants spread over the files: each file's list shuffled, then one of each file in
    turn, so that a small file is not crowded out by a big one."""
    queues = [rng.sample(ms, len(ms)) for ms in per_file]
    chosen = []
    while len(chosen) < count and any(queues):
        for q in queues:
            if q and len(chosen) < count:
                chosen.append(q.pop())
    return sorted(chosen, key=lambda m: (m.path, m.line, m.col, m.id))


# ---- running one mutant ---------------------------------------------------------------------

def run(cmd, timeout, cwd=ROOT):
    """Runs cmd; returns (exit status or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace")
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        return None, ""


def e2e_cases(patterns, excluded):
    """The e2e cases of velmora on this platform whose names match a pattern and no exclusion."""
    cases = []
    for case in sorted((ROOT / "tests/e2e/cases").iterdir()):
        name = case.name
        if not any(fnmatch.fnmatch(name, p) for p in patterns):
            continue
        if any(fnmatch.fnmatch(name, p) for p in excluded):
            continue
        only = case / "only-on"
        if (case / "program").exists() or (only.exists() and only.read_text().strip() != "posix"):
            continue
        cases.append(name)
    return cases


class Runner:
    def __init__(self, args):
        self.args = args
        self.build = (ROOT / args.build_dir).resolve()
        if not (self.build / "CMakeCache.txt").exists():
            sys.exit(f"{self.build} is not configured: "
                     f"cmake -S . -B {args.build_dir} -DCMAKE_BUILD_TYPE=Release")
        self.cases = e2e_cases(args.e2e, args.e2e_exclude)

    def programs(self, path):
        for prefix, progs in TEST_PROGRAMS.items():
            if path.startswith(prefix):
                return progs
        return ["iban_tests", "batch_tests"]

    def targets(self, path):
        return self.programs(path) + (["velmora"] if self.e2e(path) else [])

    def e2e(self, path):
        return self.cases if path.startswith(E2E_PREFIX) else []

    def object_of(self, path):
        return self.build / "CMakeFiles" / "velmora_engine.dir" / (path + ".o")

    def rebuild(self, path):
        status, out = run(["cmake", "--build", str(self.build), "-j", str(self.args.jobs),
                           "--target", *self.targets(path)], self.args.build_timeout)
        return status == 0, out

    def digest(self, path):
        obj = self.object_of(path)
        return hashlib.sha256(obj.read_bytes()).hexdigest() if obj.exists() else None

    def tests_pass(self, path):
        """'pass', 'fail' or 'timeout', and the name of what failed."""
        for prog in self.programs(path):
            status, _ = run([str(self.build / "tests" / prog), "--gtest_brief=1",
                             "--gtest_fail_fast"], self.args.timeout, cwd=self.build / "tests")
            if status is None:
                return "timeout", prog
            if status != 0:
                return "fail", prog
        for case in self.e2e(path):
            status, _ = run(["bash", str(ROOT / "tests/e2e/run_case.sh"), str(self.build / "velmora"),
                             str(ROOT / "tests/e2e/cases" / case)], self.args.timeout)
            if status is None:
                return "timeout", "e2e." + case
            if status != 0:
                return "fail", "e2e." + case
        return "pass", ""

    def baseline(self, paths):
        """The unmutated build: every test passes, and the original objects' digests."""
        digests = {}
        for path in paths:
            ok, out = self.rebuild(path)
            if not ok:
                sys.exit(f"the unmutated sources do not build:\n{out[-3000:]}")
            verdict, what = self.tests_pass(path)
            if verdict != "pass":
                sys.exit(f"the unmutated sources fail: {what}")
            digests[path] = self.digest(path)
        return digests

    def verdict(self, mutant, original, digest):
        src = ROOT / mutant.path
        try:
            src.write_text(apply(original, mutant), encoding="utf-8", errors="surrogateescape")
            ok, _ = self.rebuild(mutant.path)
            if not ok:
                return "NOCOMPILE", ""
            if digest is not None and self.digest(mutant.path) == digest:
                return "SAMECODE", ""
            result, what = self.tests_pass(mutant.path)
            return {"pass": "SURVIVED", "fail": "KILLED", "timeout": "TIMEOUT"}[result], what
        finally:
            src.write_text(original, encoding="utf-8", errors="surrogateescape")


# ---- the whole pass -------------------------------------------------------------------------

VERDICTS = ["KILLED", "SURVIVED", "NOCOMPILE", "TIMEOUT", "SAMECODE"]


def summary(results):
    rows = {}
    for path, verdict in results:
        rows.setdefault(path, {v: 0 for v in VERDICTS})[verdict] += 1
    width = max([len(p) for p in rows] + [5])
    print("\n" + "file".ljust(width) + "".join(f"{v:>10}" for v in VERDICTS) + "     score")
    total = {v: 0 for v in VERDICTS}
    for path in sorted(rows):
        for v in VERDICTS:
            total[v] += rows[path][v]
    for name, row in sorted(rows.items()) + [("total", total)]:
        caught = row["KILLED"] + row["TIMEOUT"]
        judged = caught + row["SURVIVED"]
        score = f"{100 * caught / judged:5.1f}%" if judged else "    -"
        print(name.ljust(width) + "".join(f"{row[v]:>10}" for v in VERDICTS) + f"    {score}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter,
                                     epilog="\n".join(__doc__.split("\n")[1:]))
    parser.add_argument("files", nargs="*", help="sources, relative to the repository")
    parser.add_argument("--max", type=int, help="at most this many mutants, spread over the files")
    parser.add_argument("--seed", type=int, default=1, help="of the sample (default 1)")
    parser.add_argument("--lines", help="only these lines of each file, as 10-40,55")
    parser.add_argument("--kinds", help="only these kinds, as cmp,const")
    parser.add_argument("--id", action="append", default=[], help="FILE#N: this mutant (repeatable)")
    parser.add_argument("--list", action="store_true", help="list the mutants, run nothing")
    parser.add_argument("--build-dir", default="build-mut")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=float, default=60, help="seconds per test program")
    parser.add_argument("--build-timeout", type=float, default=300)
    parser.add_argument("--e2e", action="append", default=[], metavar="PATTERN",
                        help=f"e2e cases run for mutants of {E2E_PREFIX} when the unit tests "
                        "pass, as shell patterns of their names (repeatable)")
    parser.add_argument("--e2e-exclude", action="append", default=[], metavar="PATTERN",
                        help="e2e cases left out (repeatable)")
    parser.add_argument("--log", help="append each result to this file as a JSON line")
    args = parser.parse_args()

    files = list(args.files)
    for ident in args.id:
        path = ident.partition("#")[0]
        if path not in files:
            files.append(path)
    if not files:
        parser.error("no source file given")
    per_file = []
    for path in files:
        ms = mutants_of(path)
        for n, m in enumerate(ms, start=1):
            m.id = f"{path}#{n}"
        if args.lines:
            wanted = parse_lines(args.lines)
            ms = [m for m in ms if wanted(m.line)]
        if args.kinds:
            ms = [m for m in ms if m.kind in args.kinds.split(",")]
        if args.id:
            ms = [m for m in ms if m.id in args.id]
        per_file.append(ms)
    total = sum(len(ms) for ms in per_file)
    chosen = sample(per_file, args.max or total, random.Random(args.seed))
    print(f"{len(chosen)} of {total} mutants", flush=True)
    if args.list:
        for m in chosen:
            print(f"{m.id:28} {m.describe()}")
        return

    runner = Runner(args)
    paths = sorted({m.path for m in chosen})
    originals = {p: (ROOT / p).read_text(encoding="utf-8", errors="surrogateescape") for p in paths}
    # Interrupted, the file being mutated is restored (verdict's finally) before the exit.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    digests = runner.baseline(paths)
    log = open(args.log, "a") if args.log else None
    results = []
    started = time.monotonic()
    try:
        for n, m in enumerate(chosen, start=1):
            t = time.monotonic()
            verdict, what = runner.verdict(m, originals[m.path], digests[m.path])
            results.append((m.path, verdict))
            note = f" ({what})" if what else ""
            print(f"[{n}/{len(chosen)}] {verdict:9} {m.id:28} {m.describe()}{note}"
                  f"  {time.monotonic() - t:.0f}s", flush=True)
            if log:
                log.write(json.dumps({"id": m.id, "where": f"{m.path}:{m.line}", "kind": m.kind,
                                      "old": m.old, "new": m.new, "verdict": verdict,
                                      "by": what}) + "\n")
                log.flush()
    finally:
        for p in paths:
            (ROOT / p).write_text(originals[p], encoding="utf-8", errors="surrogateescape")
        if log:
            log.close()
        # Leave the build as the sources are.
        for p in paths:
            runner.rebuild(p)
    summary(results)
    print(f"{time.monotonic() - started:.0f}s")
    survivors = [r for r in results if r[1] == "SURVIVED"]
    sys.exit(1 if survivors else 0)


if __name__ == "__main__":
    main()
