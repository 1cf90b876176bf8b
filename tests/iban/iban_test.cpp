#include "iban/iban.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "common/textbuf.h"
#include "iban/country.h"

namespace {

struct Fields {
  std::string land, blz, konto, iban;
};

bool operator==(const Fields& a, const Fields& b) {
  return a.land == b.land && a.blz == b.blz && a.konto == b.konto && a.iban == b.iban;
}

std::ostream& operator<<(std::ostream& os, const Fields& f) {
  return os << "{" << f.land << "|" << f.blz << "|" << f.konto << "|" << f.iban << "}";
}

// Runs one operation on four field buffers filled from f; returns the fields afterwards.
template <typename Op>
Fields onfields(const Fields& f, int& result, Op op) {
  char land[kFieldSize] = {}, blz[kFieldSize] = {}, konto[kFieldSize] = {}, iban[kFieldSize] = {};
  std::strcpy(land, f.land.c_str());
  std::strcpy(blz, f.blz.c_str());
  std::strcpy(konto, f.konto.c_str());
  std::strcpy(iban, f.iban.c_str());
  result = op(land, blz, konto, iban);
  return {land, blz, konto, iban};
}

Fields make(const Fields& f, int& result) {
  return onfields(f, result,
                  [](char* l, char* b, char* k, char* i) { return makeiban(l, b, k, i); });
}

Fields check(const Fields& f, int& result) {
  return onfields(f, result,
                  [](char* l, char* b, char* k, char* i) { return chkiban(l, b, k, i); });
}

// The remainder of an IBAN's digit string by schoolbook long division, digit by digit.
int mod97(const std::string& iban) {
  std::string moved = iban.substr(4) + iban.substr(0, 4);
  std::string digits;
  for (char c : moved) {
    if (c >= '0' && c <= '9') digits += c;
    if (c >= 'A' && c <= 'Z') digits += std::to_string(c - 'A' + 10);
  }
  int r = 0;
  for (char d : digits) r = (r * 10 + (d - '0')) % 97;
  return r;
}

struct OpCase {
  const char* why;
  Fields in;
  int want;
  Fields out;
};

TEST(Makeiban, BuildsOrFails) {
  const OpCase cases[] = {
      {"the example record",
       {"DE", "37040044", "532013000", ""},
       0,
       {"DE", "37040044", "0532013000", "DE89370400440532013000"}},
      {"check value below 10 keeps its leading zero",
       {"AT", "19043", "0", ""},
       0,
       {"AT", "19043", "00000000000", "AT041904300000000000"}},
      {"empty fields are padded, not refused",
       {"AT", "", "", "old"},
       0,
       {"AT", "00000", "00000000000", "AT180000000000000000"}},
      {"letters upper-cased, separators dropped",
       {"GB", "nwbk 60-16-13", "3192 6819", ""},
       0,
       {"GB", "NWBK601613", "31926819", "GB29NWBK60161331926819"}},
      {"unknown two-letter country", {"XX", "1", "2", "old"}, 1, {"XX", "1", "2", "XX00"}},
      {"lower-case country code goes in as given",
       {"at", "1", "2", "old"},
       1,
       {"at", "1", "2", "at00"}},
      {"country code of three characters: iban untouched",
       {"ATX", "1", "2", "old"},
       1,
       {"ATX", "1", "2", "old"}},
      {"empty country code: iban untouched", {"", "1", "2", "old"}, 1, {"", "1", "2", "old"}},
      {"bank code breaks the rule", {"GB", "1234", "2", "old"}, 1, {"GB", "1234", "2", "GB00"}},
      {"account breaks the rule after the bank code",
       {"DE", "1", "12x", "old"},
       1,
       {"DE", "00000001", "12x", "DE0000000001"}},
      // National check characters a record left out are filled in, in the fields too.
      {"MC account without its RIB key",
       {"MC", "11222 00001", "01234567890", ""},
       0,
       {"MC", "1122200001", "0123456789030", "MC5811222000010123456789030"}},
      {"SM bank code as ABI and CAB, without the CIN letter",
       {"SM", "03225 09800", "270100", ""},
       0,
       {"SM", "U0322509800", "000000270100", "SM86U0322509800000000270100"}},
      {"IT bank code without a CIN letter other than the placeholder's",
       {"IT", "0306909606", "100000000001", ""},
       0,
       {"IT", "U0306909606", "100000000001", "IT45U0306909606100000000001"}},
  };
  for (const OpCase& c : cases) {
    SCOPED_TRACE(c.why);
    int result = -1;
    EXPECT_EQ(make(c.in, result), c.out);
    EXPECT_EQ(result, c.want);
  }
}

TEST(Chkiban, ValidatesCleansAndSplits) {
  const OpCase cases[] = {
      {"electronic form",
       {"", "", "", "DE89370400440532013000"},
       1,
       {"DE", "37040044", "0532013000", "DE89370400440532013000"}},
      {"lower case in groups of four",
       {"", "", "", "de89 3704 0044 0532 0130 00"},
       1,
       {"DE", "37040044", "0532013000", "DE89370400440532013000"}},
      {"other separators and high bytes",
       {"", "", "",
        "\xa0"
        "DE89-3704.0044/0532\xe4"
        "013000"},
       1,
       {"DE", "37040044", "0532013000", "DE89370400440532013000"}},
      {"one digit changed",
       {"x", "x", "x", "DE89370400440532013001"},
       0,
       {"", "", "", "DE89370400440532013001"}},
      {"a single blank", {"x", "x", "x", " "}, 0, {"", "", "", ""}},
      {"cleaned text too short", {"x", "x", "x", "D-E-8-9"}, 0, {"", "", "", "DE89"}},
      {"check digits right, but a country the registry lacks",
       {"", "", "", "XY331234567890"},
       0,
       {"", "", "", "XY331234567890"}},
      {"check digits right, but much too short for DE",
       {"", "", "", "DE0312"},
       0,
       {"", "", "", "DE0312"}},
      {"check digits right, but a character more than DE has",
       {"", "", "", "DE543704004405320130001"},
       0,
       {"", "", "", "DE543704004405320130001"}},
      {"check digits right, but a character less",
       {"", "", "", "DE51370400440532013 00"},
       0,
       {"", "", "", "DE5137040044053201300"}},
      {"check digits right, but a letter where the registry wants a digit",
       {"", "", "", "DE59370400440532O13000"},
       0,
       {"", "", "", "DE59370400440532O13000"}},
      {"a registry country without rules here: bank and branch identifier, then the rest",
       {"", "", "", "BA391290079401028494"},
       1,
       {"BA", "129007", "9401028494", "BA391290079401028494"}},
      {"bank and branch identifier with letters",
       {"", "", "", "MU17BOMM0101101030300200000MUR"},
       1,
       {"MU", "BOMM0101", "101030300200000MUR", "MU17BOMM0101101030300200000MUR"}},
      {"a territory's IBAN is its country's",
       {"", "", "", "GP7300000000000000000000000"},
       0,
       {"", "", "", "GP7300000000000000000000000"}},
      {"HU: the account behind this system's 7-character bank code is longer than its rule, "
       "and is kept whole rather than cut",
       {"", "", "", "HU42117730161111101800000000"},
       1,
       {"HU", "1177301", "61111101800000000", "HU42117730161111101800000000"}},
  };
  for (const OpCase& c : cases) {
    SCOPED_TRACE(c.why);
    int result = -1;
    EXPECT_EQ(check(c.in, result), c.out);
    EXPECT_EQ(result, c.want);
  }
}

// An IBAN with right check digits but a BBAN shorter than its country's is refused, without
// reading what lies behind its terminator.
TEST(Chkiban, ShortBbanReadsNothingBehindTheText) {
  char land[kFieldSize], blz[kFieldSize], konto[kFieldSize], iban[kFieldSize];
  std::memset(iban, '7', sizeof iban);
  std::memcpy(iban, "DE0312", 7);
  ASSERT_EQ(chkiban(land, blz, konto, iban), 0);
  EXPECT_STREQ(konto, "");
}

struct RealIban {
  const char* iban;
  const char* blz;
  const char* konto;
};

// Public example IBANs of the countries whose IBAN length matches this system's tables.
TEST(Chkiban, RealIbansValidateAndSplit) {
  const RealIban cases[] = {
      {"AD1200012030200359100100", "00012030", "200359100100"},
      {"AT611904300234573201", "19043", "00234573201"},
      {"BE68539007547034", "539", "007547034"},
      {"CH9300762011623852957", "00762", "011623852957"},
      {"CZ6508000000192000145399", "0800", "0000192000145399"},
      {"DE89370400440532013000", "37040044", "0532013000"},
      {"DK5000400440116243", "0040", "0440116243"},
      {"ES9121000418450200051332", "21000418", "450200051332"},
      {"FI2112345600000785", "123456", "00000785"},
      {"FO6264600001631634", "6460", "0001631634"},
      {"FR1420041010050500013M02606", "2004101005", "0500013M02606"},
      {"GB29NWBK60161331926819", "NWBK601613", "31926819"},
      {"GI75NWBK000000007099453", "NWBK", "000000007099453"},
      {"GL8964710001000206", "6471", "0001000206"},
      {"GR1601101250000000012300695", "0110125", "0000000012300695"},
      {"IE29AIBK93115212345678", "AIBK931152", "12345678"},
      {"IS140159260076545510730339", "0159", "260076545510730339"},
      {"IT60X0542811101000000123456", "X0542811101", "000000123456"},
      {"LI21088100002324013AA", "08810", "0002324013AA"},
      {"LU280019400644750000", "001", "9400644750000"},
      {"LV80BANK0000435195001", "BANK", "0000435195001"},
      {"MC5811222000010123456789030", "1122200001", "0123456789030"},
      {"NL91ABNA0417164300", "ABNA", "0417164300"},
      {"NO9386011117947", "8601", "1117947"},
      {"PL61109010140000071219812874", "10901014", "0000071219812874"},
      {"PT50000201231234567890154", "00020123", "1234567890154"},
      {"SE4550000000058398257466", "500", "00000058398257466"},
      {"SI56263300012039086", "26330", "0012039086"},
      {"SM86U0322509800000000270100", "U0322509800", "000000270100"},
  };
  for (const RealIban& c : cases) {
    SCOPED_TRACE(c.iban);
    int result = -1;
    Fields got = check({"", "", "", c.iban}, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(got, (Fields{std::string(c.iban, 2), c.blz, c.konto, c.iban}));
  }
}

// Random text that fits rule: separators and lower case sprinkled in where they do no harm,
// sections often left short so that padding is exercised.
std::string fitting(const CountryRule& rule, std::mt19937& rng) {
  const char* digits = "0123456789";
  const char* upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const char* alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  auto pick = [&](const char* set) { return set[rng() % std::strlen(set)]; };
  std::string s;
  if (rule.check == Check::Letter) s += pick(upper);
  // The registry has digits where ES's pair and BG's account type stand.
  if (rule.check == Check::Pair) s += pick(digits), s += pick(digits);
  const bool bg = std::strcmp(rule.land, "BG") == 0 && rule.check == Check::Alfanum;
  if (bg) s += pick(digits), s += pick(digits);
  const char* first = rule.check == Check::Alfa
                          ? "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                      : rule.check == Check::Alfanum ? alnum
                                                     : digits;
  bool full = rng() % 2;
  const int l1 = bg ? rule.l1 - 2 : rule.l1;
  int n1 = full ? l1 : int(rng() % (l1 + 1));
  for (int i = 0; i < n1; ++i) {
    if (rng() % 8 == 0) s += " -./"[rng() % 4];
    s += pick(first);
  }
  int n2 = full ? int(rng() % (rule.l2 + 1)) : 0;
  for (int i = 0; i < n2; ++i) s += pick(digits);
  return s;
}

TEST(Makeiban, RoundTripsThroughChkibanForEveryCountry) {
  std::mt19937 rng(1316);
  for (int i = 0; i < kCountries; ++i) {
    const CountryRule& b = kBankCodeRules[i];
    const CountryRule& k = kAccountRules[i];
    for (int n = 0; n < 300; ++n) {
      Fields in{b.land, fitting(b, rng), fitting(k, rng), ""};
      SCOPED_TRACE(::testing::Message() << in);
      int result = -1;
      Fields made = make(in, result);
      ASSERT_EQ(result, 0);
      ASSERT_EQ(made.blz.size(), std::size_t(rulelength(b)));
      ASSERT_EQ(made.konto.size(), std::size_t(rulelength(k)));
      ASSERT_EQ(made.iban, made.land + made.iban.substr(2, 2) + made.blz + made.konto);
      EXPECT_EQ(std::stoi(made.iban.substr(2, 2)),
                98 - mod97(made.land + "00" + made.iban.substr(4)));
      EXPECT_EQ(mod97(made.iban), 1);

      Fields back = check({"", "", "", made.iban}, result);
      EXPECT_EQ(result, 1);
      EXPECT_EQ(back, made);

      // ibanblz finds the bank code again in the start of the BBAN.
      std::string bban = made.iban.substr(4, 25);
      char cut[kFieldSize] = {};
      std::strcpy(cut, bban.c_str());
      EXPECT_EQ(ibanblz(b.land, cut), rulelength(b));
      EXPECT_EQ(cut, made.blz);
    }
  }
}

// Junk of every length into every function: no write behind the region a function may use,
// and (through the sanitizer) no access outside the 60-character heap buffers.
class Guarded {
 public:
  explicit Guarded(const std::string& text) : buf_(new char[kFieldSize]), len_(text.size()) {
    std::memset(buf_.get(), kGuard, kFieldSize);
    std::memcpy(buf_.get(), text.c_str(), text.size() + 1);
  }
  char* get() { return buf_.get(); }
  // True when nothing from index `from` on was written.
  bool untouchedfrom(std::size_t from) const {
    for (std::size_t i = std::max(from, len_ + 1); i < kFieldSize; ++i) {
      if (buf_[i] != kGuard) return false;
    }
    return true;
  }

 private:
  static constexpr char kGuard = '7';
  std::unique_ptr<char[]> buf_;
  std::size_t len_;
};

std::string junk(std::mt19937& rng, int len) {
  std::string s(len, ' ');
  for (char& c : s) c = char(1 + rng() % 255);
  if (rng() % 2) {  // mostly plausible characters half of the time
    for (char& c : s) {
      if (rng() % 4) c = "0123456789ABCDEFXYZabcxyz -"[rng() % 27];
    }
  }
  return s;
}

TEST(IbanEngine, JunkOfEveryLengthStaysInsideItsBuffers) {
  std::mt19937 rng(60);
  using FieldFn = int (*)(char*, int, int);
  const FieldFn checks[] = {isnnum, isnalfa, isnalfanum};
  for (int len = 0; len < kFieldSize; ++len) {
    SCOPED_TRACE(len);
    for (int n = 0; n < 40; ++n) {
      std::string text = junk(rng, len);
      std::string code = n % 5 == 0 ? junk(rng, n % 4) : kBankCodeRules[n % kCountries].land;

      std::unique_ptr<char[]> exact(new char[len + 1]);
      std::memcpy(exact.get(), text.c_str(), len + 1);
      int r = calcchknr(exact.get());
      EXPECT_TRUE(r >= 0 && r < 97);

      int l1 = int(rng() % 51), l2 = int(rng() % 51);
      if (l1 + l2 >= kFieldSize) l2 = kFieldSize - 1 - l1;
      Guarded field(text);
      r = checks[n % 3](field.get(), l1, l2);
      EXPECT_TRUE(r == 0 || r == 1);
      EXPECT_TRUE(field.untouchedfrom(l1 + l2 + 1));

      Guarded blz(text), konto(junk(rng, len));
      EXPECT_LE(getblz(code.c_str(), blz.get()), 11);
      EXPECT_TRUE(blz.untouchedfrom(12));
      EXPECT_LE(getkonto(code.c_str(), konto.get()), 18);
      EXPECT_TRUE(konto.untouchedfrom(19));

      Guarded mblz(junk(rng, len)), mkonto(junk(rng, len)), miban(junk(rng, len));
      r = makeiban(code.c_str(), mblz.get(), mkonto.get(), miban.get());
      EXPECT_TRUE(r == 0 || r == 1);
      EXPECT_TRUE(mblz.untouchedfrom(12) && mkonto.untouchedfrom(19) && miban.untouchedfrom(34));

      Guarded land(junk(rng, n % 3)), cblz(junk(rng, len)), ckonto(junk(rng, len)), iban(text);
      r = chkiban(land.get(), cblz.get(), ckonto.get(), iban.get());
      EXPECT_TRUE(r == 0 || r == 1);
      EXPECT_TRUE(land.untouchedfrom(3) && cblz.untouchedfrom(26) && ckonto.untouchedfrom(37) &&
                  iban.untouchedfrom(0));
    }
  }
}

}  // namespace
