#include "iban/nationalcheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "iban/iban.h"

namespace {

// A BBAN in a heap block of exactly its length, without a terminator: a read past its end
// trips the address sanitizer.
class Exact {
 public:
  explicit Exact(const std::string& text) : n_(text.size()), p_(new char[text.size()]) {
    std::memcpy(p_.get(), text.data(), n_);
  }
  char* data() { return p_.get(); }
  std::size_t size() const { return n_; }
  std::string_view view() const { return {p_.get(), n_}; }
  std::string text() const { return {p_.get(), n_}; }

 private:
  std::size_t n_;
  std::unique_ptr<char[]> p_;  // for an empty text a block of no bytes: any read trips
};

NationalCheck check(const char* land, const std::string& bban) {
  Exact b(bban);
  return checkbban(land, b.view());
}

// fillcheckdigits on bban; what it returned, and the BBAN after it.
struct Filled {
  bool ok;
  std::string bban;
};

Filled fill(const char* land, const std::string& bban) {
  Exact b(bban);
  const bool ok = fillcheckdigits(land, b.data(), b.size());
  return {ok, b.text()};
}

const char* name(NationalCheck c) {
  switch (c) {
    case NationalCheck::Valid: return "Valid";
    case NationalCheck::Invalid: return "Invalid";
    case NationalCheck::None: return "None";
  }
  return "?";
}

// A valid BBAN, where its check digits stand (positions from 1), and where it is published.
struct Example {
  const char* land;
  const char* bban;
  std::vector<int> places;
  const char* source;
};

// The registry's example BBAN of every country the program checks, and the examples of the
// national descriptions. Where a description gives only part of a BBAN, the part is set into
// the registry's example, and the source says so.
const std::vector<Example>& examples() {
  static const std::vector<Example> kExamples = {
      {"BE", "539007547034", {11, 12}, "registry"},
      {"BE", "510007547061", {11, 12}, "Febelfin's conversion guide, 510-0075470-61"},
      {"FR", "20041010050500013M02606", {22, 23}, "registry (a letter in the account)"},
      {"FR", "12345123451234567891A16", {22, 23}, "French description of the RIB key"},
      {"MC", "11222000010123456789030", {22, 23}, "registry"},
      {"ES", "21000418450200051332", {9, 10}, "registry"},
      {"IT", "X0542811101000000123456", {1}, "registry"},
      {"IT", "Q0123412345000000753XYZ", {1}, "CIN worked example (letters in the account)"},
      {"SM", "U0322509800000000270100", {1}, "registry"},
      {"PT", "000201231234567890154", {20, 21}, "registry"},
      {"PT", "123443211234567890172", {20, 21}, "NIB example PT50 1234 4321 12345678901 72"},
      {"NO", "86011117947", {11}, "registry"},
      {"NO", "12340017949", {11}, "TR201's rule for digits 5 and 6 zero (bank code counts)"},
      {"FI", "12345600000785", {14}, "registry"},
      {"FI", "42345670000081", {14}, "ECBS page, FI5542345670000081"},
      {"EE", "2200221020145685", {16}, "registry"},
      {"EE", "9999123456789012", {16}, "Pangaliit, EE9099 99123456789012"},
      {"SI", "263300012039086", {14, 15}, "registry"},
      {"ME", "505000012345678951", {17, 18}, "registry"},
      {"RS", "260005601001611379", {17, 18}, "registry"},
      {"BA", "1290079401028494", {15, 16}, "registry"},
      {"TL", "0080012345678910157", {18, 19}, "registry"},
      {"XK", "1212012345678906", {15, 16}, "registry and BQK's example"},
      {"CZ", "08000000192000145399", {10, 20}, "registry"},
      {"SK", "12000000198742637541", {10, 20}, "registry"},
      {"PL", "109010140000071219812874", {8}, "registry"},
      {"PL", "106000760000320000057153", {8}, "NRB 65 1060 0076 0000 3200 0005 7153"},
      {"PL", "931700020000000000000000", {8}, "NRB 65 9317 0002 0000 0000 0000 0000"},
      {"HU", "117730161111101800000000", {8, 16}, "registry (2 x 8)"},
      {"HU", "102007681111101800000000", {8, 16}, "first block 10200768 in the registry's"},
      {"HU", "117730161111101812345676", {8, 24}, "3 x 8 by the MNB rule, on the registry's"},
      {"HR", "10010051863000160", {7, 17}, "registry, HNB 1001005-1863000160"},
      {"HR", "10010051700036001", {7, 17}, "HNB 1001005-1700036001"},
      {"HR", "10010051550100001", {7, 17}, "HNB 1001005-1550100001"},
      {"IS", "0159260076545510730339", {21}, "registry"},
      {"IS", "0159260076541201743399", {21}, "kennitala 120174-3399 in the registry's"},
      {"RU", "04452522540817810538091310419", {18}, "registry"},
      {"RU", "04980500030101810800000000746", {18}, "Bank of Russia N 515, example 1"},
      {"RU", "04030500040102810100000010001", {18}, "Bank of Russia N 515, example 2"},
      {"RU", "04980574640602810700000000025", {18}, "Bank of Russia N 515, example 3"},
      {"RU", "04451451240702810900000000025", {18}, "key example, BIC 044514512"},
      // The descriptions' special cases, built by their rules on the registry's examples.
      {"BE", "539000006797", {11, 12}, "rule: ten digits a multiple of 97 give 97"},
      {"FR", "20041010050500013005197", {22, 23}, "rule: a multiple of 97 gives the key 97"},
      {"ES", "21000418410200050000", {9, 10}, "rule: 11 - remainder 1 = 10 gives 1"},
      {"ES", "21000418410200050004", {9, 10}, "rule: 11 - remainder 10 = 1"},
      {"ES", "21000418400200050002", {9, 10}, "rule: 11 - remainder 0 = 11 gives 0"},
      {"NO", "86011100130", {11}, "rule: remainder 0 gives 0"},
      {"IS", "0159260076545510731309", {21}, "rule: remainder 0 gives 0"},
      {"ME", "505000012345683898", {17, 18}, "rule: no remainder gives 98"},
      {"ME", "505000012345677302", {17, 18}, "rule: remainder 96 gives 02"},
      // Digits the registry's examples leave at zero, where a wrong weight or a wrong class of
      // character would go unseen.
      {"ES", "00491500042710151321", {9, 10}, "rule: no zero in entity and office"},
      {"NO", "12345678903", {11}, "rule: no zero among the ten digits"},
      {"CZ", "08000100062000145399", {10, 20}, "rule: a prefix of more than one digit"},
      {"CZ", "08000000002000145399", {10, 20}, "rule: no prefix, its check digit 0"},
      {"FR", "3000200550A000015784502", {22, 23}, "rule: the account begins with a letter"},
  };
  return kExamples;
}

std::string describe(const Example& e) {
  return std::string(e.land) + " " + e.bban + " (" + e.source + ")";
}

TEST(NationalValid, PublishedExamplesPass) {
  for (const Example& e : examples()) {
    SCOPED_TRACE(describe(e));
    EXPECT_STREQ(name(check(e.land, e.bban)), "Valid");
  }
}

// Every country the program checks has its registry example among the examples.
TEST(NationalValid, EveryCheckedCountryHasItsRegistryExample) {
  const char* checked[] = {"BA", "BE", "CZ", "EE", "ES", "FI", "FR", "HR", "HU", "IS", "IT", "MC",
                           "ME", "NO", "PL", "PT", "RS", "RU", "SI", "SK", "SM", "TL", "XK"};
  for (const char* land : checked) {
    bool found = false;
    for (const Example& e : examples())
      found = found || (std::strcmp(e.land, land) == 0 && std::strstr(e.source, "registry"));
    EXPECT_TRUE(found) << land;
  }
}

// Letters where the national format allows them, counted as the descriptions count them.
TEST(NationalValid, LettersWhereTheFormatAllowsThem) {
  const struct {
    const char* land;
    const char* bban;
    NationalCheck want;
    const char* why;
  } cases[] = {
      {"FR", "20041010050500013M02606", NationalCheck::Valid, "M counts 4"},
      {"FR", "20041010050500013D02606", NationalCheck::Valid, "D counts 4 as M does"},
      {"FR", "20041010050500013U02606", NationalCheck::Valid, "U counts 4 as M does"},
      {"FR", "20041010050500013N02606", NationalCheck::Invalid, "N counts 5"},
      {"FR", "20041010050500013402606", NationalCheck::Valid, "the digit 4 counts as M"},
      {"FR", "2004101005050001M302606", NationalCheck::Invalid, "M moved one place left"},
      {"IT", "Q0123412345000000753XYZ", NationalCheck::Valid, "letters at odd and even places"},
      {"IT", "Q0123412345000000753XYY", NationalCheck::Invalid, "Z became Y"},
      {"IT", "X054281110100000012345A", NationalCheck::Invalid, "6 became A, which counts 0"},
      {"RU", "04452522540817T10538091310419", NationalCheck::Valid, "T stands for 8"},
      {"RU", "04452522540817A10538091310419", NationalCheck::Invalid, "A stands for 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.land) + " " + c.bban + ": " + c.why);
    EXPECT_STREQ(name(check(c.land, c.bban)), name(c.want));
  }
}

// Check digits that leave the right remainder but lie outside the range the rule writes.
TEST(NationalInvalid, CheckDigitsOutsideTheRulesRange) {
  const struct {
    const char* land;
    const char* bban;
    const char* why;
  } cases[] = {
      {"BE", "539000006700", "a remainder of 0 is written 97, not 00"},
      {"FR", "20041010050500013005100", "the key runs from 01 to 97"},
      {"ME", "505000012345683801", "MOD 97-10 writes 98, not 01"},
      {"ME", "505000012345677399", "MOD 97-10 writes 02, not 99"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.land) + " " + c.bban + ": " + c.why);
    EXPECT_STREQ(name(check(c.land, c.bban)), "Invalid");
  }
}

// ---- single-digit changes -------------------------------------------------------------------

bool between(int pos, int from, int to) {
  return pos >= from && pos <= to;
}

// Whether changing the digit at pos of e to d may pass the check, by what each description
// covers: positions no check digit covers, and the few changes a rule cannot tell apart.
bool maypass(const Example& e, int pos, char d) {
  const std::string land = e.land;
  const std::string b = e.bban;
  // The 2-digit bank identifier in front of the Estonian domestic account number.
  if (land == "EE") return between(pos, 1, 2);
  // The 16-digit account behind the Polish settlement number has no check digit.
  if (land == "PL") return between(pos, 9, 24);
  // The Czech and Slovak bank code is not checked.
  if (land == "CZ" || land == "SK") return between(pos, 1, 4);
  // Only the kennitala's first nine digits are checked, not its century digit.
  if (land == "IS") return !between(pos, 13, 21);
  if (land == "NO") {
    // Digits 5 and 6 zero: the check covers digits 7 to 10 alone; a change of digit 5 or 6
    // switches between the two forms, whose check digits may agree.
    const bool shortform = b[4] == '0' && b[5] == '0';
    if (pos == 5 || pos == 6) return shortform || (b[pos == 5 ? 5 : 4] == '0' && d == '0');
    return shortform && between(pos, 1, 4);
  }
  if (land == "RU") {
    // The key covers the BIC's digits 7 to 9, or for a cash settlement centre of the Bank of
    // Russia (digits 7 to 9 "000") its digits 5 and 6; a change of digits 7 to 9 of such a
    // BIC switches between the two, whose keys may agree.
    const bool centre = b.compare(6, 3, "000") == 0;
    if (between(pos, 1, 4)) return true;
    if (between(pos, 5, 6)) return !centre;
    if (between(pos, 7, 9)) return centre;
    return false;
  }
  if (land == "ES") {
    // A control digit of 1 stands for the remainders giving 10 and 1 alike: within the part
    // it covers, a change that moves the remainder from one to the other passes.
    if (between(pos, 1, 8)) return b[8] == '1';
    if (between(pos, 11, 20)) return b[9] == '1';
  }
  return false;
}

TEST(NationalInvalid, EverySingleDigitChangeThatTheRuleCovers) {
  int tried = 0;
  for (const Example& e : examples()) {
    const std::string b = e.bban;
    for (std::size_t i = 0; i < b.size(); ++i) {
      if (b[i] < '0' || b[i] > '9') continue;
      for (char d = '0'; d <= '9'; ++d) {
        if (d == b[i] || maypass(e, static_cast<int>(i) + 1, d)) continue;
        std::string changed = b;
        changed[i] = d;
        ++tried;
        EXPECT_STREQ(name(check(e.land, changed)), "Invalid")
            << describe(e) << ": position " << i + 1 << " changed to " << d;
      }
    }
  }
  EXPECT_GT(tried, 2000);
}

// The positions a rule does not cover are really not covered: every change there passes.
TEST(NationalValid, ChangesOutsideTheCheckedPartsPass) {
  const struct {
    const char* land;
    const char* bban;
    int from, to;
    const char* why;
  } cases[] = {
      {"EE", "2200221020145685", 1, 2, "the bank identifier"},
      {"PL", "109010140000071219812874", 9, 24, "the account number"},
      {"CZ", "08000000192000145399", 1, 4, "the bank code"},
      {"SK", "12000000198742637541", 1, 4, "the bank code"},
      {"IS", "0159260076545510730339", 1, 12, "all but the kennitala"},
      {"IS", "0159260076545510730339", 22, 22, "the kennitala's century digit"},
      {"NO", "12340017949", 1, 4, "the bank code, with digits 5 and 6 zero"},
      {"RU", "04452522540817810538091310419", 1, 6, "the BIC but for its digits 7 to 9"},
      {"RU", "04980500030101810800000000746", 1, 4, "the BIC but for its digits 5 and 6"},
  };
  for (const auto& c : cases) {
    for (int pos = c.from; pos <= c.to; ++pos) {
      for (char d = '0'; d <= '9'; ++d) {
        std::string changed = c.bban;
        changed[pos - 1] = d;
        EXPECT_STREQ(name(check(c.land, changed)), "Valid")
            << c.land << " " << c.bban << ", " << c.why << ": position " << pos << " to " << d;
      }
    }
  }
}

// ---- filling in -----------------------------------------------------------------------------

TEST(NationalFill, RestoresBlankedCheckDigits) {
  for (const Example& e : examples()) {
    SCOPED_TRACE(describe(e));
    for (char blank : {'0', '9', 'X'}) {
      std::string blanked = e.bban;
      for (int pos : e.places) blanked[pos - 1] = blank;
      const Filled f = fill(e.land, blanked);
      EXPECT_TRUE(f.ok) << "blanked with " << blank;
      EXPECT_EQ(f.bban, e.bban) << "blanked with " << blank;
    }
  }
}

TEST(NationalFill, LeavesAValidBbanAsItIs) {
  for (const Example& e : examples()) {
    const Filled f = fill(e.land, e.bban);
    EXPECT_TRUE(f.ok) << describe(e);
    EXPECT_EQ(f.bban, e.bban) << describe(e);
  }
}

// Where no check digit can make the rest valid, nothing is filled, and no digit passes.
TEST(NationalFill, RestsThatNoCheckDigitCompletes) {
  const struct {
    const char* land;
    const char* bban;  ///< '?' at the check place
    const char* why;
  } cases[] = {
      {"NO", "8601110005?", "remainder 1 modulo 11: unusable"},
      {"CZ", "0800000019200014533?", "the base number's last digit would have to be 10"},
      {"SK", "120000030?8742637541", "the prefix's last digit would have to be 10"},
      {"IS", "01592600765412017407?9", "remainder 1: no kennitala"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.land) + " " + c.bban + ": " + c.why);
    const Filled f = fill(c.land, c.bban);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.bban, c.bban);
    const std::size_t at = std::string(c.bban).find('?');
    for (char d = '0'; d <= '9'; ++d) {
      std::string tried = c.bban;
      tried[at] = d;
      EXPECT_STREQ(name(check(c.land, tried)), "Invalid") << "with " << d;
    }
  }
}

// The countries whose IBANs all carry the same check digits, as their central banks state:
// every BBAN completed by fillcheckdigits makes, behind them, an IBAN whose ISO 7064 check
// (calcchknr) holds.
TEST(NationalFill, CompletedBbansGiveTheFixedIbanCheckDigits) {
  const struct {
    const char* head;  ///< country code and the fixed check digits
    const char* bban;
  } cases[] = {
      {"PT50", "000201231234567890154"}, {"SI56", "263300012039086"},
      {"ME25", "505000012345678951"},    {"RS35", "260005601001611379"},
      {"BA39", "1290079401028494"},      {"TL38", "0080012345678910157"},
      {"XK05", "1212012345678906"},
  };
  for (const auto& c : cases) {
    const std::string b = c.bban;
    const std::string land(c.head, 2);
    for (std::size_t i = 0; i + 2 < b.size(); ++i) {
      std::string other = b;
      other[i] = static_cast<char>('0' + (other[i] - '0' + 3) % 10);
      const Filled f = fill(land.c_str(), other);
      ASSERT_TRUE(f.ok) << c.head << " " << other;
      const std::string iban = std::string(c.head) + f.bban;
      EXPECT_EQ(calcchknr(iban.c_str()), 1) << iban;
    }
  }
}

// ---- countries without checked digits, and texts that are no BBAN -----------------------------

TEST(NationalNone, CountriesWithoutCheckedDigits) {
  const struct {
    const char* land;
    const char* bban;
  } cases[] = {
      {"DE", "370400440532013000"},
      {"AT", "1904300234573201"},
      {"GB", "NWBK60161331926819"},
      {"IE", "AIBK93115212345678"},
      {"NL", "ABNA0417164300"},
      {"DK", "00400440116243"},
      {"SE", "50000000058398257466"},
      {"CH", "00762011623852957"},
      {"LU", "0019400644750000"},
      {"GR", "01101250000000012300695"},
      {"AL", "212110090000000235698741"},
      {"MK", "250120000058984"},
      {"TN", "10006035183598478831"},
      {"MR", "00020001010000123456753"},
      {"ST", "000100010051845310146"},
      {"LT", "1000011101001000"},
      {"XX", "539007547034"},
      {"fr", "20041010050500013M02606"},
      {"be", "539007547034"},
      {"F", "20041010050500013M02606"},
      {"FRA", "20041010050500013M02606"},
      {"", "539007547034"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.land + "' " + c.bban);
    EXPECT_STREQ(name(check(c.land, c.bban)), "None");
    const Filled f = fill(c.land, c.bban);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.bban, c.bban);
  }
}

TEST(NationalInvalid, WrongLengthsAndEmptyTexts) {
  for (const Example& e : examples()) {
    SCOPED_TRACE(describe(e));
    const std::string b = e.bban;
    for (const std::string& text :
         {b.substr(0, b.size() - 1), b + "0", std::string(), b.substr(1), b + b}) {
      EXPECT_STREQ(name(check(e.land, text)), "Invalid") << "'" << text << "'";
      const Filled f = fill(e.land, text);
      EXPECT_FALSE(f.ok) << "'" << text << "'";
      EXPECT_EQ(f.bban, text);
    }
  }
}

// A letter (or another byte) where the rule needs a digit: Invalid, and nothing filled.
TEST(NationalInvalid, NonDigitsWhereDigitsAreNeeded) {
  const struct {
    const char* land;
    const char* bban;
  } cases[] = {
      {"BE", "5390075470A4"},
      {"BE", "A39007547034"},
      {"FR", "2004101A050500013M02606"},
      {"FR", "2004A010050500013M02606"},
      {"FR", "20041010050500013m02606"},
      {"FR", "20041010050500013-02606"},
      {"MC", "1122200001012345678903O"},
      {"ES", "2100041845020005133Z"},
      {"ES", "21000418AB0200051332"},
      {"IT", "X05428111010000001234-6"},
      {"IT", "X05428111O1000000123456"},
      {"IT", "10542811101000000123456"},
      {"SM", "U032250980000000027010a"},
      {"PT", "0002012312345678901 4"},
      {"NO", "8601111794A"},
      {"NO", "86011 17947"},
      {"FI", "1234560000078X"},
      {"EE", "22002210201456B5"},
      {"EE", "A200221020145685"},
      {"SI", "26330001203908A"},
      {"ME", "50500001234567895I"},
      {"RS", "26000560100161137O"},
      {"BA", "1290079401O28494"},
      {"TL", "008001234567891015O"},
      {"XK", "121201234567890A"},
      {"CZ", "0800000019200014539O"},
      {"CZ", "O8000000192000145399"},
      {"SK", "1200000019874263754I"},
      {"PL", "10901014000007121981287A"},
      {"PL", "A09010140000071219812874"},
      {"HU", "11773016111110180000000O"},
      {"HU", "1177301A111110180000000O"},
      {"HR", "1001005186300016O"},
      {"HR", "A0010051863000160"},
      {"HR", "1001005O863000160"},
      {"IS", "015926007654551073033A"},
      {"IS", "A159260076545510730339"},
      {"RU", "0445252254081781053809131041O"},
      {"RU", "04452522540817D10538091310419"},
      {"RU", "A4452522540817810538091310419"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.land) + " " + c.bban);
    EXPECT_STREQ(name(check(c.land, c.bban)), "Invalid");
  }
}

// Fill needs digits where the rule reads them, but takes anything in the check places.
TEST(NationalFill, RefusesNonDigitsOutsideTheCheckPlaces) {
  const struct {
    const char* land;
    const char* bban;
  } cases[] = {
      {"BE", "53900754A000"},
      {"FR", "2004A010050500013M02600"},
      {"ES", "2100041800020005133A"},
      {"IT", "X0542811101000000-23456"},
      {"NO", "860111179 0"},
      {"NO", "A6011117940"},
      {"PL", "109010100000071219812A74"},
      {"HU", "1177301011111010000000A0"},
      {"HR", "10010001863000A60"},
      {"IS", "0159260076545510730 39"},
      {"CZ", "080000001020001453A0"},
      {"RU", "044525225408178A0538091310419"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.land) + " " + c.bban);
    const Filled f = fill(c.land, c.bban);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.bban, c.bban);
  }
}

}  // namespace
