// Country bank-code and account-number rules: the set of supported countries.
#include "iban/country.h"

#include <cstring>

#include "common/textbuf.h"
#include "iban/chars.h"
#include "iban/iban.h"
#include "iban/registry.h"

// The bank-code part of the BBAN: the registry's bank and branch identifiers, but where this
// system has split otherwise since its first countries ("FI" takes 6 digits here, the
// registry 3). A BBAN this table and the next build is checked against the registry's
// structure afterwards: a letter where the registry wants a digit is refused there.
constexpr CountryRule kBankCodeRules[kCountries] = {
    {"AD", Check::Num, 4, 4},  {"AT", Check::Num, 5, 0},    {"BE", Check::Num, 3, 0},
    {"BG", Check::Alfa, 4, 4}, {"CH", Check::Num, 5, 0},    {"CY", Check::Num, 3, 5},
    {"CZ", Check::Num, 4, 0},  {"DE", Check::Num, 8, 0},    {"DK", Check::Num, 4, 0},
    {"EE", Check::Num, 2, 0},  {"ES", Check::Num, 4, 4},    {"FI", Check::Num, 6, 0},
    {"FO", Check::Num, 4, 0},  {"FR", Check::Num, 5, 5},    {"GB", Check::Alfa, 4, 6},
    {"GI", Check::Alfa, 4, 0}, {"GL", Check::Num, 4, 0},    {"GR", Check::Num, 3, 4},
    {"HR", Check::Num, 7, 0},  {"HU", Check::Num, 3, 4},    {"IE", Check::Alfa, 4, 6},
    {"IS", Check::Num, 4, 0},  {"IT", Check::Letter, 5, 5}, {"LI", Check::Num, 5, 0},
    {"LT", Check::Num, 5, 0},  {"LU", Check::Num, 3, 0},    {"LV", Check::Alfa, 4, 0},
    {"MC", Check::Num, 5, 5},  {"MT", Check::Alfa, 4, 5},   {"NL", Check::Alfa, 4, 0},
    {"NO", Check::Num, 4, 0},  {"PL", Check::Num, 8, 0},    {"PT", Check::Num, 4, 4},
    {"RO", Check::Alfa, 4, 0}, {"SE", Check::Num, 3, 0},    {"SI", Check::Num, 5, 0},
    {"SK", Check::Num, 4, 0},  {"SM", Check::Letter, 5, 5}, {"VA", Check::Num, 3, 0},
};

// The account part: everything behind the bank code up to the end of the IBAN. "FR" and "MC"
// end in two digits padded on the right; "ES" keeps its first two characters as given. "HU"
// is the registry's 17 digits: the check digit of bank and branch, 15 digits, a check digit.
constexpr CountryRule kAccountRules[kCountries] = {
    {"AD", Check::Alfanum, 12, 0}, {"AT", Check::Num, 11, 0},     {"BE", Check::Num, 9, 0},
    {"BG", Check::Alfanum, 10, 0}, {"CH", Check::Alfanum, 12, 0}, {"CY", Check::Alfanum, 16, 0},
    {"CZ", Check::Num, 16, 0},     {"DE", Check::Num, 10, 0},     {"DK", Check::Num, 10, 0},
    {"EE", Check::Num, 14, 0},     {"ES", Check::Pair, 10, 0},    {"FI", Check::Num, 8, 0},
    {"FO", Check::Num, 10, 0},     {"FR", Check::Alfanum, 11, 2}, {"GB", Check::Num, 8, 0},
    {"GI", Check::Alfanum, 15, 0}, {"GL", Check::Num, 10, 0},     {"GR", Check::Alfanum, 16, 0},
    {"HR", Check::Num, 10, 0},     {"HU", Check::Num, 17, 0},     {"IE", Check::Num, 8, 0},
    {"IS", Check::Num, 18, 0},     {"IT", Check::Alfanum, 12, 0}, {"LI", Check::Alfanum, 12, 0},
    {"LT", Check::Num, 11, 0},     {"LU", Check::Alfanum, 13, 0}, {"LV", Check::Alfanum, 13, 0},
    {"MC", Check::Alfanum, 11, 2}, {"MT", Check::Alfanum, 18, 0}, {"NL", Check::Num, 10, 0},
    {"NO", Check::Num, 7, 0},      {"PL", Check::Num, 16, 0},     {"PT", Check::Num, 13, 0},
    {"RO", Check::Alfanum, 16, 0}, {"SE", Check::Num, 17, 0},     {"SI", Check::Num, 10, 0},
    {"SK", Check::Num, 16, 0},     {"SM", Check::Alfanum, 12, 0}, {"VA", Check::Num, 15, 0},
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
constexpr CountryIndex makecodeindex() {
  CountryIndex index{};
  for (int i = 0; i < kCountries; ++i) {
    const char* land = kBankCodeRules[i].land;
    index.row[(land[0] - 'A') * 26 + (land[1] - 'A')] = static_cast<unsigned char>(i + 1);
  }
  return index;
}

}  // namespace

constexpr CountryIndex kCountryIndex = makecodeindex();

namespace {

bool islineend(char c) {
  return c == '\r' || c == '\n';
}

bool isupperc(char c) {
  return c >= 'A' && c <= 'Z';
}

// The row number + 1 of an exactly two-character, case-sensitive country code, 0 for none.
int rowof(const char* land) {
  if (!isupperc(land[0]) || !isupperc(land[1]) || land[2] != '\0') return 0;
  return kCountryIndex.row[(land[0] - 'A') * 26 + (land[1] - 'A')];
}

// The row of a country code, or of the country whose IBANs a territory uses ("GP": "FR"), or
// null.
const CountryRule* findrule(const CountryRule* table, const char* land) {
  int row = rowof(land);
  if (row == 0) {
    const char* prefix = territoryprefix(land);
    if (prefix == nullptr) return nullptr;
    row = rowof(prefix);
  }
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

const char* territoryprefix(const char* land) {
  const RegistryCountry* c = ibancountryof(land);
  return c == nullptr || std::strcmp(c->code, land) == 0 ? nullptr : c->code;
}

namespace {

// National check characters a record may leave out of a number. The number is then given in
// the form it has without them, told apart by its count of letters and digits, and gets a
// placeholder in front, which the IBAN built from it has filled in. Only numbers of digits
// alone: the placeholder must leave a number that the country's rule takes. Where a number that has
// them could be mistaken for one without (a leading zero lost in a spreadsheet), filling in
// gives what it had: a right check digit is the one computed.
struct LeftOut {
  char land[3];
  int given;  // digits of the number without them
  const char* placeholder;
};
// Account numbers: ES without its two control digits, HU without the check digit of bank
// and branch that leads its 17 digits.
constexpr LeftOut kKontoLeftOut[] = {{"ES", 10, "00"}, {"HU", 16, "0"}};
// Bank codes: IT and SM as ABI and CAB without the CIN letter in front.
constexpr LeftOut kBlzLeftOut[] = {{"IT", 10, "X"}, {"SM", 10, "X"}};

// leftoutblz and leftoutkonto let every other country by without a look at these tables.
template <std::size_t N>
constexpr bool covered(const LeftOut (&table)[N], const char* a, const char* b) {
  for (const LeftOut& row : table) {
    const bool found = (row.land[0] == a[0] && row.land[1] == a[1]) ||
                       (row.land[0] == b[0] && row.land[1] == b[1]);
    if (!found) return false;
  }
  return true;
}
static_assert(covered(kBlzLeftOut, "IT", "SM") && covered(kKontoLeftOut, "ES", "HU"),
              "a country the inline leftout tests do not let through to its row");

// The digits of text when it holds no letter, else -1.
int digitcount(const char* text) {
  int n = 0;
  for (; *text; ++text) {
    const CharClass c = charclass(*text);
    if (c == CharClass::Upper || c == CharClass::Lower) return -1;
    n += c == CharClass::Digit ? 1 : 0;
  }
  return n;
}

template <std::size_t N>
int leftout(const LeftOut (&table)[N], const char* land, char* text) {
  for (const LeftOut& row : table) {
    if (row.land[0] != land[0] || row.land[1] != land[1] || land[2] != '\0') continue;
    if (digitcount(text) != row.given) continue;
    const std::size_t n = std::strlen(row.placeholder), len = std::strlen(text);
    if (len + n >= static_cast<std::size_t>(kFieldSize)) return 0;
    std::memmove(text + n, text, len + 1);
    std::memcpy(text, row.placeholder, n);
    return static_cast<int>(n);
  }
  return 0;
}

}  // namespace

int leftoutblzrule(const char* land, char* blz) {
  return leftout(kBlzLeftOut, land, blz);
}

int leftoutkontorule(const char* land, char* konto) {
  return leftout(kKontoLeftOut, land, konto);
}
