"""IBANs of every registry country judged by velmora and by python-stdnum (stdnum.iban), side
by side; the helper of stdnum.sh.

  generate REGISTRY DIR   writes DIR/ibans.csv, one IBAN-only record per IBAN, and
                          DIR/cases.tsv, each record's number, country, kind and IBAN
  compare DIR             reads DIR/ibans.csv.out, velmora's results, and holds each code
                          against stdnum's verdict on the same IBAN

The IBANs, with a fixed seed, per country of SWIFT's IBAN Registry (its IBAN structures):
  example    the registry's example IBAN
  lower      the example in lower case
  spaced     the example in print format, groups of four
  random     random BBANs of the country's structure, IBAN check digits correct (where the
             country has national check digits, most of them are wrong)
  digit      the example with one digit of its BBAN changed, every digit place once, IBAN check
             digits recomputed: what the national check digits cover
  fitted     for countries whose national check digits stdnum verifies (those where a random
             IBAN drew its InvalidChecksum): random BBANs drawn until stdnum's national check
             takes them, so that both sides see right national check digits too
  swap       the example with two adjacent different digits of its BBAN swapped, every such
             pair once, IBAN check digits recomputed
  stale      the example with one BBAN digit changed and the IBAN check digits left
  longer     a random IBAN with one character more, IBAN check digits recomputed
  shorter    a random IBAN with one character less, IBAN check digits recomputed
  letter     a letter in a digit place of the example, IBAN check digits recomputed
  figure     a digit in a letter place of the example (countries with one), check digits
             recomputed
  territory  the BBAN of FR's, GB's or FI's example under the code of a territory that uses
             their IBANs (GP, JE, AX, ...): no IBAN country code, check digits recomputed

stdnum's verdict: "invalid:<exception>" when ISO 13616 validation (check_country=False)
fails; "national:<exception>" when that passes but check_country=True fails (InvalidChecksum:
the national check digits are wrong; InvalidComponent: the Belgian bank code is not in its
list); "valid" otherwise. The codes that answer them: valid 01 or 11, invalid 02, national 04.
Any other pair is a disagreement; KNOWN lists those that are understood, each with its reason.
"""

import csv
import random
import re
import sys
from collections import Counter, defaultdict
from pathlib import Path

import stdnum
from stdnum import iban as stdiban
from stdnum.exceptions import ValidationError

SEED = 13616
RANDOM_PER_COUNTRY = 12
FITTED_PER_COUNTRY = 8
FITTED_TRIES = 5000
STALE_PER_COUNTRY = 2
LETTER_PER_COUNTRY = 2
FIGURE_PER_COUNTRY = 2

# Territories that the registry lists under another country's code, with ISO 3166 codes of
# their own that are no IBAN country codes.
TERRITORIES = {
    "FR": "BL GF GP MF MQ NC PF PM RE TF WF YT",
    "GB": "GG IM JE",
    "FI": "AX",
}

CLASSES = {
    "n": "0123456789",
    "a": "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
    "c": "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ",
}

EXPECTED = {"valid": ("01", "11"), "invalid": ("02",), "national": ("04",)}

# Countries whose BBAN check digits velmora verifies and stdnum 1.18 does not: a BBAN of
# theirs with IBAN check digits right and national ones wrong is 04 for us, valid for it.
WE_CHECK_ONLY = "BA CZ EE FI FR HR HU IS IT MC PL PT RS RU SI SK SM TL XK"
# Countries of the January 2025 registry that stdnum's bundled registry (1.18) lacks: every
# IBAN of theirs is InvalidComponent (unknown country) there.
NEWER_THAN_STDNUM = "FK HN MN NI OM SO YE"

# The disagreements understood: (countries, kinds, velmora's code, stdnum's verdict, reason).
# Each country and kind of an entry must show it at least once, so that the list stays true.
KNOWN = [
    (WE_CHECK_ONLY, "random digit swap", "04", "valid",
     "national check digits that stdnum does not verify"),
    (NEWER_THAN_STDNUM, "example lower spaced random digit swap", "01",
     "invalid:InvalidComponent",
     "a country that stdnum's registry does not have yet"),
    # The example, BE68 539 0075470 34: its check digits 34 are 5390075470 mod 97, right;
    # 539 is no bank code of the National Bank of Belgium's list that stdnum carries. We hold
    # no list of Belgian bank codes; random BBANs with right national check digits and a bank
    # code missing from that list fail the same way.
    ("BE", "example lower spaced fitted", "01", "national:InvalidComponent",
     "stdnum also rejects Belgian bank codes missing from its list, which we do not hold"),
]


def registry(path):
    """(code, BBAN sections [(length, class)], example IBAN) per country, in registry order."""
    with open(path, encoding="cp1252", newline="") as f:
        rows = {row[0].strip(): row[1:] for row in csv.reader(f, delimiter="\t") if row}
    countries = []
    for i, code in enumerate(rows["IBAN prefix country code (ISO 3166)"]):
        code = code.strip()
        if not code:
            continue
        structure = rows["IBAN structure"][i].strip()
        length = int(rows["IBAN length"][i])
        example = rows["IBAN electronic format example"][i].strip()
        if not structure.startswith(code + "2!n"):
            sys.exit(f"{code}: IBAN structure {structure!r} does not start with {code}2!n")
        sections = [(int(n), k) for n, k in re.findall(r"(\d+)!([nac])", structure[5:])]
        if "".join(f"{n}!{k}" for n, k in sections) != structure[5:]:
            sys.exit(f"{code}: IBAN structure {structure!r} not understood")
        if 4 + sum(n for n, _ in sections) != length or len(example) != length:
            sys.exit(f"{code}: IBAN length {length} against {structure!r} and {example!r}")
        countries.append((code, sections, example))
    return countries


def mod97(text):
    """The IBAN's remainder modulo 97 (1 for right check digits)."""
    moved = text[4:] + text[:4]
    return int("".join(str(int(ch, 36)) for ch in moved)) % 97


def withcheck(code, bban):
    """The IBAN of code and bban with its check digits computed."""
    return f"{code}{98 - mod97(code + '00' + bban):02d}{bban}"


def classes(sections):
    """The class of each BBAN place."""
    return "".join(k * n for n, k in sections)


def other(rnd, alphabet, ch):
    return rnd.choice([c for c in alphabet if c != ch])


def put(text, i, ch):
    """text with its character at i replaced by ch."""
    return text[:i] + ch + text[i + 1:]


def fitted(rnd, code, randombban):
    """FITTED_PER_COUNTRY random IBANs of code that stdnum's national check takes."""
    found = []
    for _ in range(FITTED_TRIES):
        iban = withcheck(code, randombban())
        if verdict(iban) != "national:InvalidChecksum":
            found.append(iban)
            if len(found) == FITTED_PER_COUNTRY:
                return found
    sys.exit(f"{code}: {len(found)} of {FITTED_PER_COUNTRY} random IBANs that stdnum's "
             f"national check takes in {FITTED_TRIES} tries")


def generate(registry_path, folder):
    rnd = random.Random(SEED)
    cases = []  # (country, kind, iban)
    for code, sections, example in registry(registry_path):
        bban = example[4:]
        places = classes(sections)

        def randombban():
            return "".join(rnd.choice(CLASSES[k]) for k in places)

        def add(kind, *ibans, country=code):
            cases.extend((country, kind, iban) for iban in ibans)

        add("example", example)
        add("lower", example.lower())
        add("spaced", " ".join(example[i:i + 4] for i in range(0, len(example), 4)))
        randoms = [withcheck(code, randombban()) for _ in range(RANDOM_PER_COUNTRY)]
        add("random", *randoms)
        if any(verdict(iban) == "national:InvalidChecksum" for iban in randoms):
            add("fitted", *fitted(rnd, code, randombban))
        digits = [i for i, ch in enumerate(bban) if ch.isdigit()]
        for i in digits:
            add("digit", withcheck(code, put(bban, i, other(rnd, CLASSES["n"], bban[i]))))
            if i + 1 in digits and bban[i] != bban[i + 1]:
                add("swap", withcheck(code, put(put(bban, i, bban[i + 1]), i + 1, bban[i])))
        for i in rnd.sample(digits, STALE_PER_COUNTRY):
            add("stale", example[:4] + put(bban, i, other(rnd, CLASSES["n"], bban[i])))
        longer = randombban()
        i = rnd.randrange(len(longer) + 1)
        add("longer", withcheck(code, longer[:i] + rnd.choice(CLASSES["n"]) + longer[i:]))
        shorter = randombban()
        add("shorter", withcheck(code, put(shorter, rnd.randrange(len(shorter)), "")))
        nplaces = [i for i, k in enumerate(places) if k == "n"]
        for i in rnd.sample(nplaces, min(LETTER_PER_COUNTRY, len(nplaces))):
            add("letter", withcheck(code, put(bban, i, rnd.choice(CLASSES["a"]))))
        aplaces = [i for i, k in enumerate(places) if k == "a"]
        for i in rnd.sample(aplaces, min(FIGURE_PER_COUNTRY, len(aplaces))):
            add("figure", withcheck(code, put(bban, i, rnd.choice(CLASSES["n"]))))
        for territory in TERRITORIES.get(code, "").split():
            add("territory", withcheck(territory, bban), country=territory)
    folder = Path(folder)
    with open(folder / "ibans.csv", "w", encoding="ascii", newline="") as data, \
            open(folder / "cases.tsv", "w", encoding="ascii", newline="") as table:
        for number, (code, kind, iban) in enumerate(cases, 1):
            data.write(f"{number};;;;{iban};\r\n")
            table.write(f"{number}\t{code}\t{kind}\t{iban}\n")
    print(f"stdnum: {len(cases)} IBANs of {len({c for c, _, _ in cases})} country codes")


def verdict(iban):
    """stdnum's verdict on iban (see the top of this file)."""
    try:
        stdiban.validate(iban, check_country=False)
    except ValidationError as e:
        return f"invalid:{type(e).__name__}"
    try:
        stdiban.validate(iban, check_country=True)
    except ValidationError as e:
        return f"national:{type(e).__name__}"
    return "valid"


def results(path):
    """velmora's result lines by record number: the seven fields."""
    lines = {}
    with open(path, encoding="latin-1", newline="") as f:
        for line in f:
            if not (line.endswith('"\r\n') and line.startswith('"')):
                sys.exit(f"stdnum: result line not in seven quoted fields: {line!r}")
            fields = line[1:-3].split('";"')
            if len(fields) != 7:
                sys.exit(f"stdnum: result line not in seven quoted fields: {line!r}")
            lines[fields[0]] = fields
    return lines


def compare(folder):
    folder = Path(folder)
    ours = results(folder / "ibans.csv.out")
    known = {}
    for countries, kinds, code, theirs, reason in KNOWN:
        for country in countries.split():
            for kind in kinds.split():
                key = (country, kind, code, theirs)
                if key in known:
                    sys.exit(f"stdnum: {key} listed twice")
                known[key] = reason
    seen = set()
    unexplained = []
    wrongsplit = []
    counts = defaultdict(Counter)
    with open(folder / "cases.tsv", encoding="ascii") as table:
        cases = [line.rstrip("\n").split("\t") for line in table]
    if len(ours) != len(cases):
        sys.exit(f"stdnum: {len(cases)} records, {len(ours)} result lines")
    for number, country, kind, iban in cases:
        fields = ours.get(number)
        if fields is None:
            sys.exit(f"stdnum: no result line for record {number}")
        code = fields[6]
        theirs = verdict(iban)
        counts[kind]["compared"] += 1
        if code in EXPECTED[theirs.split(":")[0]]:
            counts[kind]["agreed"] += 1
            if code in ("01", "11", "04") and \
                    (fields[1], fields[4]) != (country, stdiban.compact(iban)):
                wrongsplit.append(f"{iban} ({country} {kind}): land {fields[1]!r}, IBAN "
                                  f"{fields[4]!r}, stdnum {stdiban.compact(iban)}")
            continue
        key = (country, kind, code, theirs)
        if key in known:
            seen.add(key)
            counts[kind]["listed"] += 1
        else:
            counts[kind]["unlisted"] += 1
            unexplained.append(f"{iban} ({country} {kind}): velmora {code}, stdnum {theirs}")
    for kind, c in counts.items():
        print(f"{kind:10} {c['compared']:5} compared, {c['agreed']:5} agreed, "
              f"{c['listed']:4} listed disagreements, {c['unlisted']:4} unlisted")
    stale = sorted(key for key in known if key not in seen)
    for line in unexplained:
        print(f"unlisted disagreement: {line}")
    for line in wrongsplit:
        print(f"valid IBAN given back wrong: {line}")
    for country, kind, code, theirs in stale:
        print(f"listed disagreement no longer seen: {country} {kind}: velmora {code}, "
              f"stdnum {theirs} ({known[(country, kind, code, theirs)]})")
    total = sum(c["compared"] for c in counts.values())
    print(f"stdnum {stdnum.__version__}: {total} IBANs compared, "
          f"{len(unexplained)} unlisted disagreements, "
          f"{len(wrongsplit)} valid IBANs given back wrong, {len(stale)} listed disagreements "
          "not seen")
    return 1 if unexplained or wrongsplit or stale else 0


def main(argv):
    if len(argv) == 4 and argv[1] == "generate":
        generate(argv[2], argv[3])
        return 0
    if len(argv) == 3 and argv[1] == "compare":
        return compare(argv[2])
    sys.exit("usage: stdnum_iban.py generate REGISTRY DIR | compare DIR")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
