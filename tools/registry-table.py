#!/usr/bin/env python3
"""Writes src/iban/registrytable.inc, the table behind src/iban/registry.cpp, from SWIFT's IBAN
Registry as tab-separated text: one row per data element, one column per country, Windows-1252,
quoted cells that span lines, mixed line ends.

Only the registry's own facts go into the table. Where its cells are wrong or contradict each
other, CORRECTIONS and DISAGREEMENTS below say so, one entry per cell with the reason. Each
entry must still find what it was written for: when a new release has fixed a cell, the entry
fails, so that nothing is corrected twice or forgotten. Anything else the script does not
understand fails too, naming the country and the data element.

usage: tools/registry-table.py [--check] [REGISTRY]
  REGISTRY  default ../shared/iban/IBAN_Registry.txt beside the repository
  --check   writes nothing; fails when the table in the repository is not what it would write
"""

import argparse
import csv
import hashlib
import io
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
DEFAULT_REGISTRY = ROOT.parent / "shared" / "iban" / "IBAN_Registry.txt"
OUTPUT = ROOT / "src" / "iban" / "registrytable.inc"

# The release the table follows. Its file, byte for byte: another file is another release,
# whose cells the corrections below have not been held against.
RELEASE = "January 2025"
COUNTRIES = 89
SHA1 = "8087dd5f0f6a4fff73351677132fec2b86e97b21"

# The data elements read, by the registry's names for them (first column).
CODE = "IBAN prefix country code (ISO 3166)"
NAME = "Name of country"
INCLUDES = "Country code includes other countries/territories"
SEPA = "SEPA country"
SEPA_ALSO = "SEPA country also includes"
BBAN_STRUCTURE = "BBAN structure"
BBAN_LENGTH = "BBAN length"
BANK_POSITION = "Bank identifier position within the BBAN"
BANK_PATTERN = "Bank identifier pattern"
BRANCH_POSITION = "Branch identifier position within the BBAN"
BRANCH_PATTERN = "Branch identifier pattern"
BANK_EXAMPLE = "Bank identifier example"
BRANCH_EXAMPLE = "Branch identifier example"
BBAN_EXAMPLE = "BBAN example"
IBAN_STRUCTURE = "IBAN structure"
IBAN_LENGTH = "IBAN length"
IBAN_EXAMPLE = "IBAN electronic format example"
PRINT_EXAMPLE = "IBAN print format example"
ELEMENTS = (CODE, NAME, INCLUDES, SEPA, SEPA_ALSO, BBAN_STRUCTURE, BBAN_LENGTH, BANK_POSITION,
            BANK_PATTERN, BRANCH_POSITION, BRANCH_PATTERN, BANK_EXAMPLE, BRANCH_EXAMPLE,
            BBAN_EXAMPLE, IBAN_STRUCTURE, IBAN_LENGTH, IBAN_EXAMPLE, PRINT_EXAMPLE)

# Cells the registry gets wrong: (country, data element) -> (the cell as it stands, what it
# should say). Used for the table and for every check below.
CORRECTIONS = {
    # IQ: three cells went through a spreadsheet as dates. "Nov-16" stands where Yes or No
    # belongs (Iraq is no SEPA country); 42461 and 42556 are the day numbers of 1 April and
    # 5 July 2016, that is "1-4" and "5-7": bank 4!a at 1-4, branch 3!n at 5-7 of 4!a3!n12!n,
    # as the patterns and the examples (NBIQ, 850) say.
    ("IQ", SEPA): ("Nov-16", "No"),
    ("IQ", BANK_POSITION): ("42461", "1-4"),
    ("IQ", BRANCH_POSITION): ("42556", "5-7"),
    # NO: the country code slipped into the BBAN; the IBAN structure is NO2!n4!n6!n1!n.
    ("NO", BBAN_STRUCTURE): ("NO4!n6!n1!n", "4!n6!n1!n"),
    # JO: bank and branch both at 5-8. The bank is the four letters in front (4!a, CBJO in the
    # example), the branch the four digits behind them.
    ("JO", BANK_POSITION): ("5-8", "1-4"),
    ("JO", BANK_PATTERN): ("4!n", "4!a"),
    # PL: no bank identifier, a branch identifier 8!n at 1-8. Those eight digits are the
    # bank's sort code, taken as the bank identifier; no branch identifier remains.
    ("PL", BANK_POSITION): ("N/A", "1-8"),
    ("PL", BANK_PATTERN): ("N/A", "8!n"),
    ("PL", BANK_EXAMPLE): ("N/A", "10901014"),
    ("PL", BRANCH_POSITION): ("1-8", "N/A"),
    ("PL", BRANCH_PATTERN): ("8!n", "N/A"),
    ("PL", BRANCH_EXAMPLE): ("10901014", "N/A"),
    # EG: a non-breaking space in front of N/A; lengths and patterns that lost their class
    # letter (the structure is 4!n4!n17!n).
    ("EG", SEPA_ALSO): ("\xa0N/A", "N/A"),
    ("EG", BBAN_LENGTH): ("25!", "25"),
    ("EG", BANK_PATTERN): ("4!", "4!n"),
    ("EG", BRANCH_PATTERN): ("4!", "4!n"),
    # CR, SD: the BBAN length written as a pattern.
    ("CR", BBAN_LENGTH): ("18!n", "18"),
    ("SD", BBAN_LENGTH): ("14!n", "14"),
    # Patterns with a trailing blank.
    ("BY", BANK_PATTERN): ("4!c ", "4!c"),
    ("MC", BANK_PATTERN): ("5!n ", "5!n"),
    ("MC", BRANCH_PATTERN): ("5!n ", "5!n"),
    ("SV", BANK_PATTERN): ("4!a ", "4!a"),
    # PT: Azores and Madeira are regions of Portugal with no country codes of their own; their
    # accounts are PT accounts already.
    ("PT", SEPA_ALSO): ("Azores, Madeira", "N/A"),
}

# Cells that contradict the rest of their column where the table does not depend on them:
# (country, data element) -> why. The check that they fail is skipped for them, and only for
# them; one that no longer fails is an error.
DISAGREEMENTS = {
    # AL's eight-digit code is bank (3), branch (4) and a check digit; the bank pattern gives
    # all eight, the branch example leaves out the check digit. The positions (1-3, 4-8) and
    # the branch pattern (5!n) agree with each other and are kept.
    ("AL", BANK_PATTERN): "8!n is the whole code; the bank identifier is 1-3",
    ("AL", BRANCH_EXAMPLE): "1100 without the check digit at 8",
    # LB: the structure and the example (0999) have digits where the bank pattern says 4!a.
    ("LB", BANK_PATTERN): "4!a against 4!n in the structure",
    # FI gives no bank pattern and no BBAN example.
    ("FI", BANK_PATTERN): "N/A for the bank identifier at 1-3",
    # Bank identifier examples from another bank than the example IBAN's.
    ("MK", BANK_EXAMPLE): "300 against 250 in the example",
    ("SE", BANK_EXAMPLE): "123 against 500 in the example",
    # BA's bank and branch examples (199, 044) belong to its BBAN example, another account
    # than its IBAN example's (129, 007).
    ("BA", BANK_EXAMPLE): "199 against 129 in the example IBAN",
    ("BA", BRANCH_EXAMPLE): "044 against 007 in the example IBAN",
    ("BA", BBAN_EXAMPLE): "another account than the example IBAN's",
    # BR: the BBAN example ends in P1, the IBAN example in C1.
    ("BR", BBAN_EXAMPLE): "P1 against C1 at the end of the example IBAN",
    # CR: the BBAN example lost its leading zero (17 digits of 18).
    ("CR", BBAN_EXAMPLE): "the example IBAN's BBAN without its leading 0",
    # IL: the BBAN example has 18 digits, one 0 fewer than the example IBAN's 19.
    ("IL", BBAN_EXAMPLE): "one 0 short of the example IBAN's BBAN",
}

# Territories whose SEPA membership the registry's "SEPA country also includes" row leaves
# out: the EPC admitted Guernsey, Jersey and the Isle of Man to the geographical scope of the
# SEPA schemes in May 2016 (EPC list of SEPA scheme countries, EPC409-09). Every other
# territory of the table is SEPA when and only when that row names it: of the territories
# behind FR, NC, PF, TF and WF are outside SEPA in the EPC's list as in the registry.
EPC_SEPA_TERRITORIES = {"GB": ("GG", "IM", "JE")}

# The registry's classes as the helpers of registry.cpp that make a section of them.
KINDS = {"n": "digits", "a": "upper", "c": "alnum"}
ALLOWED = {"n": "0123456789", "a": "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
           "c": "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"}
MAX_SECTIONS = 8


class RegistryError(Exception):
    pass


def fail(code, element, message):
    raise RegistryError(f"{code}, {element}: {message}")


def readregistry(path):
    """The registry's columns: one dict per country, data element -> cell."""
    data = path.read_bytes()
    digest = hashlib.sha1(data).hexdigest()
    if digest != SHA1:
        raise RegistryError(
            f"{path}: sha1 {digest}, not the release of {RELEASE} ({SHA1}); for a new release, "
            "set RELEASE, COUNTRIES and SHA1 and go through the corrections")
    text = data.decode("cp1252")
    rows = list(csv.reader(io.StringIO(text, newline=""), delimiter="\t"))
    if not rows or rows[0][0] != "Data element":
        raise RegistryError(f"{path}: no 'Data element' header row")
    width = len(rows[0])
    if width != COUNTRIES + 1:
        raise RegistryError(f"{path}: {width - 1} country columns, not {COUNTRIES}")
    for i, row in enumerate(rows):
        if len(row) != width:
            raise RegistryError(f"{path}: row {i + 1} ({row[0]!r}) has {len(row)} cells")
    byname = {}
    for row in rows:
        byname.setdefault(row[0], []).append(row)
    for element in ELEMENTS:
        found = byname.get(element, [])
        if len(found) != 1:
            raise RegistryError(f"{path}: {len(found)} rows named {element!r}")
    columns = []
    for j in range(1, width):
        columns.append({element: byname[element][0][j] for element in ELEMENTS})
    return columns


def applycorrections(columns):
    bycode = {col[CODE]: col for col in columns}
    for (code, element), (was, becomes) in CORRECTIONS.items():
        col = bycode.get(code)
        if col is None:
            raise RegistryError(f"correction for {code}, which the registry does not list")
        if col[element] != was:
            fail(code, element, f"is {col[element]!r}, the correction expects {was!r}: "
                 "fixed in this release? drop or revise the correction")
        col[element] = becomes


def absent(cell):
    return cell in ("", "N/A")


def parsepattern(code, element, cell):
    """A registry pattern such as 4!n4!n12!c as [(4, 'n'), (4, 'n'), (12, 'c')]."""
    if not re.fullmatch(r"(?:[1-9][0-9]?![nac])+", cell):
        fail(code, element, f"{cell!r} is no pattern of fixed-length n, a and c sections")
    return [(int(n), k) for n, k in re.findall(r"([0-9]+)!([nac])", cell)]


def parseposition(code, element, cell, bbanlength):
    """A 1-based position "5-8" as (start, length), 0-based; (0, 0) for none."""
    if absent(cell):
        return 0, 0
    m = re.fullmatch(r"([1-9][0-9]?)-([1-9][0-9]?)", cell)
    if not m:
        fail(code, element, f"{cell!r} is no position")
    first, last = int(m.group(1)), int(m.group(2))
    if first > last or last > bbanlength:
        fail(code, element, f"{cell!r} is not inside the BBAN of {bbanlength}")
    return first - 1, last - first + 1


def parsecodes(code, element, cell):
    """Country codes separated by commas; a code may carry a note in brackets, "MF (French
    part)", which the code alone says already."""
    if absent(cell):
        return []
    codes = []
    for item in cell.split(","):
        m = re.fullmatch(r"\s*([A-Z]{2})(?: \([A-Za-z ]+\))?\s*", item)
        if not m:
            fail(code, element, f"{item!r} in {cell!r} is no country code")
        codes.append(m.group(1))
    if len(set(codes)) != len(codes):
        fail(code, element, f"{cell!r} names a code twice")
    return codes


def kindsat(parts):
    """The class of every position of a structure."""
    return "".join(k * n for n, k in parts)


def fits(text, parts):
    kinds = kindsat(parts)
    return len(text) == len(kinds) and all(ch in ALLOWED[k] for ch, k in zip(text, kinds))


def mod97(iban):
    moved = iban[4:] + iban[:4]
    return int("".join(str(int(ch, 36)) for ch in moved)) % 97


def plain(cell):
    return re.fullmatch(r"[A-Z0-9]+", cell) is not None


class Checks:
    """Runs the checks whose failures DISAGREEMENTS may excuse, and notes which excuses were
    used, so that a stale one can be reported."""

    def __init__(self):
        self.used = set()

    def expect(self, ok, code, element, message):
        key = (code, element)
        if key in DISAGREEMENTS:
            if ok:
                fail(code, element, f"agrees now ({DISAGREEMENTS[key]}): drop the disagreement")
            self.used.add(key)
        elif not ok:
            fail(code, element, message)

    def unused(self):
        return [key for key in DISAGREEMENTS if key not in self.used]


def country(col, checks):
    code = col[CODE]
    if not re.fullmatch(r"[A-Z]{2}", code):
        fail(code, CODE, "not two upper-case letters")
    if col[SEPA] not in ("Yes", "No"):
        fail(code, SEPA, f"{col[SEPA]!r} is neither Yes nor No")
    sepa = col[SEPA] == "Yes"

    parts = parsepattern(code, BBAN_STRUCTURE, col[BBAN_STRUCTURE])
    if len(parts) > MAX_SECTIONS:
        fail(code, BBAN_STRUCTURE, f"more than {MAX_SECTIONS} sections")
    bbanlength = sum(n for n, _ in parts)
    if not col[BBAN_LENGTH].isdigit() or int(col[BBAN_LENGTH]) != bbanlength:
        fail(code, BBAN_LENGTH, f"{col[BBAN_LENGTH]!r} against {bbanlength} of the structure")
    if col[IBAN_STRUCTURE] != code + "2!n" + col[BBAN_STRUCTURE]:
        fail(code, IBAN_STRUCTURE, f"{col[IBAN_STRUCTURE]!r} is not {code}2!n and the BBAN's")
    ibanlength = 4 + bbanlength
    if not col[IBAN_LENGTH].isdigit() or int(col[IBAN_LENGTH]) != ibanlength:
        fail(code, IBAN_LENGTH, f"{col[IBAN_LENGTH]!r} against {ibanlength} of the structure")
    if ibanlength > 34:
        fail(code, IBAN_LENGTH, f"{ibanlength} characters, more than an IBAN has")

    example = col[IBAN_EXAMPLE]
    if not example.startswith(code) or not fits(example[2:], [(2, "n")] + parts):
        fail(code, IBAN_EXAMPLE, f"{example!r} does not fit {col[IBAN_STRUCTURE]}")
    if mod97(example) != 1:
        fail(code, IBAN_EXAMPLE, f"{example!r} has wrong check digits")
    if col[PRINT_EXAMPLE].replace(" ", "") != example:
        fail(code, PRINT_EXAMPLE, f"{col[PRINT_EXAMPLE]!r} is another IBAN than {example!r}")
    bban = example[4:]

    # The BBAN example, where given, is the example IBAN's BBAN; blanks between its groups
    # are layout.
    if not absent(col[BBAN_EXAMPLE]):
        checks.expect(col[BBAN_EXAMPLE].replace(" ", "") == bban, code, BBAN_EXAMPLE,
                      f"{col[BBAN_EXAMPLE]!r} against {bban!r} of the example IBAN")

    kinds = kindsat(parts)
    spans = {}
    for what, position, pattern, sample in (
            ("bank", BANK_POSITION, BANK_PATTERN, BANK_EXAMPLE),
            ("branch", BRANCH_POSITION, BRANCH_PATTERN, BRANCH_EXAMPLE)):
        start, length = parseposition(code, position, col[position], bbanlength)
        spans[what] = (start, length)
        if length == 0:
            for element in (pattern, sample):
                if not absent(col[element]):
                    fail(code, element, f"{col[element]!r} for a {what} identifier it has not")
            continue
        # The pattern: as long as the position, of the structure's classes there (c may
        # stand for a section of letters and one of digits, as MU's bank identifier 6!c).
        if absent(col[pattern]):
            checks.expect(False, code, pattern, f"no pattern for the {what} identifier")
        else:
            mine = kindsat(parsepattern(code, pattern, col[pattern]))
            theirs = kinds[start:start + length]
            ok = len(mine) == length and all(m in (t, "c") for m, t in zip(mine, theirs))
            checks.expect(ok, code, pattern, f"{col[pattern]!r} against {theirs!r} at "
                          f"{col[position]}")
        # The example, where written as the identifier itself (AL's "212-1100-9" is not).
        if plain(col[sample]):
            got = bban[start:start + length]
            checks.expect(col[sample] == got, code, sample,
                          f"{col[sample]!r} against {got!r} of the example IBAN")
        elif not absent(col[sample]) and not re.fullmatch(r"[A-Z0-9]+(?:[- ][A-Z0-9]+)+",
                                                          col[sample]):
            fail(code, sample, f"{col[sample]!r} is no identifier")

    bank, branch = spans["bank"], spans["branch"]
    if bank[1] == 0:
        fail(code, BANK_POSITION, "no bank identifier")
    if branch[1] and branch[0] < bank[0] + bank[1] and bank[0] < branch[0] + branch[1]:
        fail(code, BRANCH_POSITION, f"{col[BRANCH_POSITION]} overlaps the bank identifier")

    includes = parsecodes(code, INCLUDES, col[INCLUDES])
    sepaalso = parsecodes(code, SEPA_ALSO, col[SEPA_ALSO])
    for other in sepaalso:
        if other not in includes:
            fail(code, SEPA_ALSO, f"{other} is not among the codes that {code} includes")
    if sepaalso and not sepa:
        fail(code, SEPA_ALSO, "SEPA territories of a country outside SEPA")
    epc = EPC_SEPA_TERRITORIES.get(code, ())
    for other in epc:
        if other not in includes or other in sepaalso:
            fail(code, SEPA_ALSO, f"the EPC's {other} is not a non-SEPA territory of {code} "
                 "here: revise EPC_SEPA_TERRITORIES")
    territories = [(other, other in sepaalso or other in epc) for other in includes]

    return {
        "code": code,
        "name": col[NAME],
        "sepa": sepa,
        "structure": col[BBAN_STRUCTURE],
        "parts": parts,
        "ibanlength": ibanlength,
        "bank": bank,
        "branch": branch,
        "bankposition": col[BANK_POSITION],
        "branchposition": col[BRANCH_POSITION],
        "example": example,
        "territories": territories,
    }


def build(columns):
    applycorrections(columns)
    checks = Checks()
    countries = [country(col, checks) for col in columns]
    stale = checks.unused()
    if stale:
        raise RegistryError(f"disagreements never met: {stale}")
    codes = [c["code"] for c in countries]
    if codes != sorted(codes) or len(set(codes)) != len(codes):
        raise RegistryError("country codes not in strict alphabetical order")
    seen = {}
    for c in countries:
        for other, _ in c["territories"]:
            if other in codes:
                fail(c["code"], INCLUDES, f"{other} is a registry country of its own")
            if other in seen:
                fail(c["code"], INCLUDES, f"{other} is {seen[other]}'s already")
            seen[other] = c["code"]
    for code in EPC_SEPA_TERRITORIES:
        if code not in codes:
            raise RegistryError(f"EPC_SEPA_TERRITORIES names {code}, not a registry country")
    return countries


def asciiname(name):
    return name.encode("ascii", "replace").decode("ascii")


HEADER = """\
// Generated by tools/registry-table.py; do not edit: correct the script and run it again.
// Source: SWIFT IBAN Registry, release of {release} ({count} countries).
//
// One row per IBAN country in order of the codes, {sepa} of them SEPA countries; included by
// registry.cpp. A row: code, IBAN length, SEPA, the BBAN's sections and their number; bank
// identifier start and length, branch identifier start and length (0-based in the BBAN,
// length 0 for none); the example IBAN; the territories. Above each row the registry's BBAN
// structure and identifier positions (1-based, as it writes them), after the corrections.

// clang-format off
constexpr RegistryCountry kRegistry[] = {{
"""

TERRITORIES = """\
}};

// The territories of the registry's "Country code includes other countries/territories" row,
// by code. SEPA as its "SEPA country also includes" row says, and for {epc} as the EPC's
// list of SEPA scheme countries says.
constexpr RegistryTerritory kTerritories[] = {{
"""


def cbool(b):
    return "true" if b else "false"


def render(countries):
    epc = sorted(t for ts in EPC_SEPA_TERRITORIES.values() for t in ts)
    out = [HEADER.format(release=RELEASE, count=len(countries),
                         sepa=sum(c["sepa"] for c in countries))]
    for c in countries:
        bank, branch = c["bank"], c["branch"]
        where = f"bank {c['bankposition']}"
        if branch[1]:
            where += f", branch {c['branchposition']}"
        parts = ", ".join(f"{KINDS[k]}({n})" for n, k in c["parts"])
        territories = " ".join(t for t, _ in c["territories"])
        out.append(f"    // {c['code']} {asciiname(c['name'])}: {c['structure']}, {where}\n")
        out.append(f"    {{\"{c['code']}\", {c['ibanlength']}, {cbool(c['sepa'])}, {{{parts}}}, "
                   f"{len(c['parts'])},\n")
        out.append(f"     {bank[0]}, {bank[1]}, {branch[0]}, {branch[1]}, \"{c['example']}\", "
                   f"\"{territories}\"}},\n")
    out.append(TERRITORIES.format(epc=", ".join(epc[:-1]) + " and " + epc[-1]))
    for t, owner, sepa in sorted((t, c["code"], s) for c in countries for t, s in c["territories"]):
        out.append(f"    {{\"{t}\", \"{owner}\", {cbool(sepa)}}},\n")
    out.append("};\n// clang-format on\n")
    return "".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("registry", nargs="?", type=pathlib.Path, default=DEFAULT_REGISTRY)
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    try:
        text = render(build(readregistry(args.registry)))
    except (RegistryError, OSError, UnicodeDecodeError, csv.Error) as e:
        sys.exit(f"registry-table: {e}")
    if args.check:
        if not OUTPUT.exists() or OUTPUT.read_text() != text:
            sys.exit(f"registry-table: {OUTPUT.relative_to(ROOT)} is not what the registry gives")
        return
    OUTPUT.write_text(text)


if __name__ == "__main__":
    main()
