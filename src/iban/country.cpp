// Country bank-code and account-number rules: the set of supported countries.
#include "iban/country.h"

#include "iban/iban.h"

// The bank-code part of the BBAN. These lengths are this system's own split: "FI" takes 6
// digits here, "HU" 7 (its account 16), so a "HU" BBAN has 23 characters, not 24.
constexpr CountryRule kBankCodeRules[kCountries] = {
    {"AD", Check::Num, 4, 4},    {"AT", Check::Num, 5, 0},  {"BE", Check::Num, 3, 0},
    {"CH", Check::Num, 5, 0},    {"CZ", Check::Num, 4, 0},  {"DE", Check::Num, 8, 0},
    {"DK", Check::Num, 4, 0},    {"ES", Check::Num, 4, 4},  {"FI", Check::Num, 6, 0},
    {"FO", Check::Num, 4, 0},    {"FR", Check::Num, 5, 5},  {"GB", Check::Alfa, 4, 6},
    {"GI", Check::Alfa, 4, 0},   {"GL", Check::Num, 4, 0},  {"GR", Check::Num, 3, 4},
    {"HU", Check::Num, 3, 4},    {"IE", Check::Alfa, 4, 6}, {"IS", Check::Num, 4, 0},
    {"IT", Check::Letter, 5, 5}, {"LI", Check::Num, 5, 0},  {"LU", Check::Num, 3, 0},
    {"LV", Check::Alfa, 4, 0},   {"MC", Check::Num, 5, 5},  {"NL", Check::Alfa, 4, 0},
    {"NO", Check::Num, 4, 0},    {"PL", Check::Num, 8, 0},  {"PT", Check::Num, 4, 4},
    {"SE", Check::Num, 3, 0},    {"SI", Check::Num, 5, 0},  {"SM", Check::Letter, 5, 5},
};

// The account part: everything behind the bank code up to the end of the IBAN. "FR" and "MC"
// end in two digits padded on the right; "ES" keeps its first two characters as given.
constexpr CountryRule kAccountRules[kCountries] = {
    {"AD", Check::Alfanum, 12, 0}, {"AT", Check::Num, 11, 0},     {"BE", Check::Num, 9, 0},
    {"CH", Check::Alfanum, 12, 0}, {"CZ", Check::Num, 16, 0},     {"DE", Check::Num, 10, 0},
    {"DK", Check::Num, 10, 0},     {"ES", Check::Pair, 10, 0},    {"FI", Check::Num, 8, 0},
    {"FO", Check::Num, 10, 0},     {"FR", Check::Alfanum, 11, 2}, {"GB", Check::Num, 8, 0},
    {"GI", Check::Alfanum, 15, 0}, {"GL", Check::Num, 10, 0},     {"GR", Check::Alfanum, 16, 0},
    {"HU", Check::Alfanum, 16, 0}, {"IE", Check::Num, 8, 0},      {"IS", Check::Num, 18, 0},
    {"IT", Check::Alfanum, 12, 0}, {"LI", Check::Alfanum, 12, 0}, {"LU", Check::Alfanum, 13, 0},
    {"LV", Check::Alfanum, 13, 0}, {"MC", Check::Alfanum, 11, 2}, {"NL", Check::Num, 10, 0},
    {"NO", Check::Num, 7, 0},      {"PL", Check::Alfanum, 16, 0}, {"PT", Check::Num, 13, 0},
    {"SE", Check::Num, 17, 0},     {"SI", Check::Num, 10, 0},     {"SM", Check::Alfanum, 12, 0},
};

namespace {

// Both tables must name the same countries in the same order (the code index below serves
// both), each code two distinct upper-case letters, and every IBAN they can produce must stay
// inside the 39 characters that calcchknr accepts.
constexpr bool consistent() {
  for (int i = 0; i < kCountries; ++i) {
    const CountryRule& b = kBankCodeRules[i];
    const CountryRule& k = kAccountRules[i];
    if (b.land[0] != k.land[0] || b.land[1] != k.land[1] || b.land[2] != '\0') return false;
    if (b.land[0] < 'A' || b.land[0] > 'Z' || b.land[1] < 'A' || b.land[1] > 'Z') return false;
    for (int j = 0; j < i; ++j) {
      const char* other = kBankCodeRules[j].land;
      if (other[0] == b.land[0] && other[1] == b.land[1]) return false;
    }
    if (4 + rulelength(b) + rulelength(k) > 39) return false;
  }
  return true;
}
static_assert(consistent(), "country tables out of step");

// Row number + 1 of every country code "AA".."ZZ" in the tables, 0 for the codes they lack;
// both tables share it, as they list the same countries in the same order.
struct CodeIndex {
  unsigned char row[26 * 26];
};

constexpr CodeIndex makecodeindex() {
  CodeIndex index{};
  for (int i = 0; i < kCountries; ++i) {
    const char* land = kBankCodeRules[i].land;
    index.row[(land[0] - 'A') * 26 + (land[1] - 'A')] = static_cast<unsigned char>(i + 1);
  }
  return index;
}

constexpr CodeIndex kCodeIndex = makecodeindex();

bool islineend(char c) {
  return c == '\r' || c == '\n';
}

bool isupperc(char c) {
  return c >= 'A' && c <= 'Z';
}

// The row of an exactly two-character, case-sensitive country code, or null.
const CountryRule* findrule(const CountryRule* table, const char* land) {
  if (!isupperc(land[0]) || !isupperc(land[1]) || land[2] != '\0') return nullptr;
  int row = kCodeIndex.row[(land[0] - 'A') * 26 + (land[1] - 'A')];
  return row == 0 ? nullptr : &table[row - 1];
}

using CheckFn = int (*)(char*, int, int);
// The field checks of a text that must be the number, and of one whose head is (cut).
constexpr CheckFn kExact[3] = {isnnum, isnalfa, isnalfanum};
constexpr CheckFn kCut[3] = {cutnum, cutalfa, cutalfanum};

// Runs the rule's check on text. Returns true when it fits (text then normalised).
bool fits(const CountryRule& rule, char* text, const CheckFn (&checks)[3]) {
  const CheckFn num = checks[0];
  switch (rule.check) {
    case Check::Num: return num(text, rule.l1, rule.l2) == 0;
    case Check::Alfa: return checks[1](text, rule.l1, rule.l2) == 0;
    case Check::Alfanum: return checks[2](text, rule.l1, rule.l2) == 0;
    case Check::Letter:
      // Taken as it stands: a lower-case letter or a leading blank fails, deliberately.
      if (!isupperc(text[0])) return false;
      return num(text + 1, rule.l1, rule.l2) == 0;
    case Check::Pair:
      // The pair is not looked at, but it must be there: a shorter text has nothing behind
      // its end to check, so it fails untouched. Nor may it hold a line end, which reaches an
      // account field from a line that ends behind it: taken over into an IBAN, it would break
      // the result line in two.
      if (text[0] == '\0' || text[1] == '\0') return false;
      if (islineend(text[0]) || islineend(text[1])) return false;
      return num(text + 2, rule.l1, rule.l2) == 0;
  }
  return false;
}

int applyrule(const CountryRule* table, const char* land, char* text,
              const CheckFn (&checks)[3] = kExact) {
  const CountryRule* rule = findrule(table, land);
  if (rule == nullptr || !fits(*rule, text, checks)) return 0;
  return rulelength(*rule);
}

}  // namespace

int getblz(const char* land, char* blz) {
  return applyrule(kBankCodeRules, land, blz);
}

int ibanblz(const char* land, char* blz) {
  return applyrule(kBankCodeRules, land, blz, kCut);
}

int getkonto(const char* land, char* konto) {
  return applyrule(kAccountRules, land, konto);
}
