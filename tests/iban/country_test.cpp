#include "iban/country.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/textbuf.h"
#include "iban/iban.h"
#include "iban/registry.h"

namespace {

using RuleFn = int (*)(const char*, char*);

struct RuleCase {
  const char* why;
  const char* land;
  const char* text;
  int want;
  const char* after;
};

void run(RuleFn fn, const RuleCase& c) {
  SCOPED_TRACE(std::string(c.why) + " [" + c.land + " '" + c.text + "']");
  char buf[kFieldSize] = {};
  std::strcpy(buf, c.text);
  EXPECT_EQ(fn(c.land, buf), c.want);
  EXPECT_STREQ(buf, c.after);
}

TEST(Getblz, ChecksAndNormalisesBankCodes) {
  const RuleCase cases[] = {
      {"blanks dropped", "DE", "123 456 78", 8, "12345678"},
      {"short code padded on the left", "AT", "1234", 5, "01234"},
      {"a code one digit too long fails, as it stands", "AT", "123456", 0, "123456"},
      {"surplus leading zeros are no digits of the code", "AT", "0019043", 5, "19043"},
      {"two digit sections", "FR", "3000", 10, "0300000000"},
      {"ends in the second section", "PT", "1234 5", 8, "12345000"},
      {"letters upper-cased, then digits", "GB", "abcd 12-34-56", 10, "ABCD123456"},
      {"IE shares the GB pattern", "IE", "abcd 12-34-56", 10, "ABCD123456"},
      {"digits where GB wants letters", "GB", "1234", 0, "1234"},
      {"IT letter then ten digits", "IT", "A1234512345", 11, "A1234512345"},
      {"IT letter is not upper-cased", "IT", "a1234512345", 0, "a1234512345"},
      {"IT letter must come first", "IT", " A1234512345", 0, " A1234512345"},
      {"SM pads behind its letter", "SM", "A123", 11, "A0012300000"},
      {"IT with an empty code has no letter", "IT", "", 0, ""},
      {"empty code is pure padding", "AT", "", 5, "00000"},
      {"empty letter code", "GB", "", 10, "XXXX000000"},
      {"empty LV code", "LV", "", 4, "XXXX"},
      {"unknown country", "XX", "1 2", 0, "1 2"},
      {"country codes are case-sensitive", "at", "1 2", 0, "1 2"},
      {"country code with a trailing character", "ATX", "1 2", 0, "1 2"},
      {"one-character country code", "A", "1 2", 0, "1 2"},
      {"empty country code", "", "1 2", 0, "1 2"},
      {"an IBAN's BBAN is too long for a bank code", "DE", "370400440532013000", 0,
       "370400440532013000"},
  };
  for (const RuleCase& c : cases) run(getblz, c);
}

// The bank code at the head of a BBAN: the rest is dropped, as before.
TEST(Ibanblz, CutsTheBankCodeOffABban) {
  const RuleCase cases[] = {
      {"DE", "DE", "370400440532013000", 8, "37040044"},
      {"a letter behind the code is not looked at", "AT", "19043X", 5, "19043"},
      {"GB letters and sort code", "GB", "NWBK60161331926819", 10, "NWBK601613"},
      {"IT letter and ten digits", "IT", "X0542811101000000123456", 11, "X0542811101"},
      {"a letter within the code fails", "AT", "19A43", 0, "19A43"},
  };
  for (const RuleCase& c : cases) run(ibanblz, c);
}

TEST(Getkonto, ChecksAndNormalisesAccountNumbers) {
  const RuleCase cases[] = {
      {"padded on the left", "AT", "123456", 11, "00000123456"},
      {"extra digits fail: the number is never cut", "DE", "123456789012", 0, "123456789012"},
      {"surplus leading zeros dropped", "DE", "0000532013000", 10, "0532013000"},
      {"leading zeros beyond a field-full of digits", "AT", "00000000000000000000234573201", 11,
       "00234573201"},
      {"a surplus that is not zeros fails", "DE", "1000532013000", 0, "1000532013000"},
      {"NL ten digits", "NL", "123456789", 10, "0123456789"},
      {"alphanumeric upper-cased and padded", "CH", "ab-1", 12, "000000000AB1"},
      {"longest account", "IS", "1", 18, "000000000000000001"},
      {"FR without its two final digits", "FR", "12345678901", 13, "1234567890100"},
      {"FR letter in the first part", "FR", "1234567890a", 13, "1234567890A00"},
      {"MC short number", "MC", "123", 13, "0000000012300"},
      {"FR letter among the final two", "FR", "12345678901A", 0, "12345678901A"},
      {"ES pair then ten digits", "ES", "AB1234", 12, "AB0000001234"},
      {"ES pair kept as it stands", "ES", "ab 12", 12, "ab0000000012"},
      {"ES pair of separators", "ES", " -12", 12, " -0000000012"},
      {"ES pair only", "ES", "12", 12, "120000000000"},
      {"ES letter behind the pair", "ES", "12x", 0, "12x"},
      {"ES one character is no pair", "ES", "1", 0, "1"},
      {"ES empty text", "ES", "", 0, ""},
      {"ES line end of a four-field line is no pair", "ES", "\r\n", 0, "\r\n"},
      {"ES line end inside the pair", "ES", "1\r\n", 0, "1\r\n"},
      {"ES line end behind the pair is removed", "ES", "12\r\n", 12, "120000000000"},
      {"letter in a digits-only country", "GB", "1234567a", 0, "1234567a"},
      {"HU: the registry's 17 digits", "HU", "61111101800000000", 17, "61111101800000000"},
      {"HU: no letters", "HU", "ab", 0, "ab"},
      {"EE pads to 14", "EE", "221020145685", 14, "00221020145685"},
      {"MT: letters and digits, upper-cased", "MT", "0012345mtlcast001s", 18, "0012345MTLCAST001S"},
      {"unknown country", "XX", "1 2", 0, "1 2"},
  };
  for (const RuleCase& c : cases) run(getkonto, c);
}

// A record's field buffer holds old bytes behind its terminator: a rule looks at none of them,
// and a text gets what it gets in a buffer of its own.
TEST(Getkonto, ReadsNothingBehindTheText) {
  const struct {
    const char* land;
    const char* text;
    const char* behind;  // the old bytes behind its terminator
  } cases[] = {
      {"ES", "", "A1234"},  // the second of a Spanish pair, had it been read, and an account
      {"ES", "1", "21234"},
      {"DE", "", "1234"},
      {"IT", "12", "345"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.land) + " '" + c.text + "' '" + c.behind + "'");
    char bare[kFieldSize] = {};
    std::strcpy(bare, c.text);
    const int want = getkonto(c.land, bare);
    char buf[kFieldSize] = {};
    std::strcpy(buf, c.text);
    std::strcpy(buf + std::strlen(c.text) + 1, c.behind);
    EXPECT_EQ(getkonto(c.land, buf), want);
    EXPECT_STREQ(buf, bare);
  }
}

// A text that fills rule's pattern exactly, with its significant characters; the lead of a
// Letter or Pair rule comes first, and zeros (when given) stand behind it, in front of the
// sections.
std::string filling(const CountryRule& rule, const std::string& zeros = "") {
  std::string lead = rule.check == Check::Letter ? "X" : rule.check == Check::Pair ? "12" : "";
  std::string first;
  for (int i = 0; i < rule.l1; ++i) {
    first += rule.check == Check::Alfa                    ? static_cast<char>('A' + i % 26)
             : rule.check == Check::Alfanum && i % 3 == 2 ? 'B'
                                                          : static_cast<char>('1' + i % 9);
  }
  std::string second;
  for (int i = 0; i < rule.l2; ++i) second += static_cast<char>('1' + i % 9);
  return lead + zeros + first + second;
}

// A number is never cut: in every country, a bank code or an account number one character
// longer than its rule fails, and the same with surplus leading zeros passes wherever the rule
// pads with zeros (a rule whose first section is letters has no leading zeros to spare).
TEST(CountryTables, TooLongFailsSurplusLeadingZerosPass) {
  struct Side {
    const CountryRule* table;
    RuleFn fn;
    const char* what;
  };
  for (const Side& side :
       {Side{kBankCodeRules, getblz, "bank code"}, Side{kAccountRules, getkonto, "account"}}) {
    const CountryRule* table = side.table;
    const RuleFn fn = side.fn;
    const char* what = side.what;
    for (int i = 0; i < kCountries; ++i) {
      const CountryRule& rule = table[i];
      SCOPED_TRACE(std::string(rule.land) + " " + what);
      const std::string exact = filling(rule);
      char buf[kFieldSize] = {};
      std::strcpy(buf, exact.c_str());
      ASSERT_EQ(fn(rule.land, buf), rulelength(rule)) << "the exact length must fit";
      EXPECT_EQ(buf, exact);

      const std::string longer = exact + "7";
      std::strcpy(buf, longer.c_str());
      EXPECT_EQ(fn(rule.land, buf), 0) << longer;
      EXPECT_EQ(buf, longer) << "a failed number stays as it was";

      std::strcpy(buf, filling(rule, "000").c_str());
      if (rule.check == Check::Alfa) {
        EXPECT_EQ(fn(rule.land, buf), 0);
      } else {
        EXPECT_EQ(fn(rule.land, buf), rulelength(rule));
        EXPECT_EQ(buf, exact);
      }
    }
  }
}

// The tables against the registry: a country's bank code and account number together fill its
// BBAN, and at every place of it a rule admits only characters the registry's structure admits
// there, save in the countries whose rules are known to be looser (looserthanregistry), whose
// built IBANs are held to the structure one by one. A row whose lengths or class went wrong
// builds IBANs that chkiban then refuses, and a country looser than that list says builds
// them unchecked. (That both tables name the same countries in the same rows, country.cpp's
// static_assert sees to.)
TEST(CountryTables, AdmitNoMoreThanTheRegistry) {
  enum : char { kDigit = 1, kUpper = 2, kEither = kDigit | kUpper };
  // What each place of the text a rule leaves admits, in order.
  auto places = [](const CountryRule& rule) {
    std::string admits(leadlength(rule.check), rule.check == Check::Letter ? kUpper : kEither);
    const char first = rule.check == Check::Alfa      ? kUpper
                       : rule.check == Check::Alfanum ? kEither
                                                      : kDigit;
    return admits + std::string(rule.l1, first) + std::string(rule.l2, kDigit);
  };
  for (int i = 0; i < kCountries; ++i) {
    const CountryRule& b = kBankCodeRules[i];
    SCOPED_TRACE(b.land);
    const RegistryCountry* c = registrycountry(b.land);
    ASSERT_NE(c, nullptr);
    const std::string rules = places(b) + places(kAccountRules[i]);
    std::string registry;
    for (int p = 0; p < c->nparts; ++p) {
      const CharKind kind = c->parts[p].kind;
      registry += std::string(c->parts[p].length, kind == CharKind::Digit   ? kDigit
                                                  : kind == CharKind::Upper ? kUpper
                                                                            : kEither);
    }
    ASSERT_EQ(rules.size(), registry.size()) << "bank code and account make another BBAN length";
    std::string beyond;
    for (std::size_t at = 0; at < rules.size(); ++at) {
      if (rules[at] & ~registry[at]) beyond += std::to_string(at + 1) + " ";
    }
    if (!looserthanregistry(b.land)) {
      EXPECT_EQ(beyond, "") << "BBAN places where a rule admits more than the registry";
    }
  }
  // Every SEPA country of the registry builds IBANs.
  for (int i = 0; i < kRegistryCountries; ++i) {
    SCOPED_TRACE(kRegistry[i].code);
    if (kRegistry[i].sepa) {
      EXPECT_TRUE(supported(kRegistry[i].code));
    }
  }
}

TEST(CountryTables, TerritoriesTakeTheirCountrysRules) {
  const struct {
    const char* land;
    const char* prefix;
  } rows[] = {{"GP", "FR"}, {"NC", "FR"}, {"AX", "FI"},    {"JE", "GB"},
              {"IM", "GB"}, {"FR", "FR"}, {"XX", nullptr}, {"gp", nullptr}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.land);
    const char* got = ibanprefix(r.land);
    if (r.prefix == nullptr) {
      EXPECT_EQ(got, nullptr);
      continue;
    }
    ASSERT_NE(got, nullptr);
    EXPECT_STREQ(got, r.prefix);
    char a[kFieldSize] = "3000", b[kFieldSize] = "3000";
    EXPECT_EQ(getblz(r.land, a), getblz(r.prefix, b));
    EXPECT_STREQ(a, b);
  }
}

}  // namespace
