// Every country of the IBAN registry through the engine: its example IBAN validated and split,
// the same IBAN with a wrong length or a character of the wrong class refused, and for every
// country the program builds IBANs for, the IBAN built again from its own parts.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/textbuf.h"
#include "iban/iban.h"
#include "iban/registry.h"

namespace {

struct Example {
  std::string land, iban, blz, konto;
};

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The rows of tests/data/iban/registry-examples.txt.
std::vector<Example> examples() {
  std::ifstream in(VELMORA_TESTDATA "/iban/registry-examples.txt");
  std::vector<Example> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string part; std::getline(ss, part, '|');) f.push_back(trim(part));
    if (f.size() == 4) rows.push_back({f[0], f[1], f[2], f[3]});
  }
  return rows;
}

// The IBAN with its check digits made right again, so that only what was changed is wrong.
std::string rechecked(std::string iban) {
  std::string moved = iban.substr(4) + iban.substr(0, 2) + "00";
  int r = 0;
  for (char c : moved) {
    const int v = c >= 'A' ? c - 'A' + 10 : c - '0';
    r = v >= 10 ? (r * 100 + v) % 97 : (r * 10 + v) % 97;
  }
  const int c = 98 - r;
  iban[2] = static_cast<char>('0' + c / 10);
  iban[3] = static_cast<char>('0' + c % 10);
  return iban;
}

struct Split {
  int result;
  std::string land, blz, konto;
};

Split split(const std::string& iban) {
  char land[kFieldSize] = {}, blz[kFieldSize] = {}, konto[kFieldSize] = {}, buf[kFieldSize] = {};
  std::strncpy(buf, iban.c_str(), kFieldSize - 1);
  const int result = chkiban(land, blz, konto, buf);
  return {result, land, blz, konto};
}

TEST(RegistryCountries, EveryExampleValidatesAndSplits) {
  const std::vector<Example> rows = examples();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRegistryCountries));
  for (const Example& e : rows) {
    SCOPED_TRACE(e.iban);
    ASSERT_NE(registrycountry(e.land.c_str()), nullptr);
    const Split s = split(e.iban);
    EXPECT_EQ(s.result, 1);
    EXPECT_EQ(s.land, e.land);
    EXPECT_EQ(s.blz, e.blz);
    EXPECT_EQ(s.konto, e.konto);
    // The parts are the BBAN, nothing lost or doubled.
    EXPECT_EQ(s.blz.size() + s.konto.size(), e.iban.size() - 4);
  }
}

TEST(RegistryCountries, AWrongLengthOrClassIsNoIban) {
  for (const Example& e : examples()) {
    SCOPED_TRACE(e.iban);
    const RegistryCountry* c = registrycountry(e.land.c_str());
    ASSERT_NE(c, nullptr);
    // A letter where the structure has a digit, or a digit where it has a letter.
    std::string wrongclass = e.iban;
    std::size_t at = 4;
    for (int p = 0; p < c->nparts; at += c->parts[p++].length) {
      if (c->parts[p].kind == CharKind::Digit) {
        wrongclass[at] = 'A';
        break;
      }
      if (c->parts[p].kind == CharKind::Upper) {
        wrongclass[at] = '0';
        break;
      }
    }
    const std::string variants[] = {rechecked(e.iban + "0"),
                                    rechecked(e.iban.substr(0, e.iban.size() - 1)),
                                    rechecked(wrongclass)};
    for (const std::string& v : variants) {
      if (v == e.iban) continue;  // a structure of letters or digits alone, no other class
      SCOPED_TRACE(v);
      const Split s = split(v);
      EXPECT_EQ(s.result, 0);
      EXPECT_EQ(s.land + s.blz + s.konto, "");
    }
  }
}

// Bank code and account number taken out of a valid IBAN build that IBAN again: as split,
// with separators, and (where the rule pads with zeros) with surplus leading zeros.
TEST(RegistryCountries, EveryBuildingCountryBuildsItsExampleAgain) {
  int built = 0;
  for (const Example& e : examples()) {
    if (!supported(e.land.c_str())) continue;
    SCOPED_TRACE(e.iban);
    ++built;
    auto make = [&](const std::string& blz, const std::string& konto) {
      char land[kFieldSize] = {}, b[kFieldSize] = {}, k[kFieldSize] = {}, iban[kFieldSize] = {};
      std::strcpy(land, e.land.c_str());
      std::strcpy(b, blz.c_str());
      std::strcpy(k, konto.c_str());
      EXPECT_EQ(makeiban(land, b, k, iban), 0) << blz << " " << konto;
      return std::string(iban);
    };
    auto spaced = [](const std::string& s) {
      std::string out;
      for (std::size_t i = 0; i < s.size(); ++i)
        out += (i > 0 && i % 3 == 0 ? "-" : "") + s.substr(i, 1);
      return out;
    };
    EXPECT_EQ(make(e.blz, e.konto), e.iban);
    EXPECT_EQ(make(spaced(e.blz), spaced(e.konto)), e.iban);
    // Not where a code's first characters are taken as they stand (IT's and SM's CIN letter
    // leads the bank code, ES's control digits the account number), nor in front of letters,
    // which are padded with X, not 0.
    const bool blzzeros = e.blz[0] >= '0' && e.blz[0] <= '9';
    const bool kontozeros = e.land != "ES";
    EXPECT_EQ(make(blzzeros ? "00" + e.blz : e.blz, kontozeros ? "000" + e.konto : e.konto),
              e.iban);
  }
  EXPECT_EQ(built, 39);
}

}  // namespace
