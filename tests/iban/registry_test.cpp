#include "iban/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "iban/iban.h"

namespace {

// One IBAN country as the registry file gives it: the electronic example IBAN, the BBAN
// structure (its IBAN structure row behind "CC2!n"), and whether it is a SEPA country.
struct RegistryRow {
  const char* example;
  const char* structure;
  bool sepa;
};

// All 89 countries of the release of January 2025, in its order.
const RegistryRow kRows[] = {
    {"AD1200012030200359100100", "4!n4!n12!c", true},
    {"AE070331234567890123456", "3!n16!n", false},
    {"AL47212110090000000235698741", "8!n16!c", false},
    {"AT611904300234573201", "5!n11!n", true},
    {"AZ21NABZ00000000137010001944", "4!a20!c", false},
    {"BA391290079401028494", "3!n3!n8!n2!n", false},
    {"BE68539007547034", "3!n7!n2!n", true},
    {"BG80BNBG96611020345678", "4!a4!n2!n8!c", true},
    {"BH67BMAG00001299123456", "4!a14!c", false},
    {"BI4210000100010000332045181", "5!n5!n11!n2!n", false},
    {"BR1800360305000010009795493C1", "8!n5!n10!n1!a1!c", false},
    {"BY13NBRB3600900000002Z00AB00", "4!c4!n16!c", false},
    {"CH9300762011623852957", "5!n12!c", true},
    {"CR05015202001026284066", "4!n14!n", false},
    {"CY17002001280000001200527600", "3!n5!n16!c", true},
    {"CZ6508000000192000145399", "4!n6!n10!n", true},
    {"DE89370400440532013000", "8!n10!n", true},
    {"DJ2100010000000154000100186", "5!n5!n11!n2!n", false},
    {"DK5000400440116243", "4!n9!n1!n", true},
    {"DO28BAGR00000001212453611324", "4!c20!n", false},
    {"EE382200221020145685", "2!n14!n", true},
    {"EG380019000500000000263180002", "4!n4!n17!n", false},
    {"ES9121000418450200051332", "4!n4!n1!n1!n10!n", true},
    {"FI2112345600000785", "3!n11!n", true},
    {"FK88SC123456789012", "2!a12!n", false},
    {"FO6264600001631634", "4!n9!n1!n", false},
    {"FR1420041010050500013M02606", "5!n5!n11!c2!n", true},
    {"GB29NWBK60161331926819", "4!a6!n8!n", true},
    {"GE29NB0000000101904917", "2!a16!n", false},
    {"GI75NWBK000000007099453", "4!a15!c", true},
    {"GL8964710001000206", "4!n9!n1!n", false},
    {"GR1601101250000000012300695", "3!n4!n16!c", true},
    {"GT82TRAJ01020000001210029690", "4!c20!c", false},
    {"HN88CABF00000000000250005469", "4!a20!n", false},
    {"HR1210010051863000160", "7!n10!n", true},
    {"HU42117730161111101800000000", "3!n4!n1!n15!n1!n", true},
    {"IE29AIBK93115212345678", "4!a6!n8!n", true},
    {"IL620108000000099999999", "3!n3!n13!n", false},
    {"IQ98NBIQ850123456789012", "4!a3!n12!n", false},  // SEPA cell "Nov-16": no SEPA country
    {"IS140159260076545510730339", "4!n2!n6!n10!n", true},
    {"IT60X0542811101000000123456", "1!a5!n5!n12!c", true},
    {"JO94CBJO0010000000000131000302", "4!a4!n18!c", false},
    {"KW81CBKU0000000000001234560101", "4!a22!c", false},
    {"KZ86125KZT5004100100", "3!n13!c", false},
    {"LB62099900000001001901229114", "4!n20!c", false},
    {"LC55HEMM000100010012001200023015", "4!a24!c", false},
    {"LI21088100002324013AA", "5!n12!c", true},
    {"LT121000011101001000", "5!n11!n", true},
    {"LU280019400644750000", "3!n13!c", true},
    {"LV80BANK0000435195001", "4!a13!c", true},
    {"LY83002048000020100120361", "3!n3!n15!n", false},
    {"MC5811222000010123456789030", "5!n5!n11!c2!n", true},
    {"MD24AG000225100013104168", "2!c18!c", false},
    {"ME25505000012345678951", "3!n13!n2!n", false},
    {"MK07250120000058984", "3!n10!c2!n", false},
    {"MN121234123456789123", "4!n12!n", false},
    {"MR1300020001010000123456753", "5!n5!n11!n2!n", false},
    {"MT84MALT011000012345MTLCAST001S", "4!a5!n18!c", true},
    {"MU17BOMM0101101030300200000MUR", "4!a2!n2!n12!n3!n3!a", false},
    {"NI45BAPR00000013000003558124", "4!a20!n", false},
    {"NL91ABNA0417164300", "4!a10!n", true},
    {"NO9386011117947", "4!n6!n1!n", true},
    {"OM810180000001299123456", "3!n16!c", false},
    {"PK36SCBL0000001123456702", "4!a16!c", false},
    {"PL61109010140000071219812874", "8!n16!n", true},
    {"PS92PALS000000000400123456702", "4!a21!c", false},
    {"PT50000201231234567890154", "4!n4!n11!n2!n", true},
    {"QA58DOHB00001234567890ABCDEFG", "4!a21!c", false},
    {"RO49AAAA1B31007593840000", "4!a16!c", true},
    {"RS35260005601001611379", "3!n13!n2!n", false},
    {"RU0304452522540817810538091310419", "9!n5!n15!c", false},
    {"SA0380000000608010167519", "2!n18!c", false},
    {"SC18SSCB11010000000000001497USD", "4!a2!n2!n16!n3!a", false},
    {"SD2129010501234001", "2!n12!n", false},
    {"SE4550000000058398257466", "3!n16!n1!n", true},
    {"SI56263300012039086", "5!n8!n2!n", true},
    {"SK3112000000198742637541", "4!n6!n10!n", true},
    {"SM86U0322509800000000270100", "1!a5!n5!n12!c", true},
    {"SO211000001001000100141", "4!n3!n12!n", false},
    {"ST23000100010051845310146", "8!n11!n2!n", false},
    {"SV62CENR00000000000000700025", "4!a20!n", false},
    {"TL380080012345678910157", "3!n14!n2!n", false},
    {"TN5910006035183598478831", "2!n3!n13!n2!n", false},
    {"TR330006100519786457841326", "5!n1!n16!c", false},
    {"UA213223130000026007233566001", "6!n19!c", false},
    {"VA59001123000012345678", "3!n15!n", true},
    {"VG96VPVG0000012345678901", "4!a16!n", false},
    {"XK051212012345678906", "4!n10!n2!n", false},
    {"YE15CBYE0001018861234567891234", "4!a4!n18!c", false},
};

// The class letter (n, a, c) of every BBAN position of a structure such as "4!n4!n12!c".
std::string positions(const char* structure) {
  std::string out;
  const char* p = structure;
  while (*p != '\0') {
    int n = 0;
    while (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
    EXPECT_EQ(*p, '!') << structure;
    ++p;
    out.append(static_cast<std::size_t>(n), *p++);
  }
  return out;
}

// A table row's sections in the registry's notation, "4!n4!n12!c".
std::string structure(const RegistryCountry& c) {
  std::string out;
  for (int i = 0; i < c.nparts; ++i) {
    char letter = c.parts[i].kind == CharKind::Digit   ? 'n'
                  : c.parts[i].kind == CharKind::Upper ? 'a'
                                                       : 'c';
    out += std::to_string(c.parts[i].length) + '!' + letter;
  }
  return out;
}

std::string codeof(const char* example) {
  return std::string(example, 2);
}

// registryform on a copy of iban in an allocation of exactly its size, without a terminator:
// a read behind its last character is an overrun that the address sanitizer reports. A copy
// of the row, which registryform checks section by section instead of by the table of places,
// must judge alike.
bool form(const RegistryCountry& c, const std::string& iban) {
  std::unique_ptr<char[]> buf(new char[iban.size() + 1]);
  std::memcpy(buf.get(), iban.data(), iban.size());
  const bool byrow = registryform(c, buf.get(), iban.size());
  const RegistryCountry copy = c;
  EXPECT_EQ(registryform(copy, buf.get(), iban.size()), byrow) << "a copy of the row, " << iban;
  return byrow;
}

// The registry row of an example; a test failure, and nullptr, when there is none.
const RegistryCountry* rowof(const RegistryRow& r) {
  const RegistryCountry* c = registrycountry(codeof(r.example).c_str());
  if (c == nullptr) ADD_FAILURE() << "no registry row";
  return c;
}

TEST(RegistryCountries, EveryCountryOfTheRegistryWithItsLengthStructureAndSepa) {
  ASSERT_EQ(kRegistryCountries, 89);
  ASSERT_EQ(sizeof kRows / sizeof kRows[0], 89u);
  int sepa = 0;
  for (int i = 0; i < kRegistryCountries; ++i) {
    const RegistryRow& r = kRows[i];
    SCOPED_TRACE(r.example);
    const RegistryCountry* row = rowof(r);
    if (row == nullptr) continue;
    const RegistryCountry& c = *row;
    EXPECT_EQ(&c, &kRegistry[i]) << "table out of the registry's order";
    EXPECT_EQ(c.code, codeof(r.example));
    EXPECT_EQ(c.ibanlength, std::strlen(r.example));
    EXPECT_EQ(structure(c), r.structure);
    EXPECT_EQ(c.sepa, r.sepa);
    EXPECT_STREQ(c.example, r.example);
    sepa += c.sepa;
  }
  EXPECT_EQ(sepa, 37);
}

TEST(RegistryCountries, ExamplesFitTheirStructureWithValidCheckDigits) {
  for (const RegistryRow& r : kRows) {
    SCOPED_TRACE(r.example);
    const RegistryCountry* row = rowof(r);
    if (row == nullptr) continue;
    const RegistryCountry& c = *row;
    EXPECT_TRUE(form(c, r.example));
    EXPECT_EQ(calcchknr(r.example), 1) << "ISO 7064 MOD 97-10";
  }
}

TEST(RegistryCountries, OneCharacterMoreOrLessFails) {
  for (const RegistryRow& r : kRows) {
    SCOPED_TRACE(r.example);
    const RegistryCountry* row = rowof(r);
    if (row == nullptr) continue;
    const RegistryCountry& c = *row;
    std::string example = r.example;
    // A character of the last position's own class: only the length is wrong.
    char more = positions(r.structure).back() == 'a' ? 'A' : '0';
    EXPECT_FALSE(form(c, example + more));
    EXPECT_FALSE(form(c, example.substr(0, example.size() - 1)));
    EXPECT_FALSE(form(c, example.substr(1)));
    EXPECT_FALSE(form(c, ""));
  }
}

// Every BBAN position admits its class and nothing else: a letter where a digit belongs, a
// digit where a letter belongs, lower case, separators and NUL fail wherever they stand; the
// ends of the class pass. Catches a section boundary one place off.
TEST(RegistryCountries, EachPositionAdmitsItsClassOnly) {
  struct Class {
    char letter;
    const char* pass;
    const char* fail;
  };
  const Class classes[] = {
      {'n', "09", "AZaz -/:@"},
      {'a', "AZ", "09az -@["},
      {'c', "09AZ", "az -/:@[`{"},
  };
  for (const RegistryRow& r : kRows) {
    SCOPED_TRACE(r.example);
    const RegistryCountry* row = rowof(r);
    if (row == nullptr) continue;
    const RegistryCountry& c = *row;
    const std::string want = positions(r.structure);
    for (std::size_t p = 0; p < want.size(); ++p) {
      for (const Class& k : classes) {
        if (k.letter != want[p]) continue;
        std::string iban = r.example;
        for (const char* ch = k.pass; *ch != '\0'; ++ch) {
          iban[4 + p] = *ch;
          EXPECT_TRUE(form(c, iban)) << "position " << p + 1 << " '" << *ch << "'";
        }
        for (const char* ch = k.fail; *ch != '\0'; ++ch) {
          iban[4 + p] = *ch;
          EXPECT_FALSE(form(c, iban)) << "position " << p + 1 << " '" << *ch << "'";
        }
        iban[4 + p] = '\0';
        EXPECT_FALSE(form(c, iban)) << "position " << p + 1 << " NUL";
      }
    }
  }
}

// In front of the BBAN: the country's own code and two digits, whatever their value.
TEST(RegistryCountries, CodeAndCheckDigitsInFront) {
  for (const RegistryRow& r : kRows) {
    SCOPED_TRACE(r.example);
    const RegistryCountry* row = rowof(r);
    if (row == nullptr) continue;
    const RegistryCountry& c = *row;
    const std::string bban = std::string(r.example).substr(4);
    const std::string code = codeof(r.example);
    EXPECT_TRUE(form(c, code + "00" + bban)) << "check digits are not checked";
    EXPECT_TRUE(form(c, code + "99" + bban));
    EXPECT_FALSE(form(c, code + "A0" + bban));
    EXPECT_FALSE(form(c, code + "0A" + bban));
    EXPECT_FALSE(form(c, code + " 0" + bban));
    std::string lower = r.example;
    lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
    EXPECT_FALSE(form(c, lower));
    std::string other = r.example;
    other[1] = other[1] == 'Z' ? 'A' : static_cast<char>(other[1] + 1);
    EXPECT_FALSE(form(c, other));
  }
  // Countries of the same length and structure still keep their own code.
  EXPECT_FALSE(form(*registrycountry("CH"), "LI21088100002324013AA"));
  EXPECT_FALSE(form(*registrycountry("LI"), "CH9300762011623852957"));
  EXPECT_FALSE(form(*registrycountry("FR"), "MC5811222000010123456789030"));
}

// Bank and branch identifiers at their positions in the example IBAN: the registry's
// "Bank identifier example" and "Branch identifier example" cells, or, where the registry's
// cells are faulty, what its corrected positions give.
TEST(RegistryIdentifiers, BankAndBranchOfTheExamples) {
  struct IdCase {
    const char* why;
    const char* code;
    const char* bank;
    const char* branch;
  };
  const IdCase cases[] = {
      {"digits only, no branch", "DE", "37040044", ""},
      {"no branch in the registry", "FR", "20041", ""},
      {"letters, then a six-digit sort code", "GB", "NWBK", "601613"},
      {"as GB", "IE", "AIBK", "931152"},
      {"behind the leading check letter", "IT", "05428", "11101"},
      {"as IT", "SM", "03225", "09800"},
      {"two sections of four", "ES", "2100", "0418"},
      {"letters then digits", "BG", "BNBG", "9661"},
      {"bank across a letter and a digit section", "MU", "BOMM01", "01"},
      {"as MU", "SC", "SSCB11", "01"},
      {"long bank code", "BR", "00360305", "00001"},
      {"nine-digit bank code", "RU", "044525225", "40817"},
      {"two two-digit identifiers", "IS", "01", "59"},
      {"identifiers inside the first section", "XK", "12", "12"},
      {"identifiers inside the first 8!n", "ST", "0001", "0001"},
      {"positions that were spreadsheet dates (42461, 42556)", "IQ", "NBIQ", "850"},
      {"registry's bank at 5-8 like the branch", "JO", "CBJO", "0010"},
      {"registry's branch 1-8 taken as bank", "PL", "10901014", ""},
      {"positions 1-3 and 4-8; the branch with its check digit", "AL", "212", "11009"},
  };
  for (const IdCase& k : cases) {
    SCOPED_TRACE(std::string(k.code) + ": " + k.why);
    const RegistryCountry* c = registrycountry(k.code);
    ASSERT_NE(c, nullptr);
    const std::string bban = std::string(c->example).substr(4);
    EXPECT_EQ(bban.substr(c->bankstart, c->banklength), k.bank);
    EXPECT_EQ(bban.substr(c->branchstart, c->branchlength), k.branch);
    EXPECT_EQ(c->branchlength == 0, k.branch[0] == '\0');
  }
}

// The territories of the registry's "includes" rows: their accounts have their country's
// IBANs. SEPA as the registry says (FR, FI) or the EPC's list of SEPA scheme countries (GB's).
TEST(RegistryTerritories, ResolveToTheirCountry) {
  struct TerritoryCase {
    const char* code;
    const char* country;
    bool sepa;
  };
  const TerritoryCase cases[] = {
      {"GF", "FR", true},  {"GP", "FR", true},  {"MQ", "FR", true},  {"RE", "FR", true},
      {"YT", "FR", true},  {"PM", "FR", true},  {"BL", "FR", true},  {"MF", "FR", true},
      {"NC", "FR", false}, {"PF", "FR", false}, {"TF", "FR", false}, {"WF", "FR", false},
      {"AX", "FI", true},  {"JE", "GB", true},  {"GG", "GB", true},  {"IM", "GB", true},
  };
  ASSERT_EQ(kRegistryTerritories, 16);
  for (const TerritoryCase& k : cases) {
    SCOPED_TRACE(k.code);
    const RegistryCountry* c = ibancountryof(k.code);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->code, k.country);
    EXPECT_NE(std::strstr(c->territories, k.code), nullptr);
    EXPECT_EQ(registrycountry(k.code), nullptr) << "no registry country of its own";
    const RegistryTerritory* t = registryterritory(k.code);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->code, k.code);
    EXPECT_STREQ(t->country, k.country);
    EXPECT_EQ(t->sepa, k.sepa);
  }
  // The countries themselves have no territory row and resolve to themselves.
  for (const char* code : {"FR", "FI", "GB", "DE"}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(ibancountryof(code), registrycountry(code));
    EXPECT_EQ(registryterritory(code), nullptr);
  }
  EXPECT_STREQ(registrycountry("DE")->territories, "");
}

TEST(RegistryLookup, CodesThatNameNoCountry) {
  struct LookupCase {
    const char* why;
    const char* code;
  };
  const LookupCase cases[] = {
      {"not in the registry", "US"},
      {"assigned to no one", "XX"},
      {"first and last code", "AA"},
      {"last code", "ZZ"},
      {"lower case", "de"},
      {"lower case first letter", "dE"},
      {"lower case second letter", "De"},
      {"lower case territory", "gp"},
      {"three letters", "DEU"},
      {"a registry code with a blank behind", "DE "},
      {"a territory code with a letter behind", "GPX"},
      {"one letter", "D"},
      {"empty", ""},
      {"a digit", "D1"},
      // Where the index would put them if a second character that is no letter were counted
      // from 'A' like one: DE's and GP's places.
      {"a sign second", "E+"},
      {"a digit second", "H6"},
      {"in front of A", "@E"},
      {"behind Z", "D["},
      {"a blank in front", " DE"},
      {"a high byte", "\xc4Z"},
  };
  for (const LookupCase& k : cases) {
    SCOPED_TRACE(std::string(k.why) + " '" + k.code + "'");
    EXPECT_EQ(registrycountry(k.code), nullptr);
    EXPECT_EQ(ibancountryof(k.code), nullptr);
    EXPECT_EQ(registryterritory(k.code), nullptr);
  }
}

// Every code "AA".."ZZ": the index finds each country and territory under its own code, and
// nothing else.
TEST(RegistryLookup, EveryTwoLetterCode) {
  int countries = 0, ibancountries = 0, territories = 0;
  for (char a = 'A'; a <= 'Z'; ++a) {
    for (char b = 'A'; b <= 'Z'; ++b) {
      const char code[3] = {a, b, '\0'};
      SCOPED_TRACE(code);
      const RegistryCountry* c = registrycountry(code);
      const RegistryCountry* i = ibancountryof(code);
      const RegistryTerritory* t = registryterritory(code);
      if (c != nullptr) {
        ++countries;
        EXPECT_STREQ(c->code, code);
        EXPECT_EQ(i, c);
      }
      if (t != nullptr) {
        ++territories;
        EXPECT_STREQ(t->code, code);
        EXPECT_EQ(c, nullptr);
        EXPECT_EQ(i, registrycountry(t->country));
      }
      if (i != nullptr) ++ibancountries;
      if (c == nullptr && t == nullptr) {
        EXPECT_EQ(i, nullptr);
      }
    }
  }
  EXPECT_EQ(countries, 89);
  EXPECT_EQ(territories, 16);
  EXPECT_EQ(ibancountries, 89 + 16);
}

}  // namespace
