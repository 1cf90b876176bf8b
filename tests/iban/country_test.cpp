#include "iban/country.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/textbuf.h"
#include "iban/iban.h"

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
      {"long code cut", "AT", "123456", 5, "12345"},
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
      {"cut off an IBAN's BBAN", "DE", "370400440532013000", 8, "37040044"},
  };
  for (const RuleCase& c : cases) run(getblz, c);
}

TEST(Getkonto, ChecksAndNormalisesAccountNumbers) {
  const RuleCase cases[] = {
      {"padded on the left", "AT", "123456", 11, "00000123456"},
      {"extra digits cut", "DE", "123456789012", 10, "1234567890"},
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
      {"HU allows letters", "HU", "ab", 16, "00000000000000AB"},
      {"unknown country", "XX", "1 2", 0, "1 2"},
  };
  for (const RuleCase& c : cases) run(getkonto, c);
}

TEST(CountryTables, ListTheSameThirtyCountriesInOrder) {
  const char* const want[kCountries] = {"AD", "AT", "BE", "CH", "CZ", "DE", "DK", "ES", "FI", "FO",
                                        "FR", "GB", "GI", "GL", "GR", "HU", "IE", "IS", "IT", "LI",
                                        "LU", "LV", "MC", "NL", "NO", "PL", "PT", "SE", "SI", "SM"};
  for (int i = 0; i < kCountries; ++i) {
    SCOPED_TRACE(want[i]);
    EXPECT_STREQ(kBankCodeRules[i].land, want[i]);
    EXPECT_STREQ(kAccountRules[i].land, want[i]);
    int bban = rulelength(kBankCodeRules[i]) + rulelength(kAccountRules[i]);
    EXPECT_GE(bban, 11);
    EXPECT_LE(bban, 24);
  }
}

}  // namespace
