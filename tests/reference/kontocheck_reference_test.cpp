// The check methods of German account numbers against a second, independent implementation of
// the Bundesbank's descriptions: libktoblzcheck (Debian's libktoblzcheck1-dev, 1.53), called
// through its public header by method code. For every method both know, random account numbers
// are checked by both and the verdicts compared.
//
// Where the two differ, the Bundesbank's description (edition June 2018,
// shared/bankdirs/pruefziffermethoden-2018-06.txt) decides. A difference it puts on our side is
// fixed in src/iban/checkmethods, and the number that showed it stays below among the checked
// cases. A difference it puts on the reference's side (a method amended after the reference's
// edition, or a plain fault of it) is listed in kKnown with its reason and a test of the
// numbers the reason covers: any other difference in that method still fails.
//
// The reference is given the account number in its ten-digit form with the leading zeros, as
// the descriptions write every number ("durch linksbündige Nullenauffüllung 10-stellig
// darzustellen"): for 52, 53 and B6 its verdict depends on how many digits it is given, ours
// never does.
#include <gtest/gtest.h>
#include <ktoblzcheck.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "iban/kontocheck.h"

namespace {

// --- The two sides ------------------------------------------------------------------------

// The reference, once for the whole program. With a method code given, it checks by that
// method and never consults its bank table.
const AccountNumberCheck& reference() {
  static const AccountNumberCheck check;
  return check;
}

// The reference's verdict; Unknown for a method code it does not know, or for any answer other
// than valid or invalid.
AccountCheck theirs(const std::string& method, const std::string& blz, const std::string& konto) {
  switch (reference().check(blz, konto, method)) {
    case AccountNumberCheck::OK: return AccountCheck::Valid;
    case AccountNumberCheck::ERROR: return AccountCheck::Invalid;
    default: return AccountCheck::Unknown;
  }
}

bool referenceknows(const std::string& method) {
  return theirs(method, "13051172", "1234567890") != AccountCheck::Unknown;
}

const char* name(AccountCheck v) {
  switch (v) {
    case AccountCheck::Valid: return "valid";
    case AccountCheck::Invalid: return "invalid";
    default: return "unknown";
  }
}

// One account number checked by both sides.
struct Verdicts {
  std::string method, blz, konto;  // konto: ten digits
  AccountCheck ours, theirs;
};

// Our verdict by another method, or on another number, for the reasons below.
bool ourvalid(const char* method, const Verdicts& v, const std::string& konto) {
  return checkaccount(method, v.blz, konto) == AccountCheck::Valid;
}

// How many digits the number has without its leading zeros.
std::size_t digits(const std::string& konto) {
  const std::size_t first = konto.find_first_not_of('0');
  return first == std::string::npos ? 0 : konto.size() - first;
}

// The number moved places positions to the left, zeros filling in at the right.
std::string shiftedleft(const std::string& konto, std::size_t places) {
  return konto.substr(places) + std::string(places, '0');
}

// The reference accepts what we reject.
bool onlytheirs(const Verdicts& v) {
  return v.ours == AccountCheck::Invalid && v.theirs == AccountCheck::Valid;
}

// We accept what the reference rejects.
bool onlyours(const Verdicts& v) {
  return v.ours == AccountCheck::Valid && v.theirs == AccountCheck::Invalid;
}

// --- Where the reference is wrong by the description ----------------------------------------

// A method on which the reference is known to differ from the description, why, and which
// differences that explains.
struct KnownDisagreement {
  const char* method;
  const char* reason;
  bool (*explains)(const Verdicts& v);
};

const KnownDisagreement kKnown[] = {
    {"13",
     "the second try (\"um zwei Stellen nach links zu verschieben\") is for numbers given "
     "without their sub-account 00; the reference also shifts numbers of 9 and 10 digits",
     [](const Verdicts& v) {
       return onlytheirs(v) && v.konto.compare(0, 2, "00") != 0 &&
              ourvalid("13", v, shiftedleft(v.konto, 2));
     }},
    {"16",
     "remainder 1 needs positions 9 and 10 alike, as method 23 (\"entspricht dem des "
     "Kennzeichens 16\") tabulates it; the reference also takes method 06's check digit 0",
     [](const Verdicts& v) {
       return onlytheirs(v) && v.konto[9] == '0' && ourvalid("06", v, v.konto);
     }},
    {"45",
     "amended 04.06.2018 (48 at positions 1 and 2: no check digit): the reference predates it",
     [](const Verdicts& v) { return onlyours(v) && v.konto.compare(0, 2, "48") == 0; }},
    {"50",
     "as 13 with the sub-account 000: the reference also shifts numbers of more than seven "
     "digits",
     [](const Verdicts& v) {
       return onlytheirs(v) && v.konto.compare(0, 3, "000") != 0 &&
              ourvalid("50", v, shiftedleft(v.konto, 3));
     }},
    {"54",
     "a remainder of 0 or 1 makes the number unusable (\"Ergibt sich als Rest 0 oder 1, ist die "
     "Prüfziffer zweistellig\"); the reference takes the check digit 0",
     [](const Verdicts& v) { return onlytheirs(v) && v.konto[9] == '0'; }},
    // The number as it stands: method 00 on the base number at positions 2 to 7 with the check
    // digit at 8 (positions 4 to 9 and 10 of the number built for it).
    {"63",
     "with 000 at positions 1 to 3 the reference tries only the number without sub-account; the "
     "base number \"kann auch führende Nullen enthalten\", so it counts as it stands too",
     [](const Verdicts& v) {
       return onlyours(v) && v.konto.compare(0, 3, "000") == 0 &&
              ourvalid("00", v, "000" + v.konto.substr(1, 7));
     }},
    {"66",
     "position 1 \"gehört nicht zur Kontonummer, muss daher 0 sein\"; the reference checks "
     "ten-digit numbers as if it were 0",
     [](const Verdicts& v) {
       return onlytheirs(v) && v.konto[0] != '0' && ourvalid("66", v, "0" + v.konto.substr(1));
     }},
    {"68", "the numbers are \"6- bis 10-stellig\"; the reference checks shorter ones too",
     [](const Verdicts& v) { return onlytheirs(v) && digits(v.konto) < 6; }},
    {"74", "the numbers are \"2- bis 10-stellig\"; the reference accepts the number 0",
     [](const Verdicts& v) { return onlytheirs(v) && digits(v.konto) < 2; }},
    {"75", "the numbers are \"6-, 7- oder 9-stellig\"; the reference checks other lengths too",
     [](const Verdicts& v) {
       const std::size_t n = digits(v.konto);
       return onlytheirs(v) && n != 6 && n != 7 && n != 9;
     }},
    {"78",
     "only \"8-stellige Kontonummern sind nicht prüfbar\" (the test number 7581499 has a check "
     "digit); the reference accepts every number of fewer than eight digits",
     [](const Verdicts& v) { return onlytheirs(v) && digits(v.konto) < 8; }},
    // Ledger accounts (9 at position 3) go by method 51, which weights position 1 too.
    {"81",
     "only positions 4 to 9 are weighted (\"entsprechen dem Verfahren 32\"); the reference's "
     "verdict depends on position 1 too",
     [](const Verdicts& v) { return v.konto[0] != '0' && v.konto[2] != '9'; }},
    // Ours for the same number with 0 at position 3 is the customer methods' verdict, which
    // never look at position 3.
    {"83",
     "ledger accounts (99 at positions 3 and 4) go by their own method only; the reference tries "
     "the customer methods A to C on them too, and refuses their check digits 7 to 9 by C's rule",
     [](const Verdicts& v) {
       if (v.konto.compare(2, 2, "99") != 0) return false;
       return onlyours(v) ? v.konto[9] >= '7'
                          : ourvalid("83", v, v.konto.substr(0, 2) + "0" + v.konto.substr(3));
     }},
    // Method F is modulus 11 as 06 with the weights 2 to 8 on positions 3 to 9: method 28 on the
    // number moved two places left. The customer methods never look at position 3.
    {"90",
     "ledger accounts (9 at position 3) \"sind ausschließlich nach Methode F zu prüfen\", "
     "customer accounts by A to E and G; the reference tries F on customer accounts and A to E "
     "and G on ledger accounts too",
     [](const Verdicts& v) {
       if (!onlytheirs(v)) return false;
       return v.konto[2] == '9' ? ourvalid("90", v, v.konto.substr(0, 2) + "0" + v.konto.substr(3))
                                : ourvalid("28", v, shiftedleft(v.konto, 2));
     }},
    {"B1", "amended 05.06.2017 (variant 3, method 00): the reference predates it",
     [](const Verdicts& v) { return onlyours(v) && ourvalid("00", v, v.konto); }},
    {"C2", "amended 04.09.2017 (variant 3, method 04): the reference predates it",
     [](const Verdicts& v) { return onlyours(v) && ourvalid("04", v, v.konto); }},
    {"C7", "variant 1 is method 63, where the reference differs as listed there",
     [](const Verdicts& v) {
       return onlyours(v) && v.konto.compare(0, 3, "000") == 0 &&
              ourvalid("00", v, "000" + v.konto.substr(1, 7));
     }},
};

const KnownDisagreement* knownfor(const std::string& method) {
  for (const KnownDisagreement& k : kKnown)
    if (method == k.method) return &k;
  return nullptr;
}

// Methods the reference does not know: not compared.
struct NotCompared {
  const char* method;
  const char* reason;
};

const NotCompared kNotCompared[] = {
    {"E4", "new since 05.06.2017: the reference predates it"},
};

// Numbers the reference must not be given: it never returns on them.
struct NotAsked {
  const char* method;
  const char* reason;
  bool (*holds)(const std::string& konto);
};

const NotAsked kNotAsked[] = {
    {"87",
     "positions 4 to 10 all 0 outside the ledger accounts: the reference recurses until "
     "its stack runs out",
     [](const std::string& konto) {
       return konto[2] != '9' && konto.compare(3, 7, "0000000") == 0;
     }},
};

bool notasked(const std::string& method, const std::string& konto) {
  for (const NotAsked& n : kNotAsked)
    if (method == n.method && n.holds(konto)) return true;
  return false;
}

// --- The numbers drawn ----------------------------------------------------------------------

// Every method code the descriptions may use, "00" to "E9".
std::vector<std::string> allcodes() {
  std::vector<std::string> codes;
  for (const char first : std::string("0123456789ABCDE"))
    for (char second = '0'; second <= '9'; ++second) codes.push_back({first, second});
  return codes;
}

struct Draw {
  std::string blz, konto;
};

// Numbers per method.
constexpr int kDraws = 4000;

// The numbers for one method, the same on every run. Of every eight: five of ten random digits
// (a tenth of them with a leading zero), two shorter ones of 1 to 9 digits with their leading
// zeros, and one of ten digits rich in 0 and 9, the digits the descriptions' exceptions turn on
// (ledger accounts, sub-accounts left off, ranges). The bank code is a savings bank's, with 5
// at position 4: the kind whose old-system numbers methods 52 and 53 (and B6 and C0 through
// them) build from the bank code ("BLZ XXX5XXXX"); the other methods ignore it.
std::vector<Draw> draws(std::uint32_t seed) {
  std::mt19937 rng(seed);
  auto digit = [&rng] { return static_cast<char>('0' + rng() % 10); };
  std::vector<Draw> out;
  for (int i = 0; i < kDraws; ++i) {
    Draw d;
    d.blz = std::string(1, static_cast<char>('1' + rng() % 8));
    for (int p = 2; p <= 8; ++p) d.blz += p == 4 ? '5' : digit();
    switch (i % 8) {
      case 5:
      case 6: {
        const int n = 1 + static_cast<int>(rng() % 9);
        d.konto = std::string(10 - n, '0') + static_cast<char>('1' + rng() % 9);
        for (int p = 1; p < n; ++p) d.konto += digit();
        break;
      }
      case 7:
        for (int p = 0; p < 10; ++p) {
          const std::uint32_t r = rng() % 3;
          d.konto += r == 0 ? '0' : r == 1 ? '9' : digit();
        }
        break;
      default:
        for (int p = 0; p < 10; ++p) d.konto += digit();
    }
    out.push_back(d);
  }
  return out;
}

// --- The tests ------------------------------------------------------------------------------

std::string show(const Verdicts& v) {
  return v.method + " " + v.blz + " " + v.konto + ": ours " + name(v.ours) + ", reference " +
         name(v.theirs);
}

// Every method both know, on random numbers: the verdicts agree, or differ only where a listed
// reason explains it. Every method we know is compared unless listed as not compared.
TEST(KontocheckReference, RandomNumbersOfEveryMethodBothKnow) {
  const std::vector<std::string> codes = allcodes();
  int compared = 0;
  for (std::size_t slot = 0; slot < codes.size(); ++slot) {
    const std::string& m = codes[slot];
    if (!knownmethod(m)) continue;
    SCOPED_TRACE("method " + m);
    if (!referenceknows(m)) {
      bool listed = false;
      for (const NotCompared& n : kNotCompared) listed = listed || m == n.method;
      EXPECT_TRUE(listed) << "the reference does not know method " << m;
      continue;
    }
    ++compared;
    const KnownDisagreement* known = knownfor(m);
    int explained = 0, unexplained = 0, asked = 0;
    for (const Draw& d : draws(20180600u + static_cast<std::uint32_t>(slot))) {
      if (notasked(m, d.konto)) continue;
      ++asked;
      const Verdicts v{m, d.blz, d.konto, checkaccount(m, d.blz, d.konto),
                       theirs(m, d.blz, d.konto)};
      ASSERT_NE(v.ours, AccountCheck::Unknown) << show(v);
      ASSERT_NE(v.theirs, AccountCheck::Unknown) << show(v);
      if (v.ours == v.theirs) continue;
      if (known != nullptr && known->explains(v)) {
        ++explained;
        continue;
      }
      // The first few suffice to see the pattern.
      if (++unexplained <= 5) ADD_FAILURE() << show(v);
    }
    EXPECT_EQ(unexplained, 0) << "numbers on which the two differ, of " << asked;
    if (explained > 0)
      std::printf("method %s: %d of %d numbers differ, as listed: %s\n", m.c_str(), explained,
                  asked, known->reason);
  }
  std::printf("%d methods compared, %d numbers each\n", compared, kDraws);
  EXPECT_GT(compared, 0);
}

// The lists above name methods both sides know, each once; what the reference does not know
// it really does not.
TEST(KontocheckReference, TheListsNameRealMethods) {
  std::vector<std::string> seen;
  for (const KnownDisagreement& k : kKnown) {
    EXPECT_TRUE(knownmethod(k.method) && referenceknows(k.method)) << k.method;
    for (const std::string& s : seen) EXPECT_NE(s, k.method) << "listed twice";
    seen.push_back(k.method);
  }
  for (const NotCompared& n : kNotCompared) {
    EXPECT_TRUE(knownmethod(n.method)) << n.method;
    EXPECT_FALSE(referenceknows(n.method)) << n.method << " is known to the reference now";
  }
}

// Numbers with the verdict the description gives them: the ones that showed faults of ours
// against the reference (none is one of the Bundesbank's test numbers, which are in
// tests/data/checkmethods), and one or two for each listed difference of the reference. Ours
// must give that verdict; the reference gives it too, or differs as listed.
struct CheckedCase {
  const char* method;
  const char* konto;
  AccountCheck verdict;
  const char* why;
};

constexpr AccountCheck kValid = AccountCheck::Valid;
constexpr AccountCheck kInvalid = AccountCheck::Invalid;

const CheckedCase kChecked[] = {
    // Faults of ours, fixed.
    {"17", "0000000004", kInvalid, "base number 000000: 10 - (0 - 1) is no digit"},
    {"C1", "0000000004", kInvalid, "variant 1 is method 17"},
    {"21", "0000000000", kInvalid, "the sum 0: 10 - 0 is no digit"},
    {"24", "9890891336", kInvalid, "9 at position 1 and 0 at position 4"},
    {"24", "9780859708", kInvalid, "9 at position 1 and 0 at position 4"},
    {"54", "4994580730", kInvalid, "remainder 0: the check digit would be 11"},
    // The reference's differences.
    {"13", "0861094952", kInvalid, "wrong as it stands; only 6109495200 is right"},
    {"16", "2037186280", kInvalid, "remainder 1, positions 9 and 10 differ"},
    {"45", "4823253332", kValid, "begins with 48: no check digit"},
    {"50", "2857892934", kInvalid, "wrong as it stands; only 7892934000 is right"},
    {"54", "4922421590", kInvalid, "remainder 1: the check digit would be 10"},
    {"63", "0001234456", kValid, "base number 001234, check digit 4, sub-account 56"},
    {"66", "4955744250", kInvalid, "position 1 is not 0"},
    {"68", "0000042689", kInvalid, "five digits"},
    {"74", "0000000000", kInvalid, "no digit at all"},
    {"75", "1274761818", kInvalid, "ten digits"},
    {"78", "0000165642", kInvalid, "six digits, wrong by method 00"},
    {"81", "4307693390", kInvalid, "positions 4 to 9 give the check digit 7"},
    {"81", "2857892934", kValid, "positions 4 to 9 give the check digit 4"},
    {"83", "0099486849", kValid, "ledger account, check digit 9"},
    {"83", "0099486841", kInvalid, "ledger account, check digit 9, not 1"},
    {"90", "9660508558", kInvalid, "customer account, right only by method F"},
    {"B1", "8347251699", kValid, "variant 3, a test number of the description"},
    {"C2", "9024675138", kValid, "variant 3, a test number of the description"},
    {"C7", "0001234456", kValid, "as 63"},
};

TEST(KontocheckReference, CheckedNumbers) {
  const std::string blz = "13051172";
  for (const CheckedCase& c : kChecked) {
    SCOPED_TRACE(std::string(c.method) + " " + c.konto + " (" + c.why + ")");
    const Verdicts v{c.method, blz, c.konto, checkaccount(c.method, blz, c.konto),
                     theirs(c.method, blz, c.konto)};
    EXPECT_EQ(v.ours, c.verdict) << show(v);
    if (v.theirs != c.verdict) {
      const KnownDisagreement* known = knownfor(c.method);
      EXPECT_TRUE(known != nullptr && known->explains(v)) << show(v);
    }
  }
}

// A cell of the table of test numbers without its blanks.
std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// The Bundesbank's test numbers (tests/data/checkmethods, which ours passes by the test
// Kontocheck.TheBundesbanksTestNumbers): the reference gives them the same verdicts, or differs
// as listed. Here the listed differences meet the description's own numbers.
TEST(KontocheckReference, TheBundesbanksTestNumbers) {
  const std::filesystem::path dir = std::filesystem::path(VELMORA_TESTDATA) / "checkmethods";
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".txt") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  int checked = 0, differing = 0;
  for (const auto& f : files) {
    std::ifstream in(f);
    int n = 0;
    for (std::string line; std::getline(in, line);) {
      ++n;
      if (trim(line).empty() || trim(line)[0] == '#') continue;
      std::vector<std::string> part;
      std::istringstream cells(line);
      for (std::string cell; std::getline(cells, cell, '|');) part.push_back(trim(cell));
      while (part.size() < 4) part.emplace_back();
      const std::string& m = part[0];
      if (!referenceknows(m)) continue;
      const std::string blz = part[1] == "-" ? "00000000" : part[1];
      SCOPED_TRACE(f.filename().string() + ":" + std::to_string(n) + " method " + m);
      for (int column = 2; column <= 3; ++column) {
        std::istringstream numbers(part[column]);
        for (std::string k; numbers >> k;) {
          const std::string konto = std::string(10 - std::min<std::size_t>(k.size(), 10), '0') + k;
          if (notasked(m, konto)) continue;
          ++checked;
          const AccountCheck verdict = column == 2 ? AccountCheck::Valid : AccountCheck::Invalid;
          const Verdicts v{m, blz, konto, checkaccount(m, blz, konto), theirs(m, blz, konto)};
          if (v.theirs == verdict) continue;
          ++differing;
          const KnownDisagreement* known = knownfor(m);
          EXPECT_TRUE(v.ours == verdict && known != nullptr && known->explains(v)) << show(v);
        }
      }
    }
  }
  std::printf("%d test numbers, %d of them judged otherwise by the reference\n", checked,
              differing);
}

}  // namespace
