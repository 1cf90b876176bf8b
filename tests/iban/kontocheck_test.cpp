#include "iban/kontocheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TestRow {
  std::string file;
  int line;
  std::string method, blz;
  std::vector<std::string> valid, invalid;
};

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// The rows of every table of test numbers in tests/data/checkmethods.
std::vector<TestRow> testrows() {
  std::vector<TestRow> rows;
  const std::filesystem::path dir = std::filesystem::path(VELMORA_TESTDATA) / "checkmethods";
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".txt") files.push_back(e.path());
  std::sort(files.begin(), files.end());
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
      rows.push_back({f.filename().string(), n, part[0], part[1] == "-" ? "" : part[1],
                      words(part[2]), words(part[3])});
    }
  }
  return rows;
}

// Every test account number of the Bundesbank's descriptions, valid and invalid, with the bank
// code where the description ties them to one.
TEST(Kontocheck, TheBundesbanksTestNumbers) {
  const std::vector<TestRow> rows = testrows();
  ASSERT_FALSE(rows.empty());
  for (const TestRow& r : rows) {
    SCOPED_TRACE(r.file + ":" + std::to_string(r.line) + " method " + r.method);
    ASSERT_TRUE(knownmethod(r.method));
    const std::string blz = r.blz.empty() ? "00000000" : r.blz;
    for (const std::string& k : r.valid)
      EXPECT_EQ(checkaccount(r.method, blz, k), AccountCheck::Valid) << k;
    for (const std::string& k : r.invalid)
      EXPECT_EQ(checkaccount(r.method, blz, k), AccountCheck::Invalid) << k;
  }
}

TEST(Kontocheck, TextsThatAreNoNumbers) {
  EXPECT_EQ(checkaccount("00", "37040044", "12345678901"), AccountCheck::Invalid)
      << "eleven digits";
  EXPECT_EQ(checkaccount("00", "37040044", "92907O1"), AccountCheck::Invalid) << "a letter";
  EXPECT_EQ(checkaccount("00", "3704004", "9290701"), AccountCheck::Valid) << "bank code padded";
  EXPECT_EQ(checkaccount("Z9", "37040044", "9290701"), AccountCheck::Unknown);
  EXPECT_EQ(checkaccount("0", "37040044", "9290701"), AccountCheck::Unknown);
  EXPECT_FALSE(knownmethod("F0"));
  EXPECT_FALSE(knownmethod("E9")) << "the last code the slots have room for";
  EXPECT_EQ(checkaccount("E9", "37040044", "9290701"), AccountCheck::Unknown);
  EXPECT_TRUE(knownmethod("00"));
}

// A number that is not all digits is Invalid, even where the value of the odd character would
// pass: ':' counts 10 and 'A' 17 to a check that takes it for a digit. Method 00 accepts
// 9290701, and its padded form; its last ten digits behind one more digit are still too long.
TEST(Kontocheck, OnlyDigitStringsOfAtMostTenPass) {
  ASSERT_EQ(checkaccount("00", "37040044", "9290701"), AccountCheck::Valid);
  ASSERT_EQ(checkaccount("00", "37040044", "0009290701"), AccountCheck::Valid);
  EXPECT_EQ(checkaccount("00", "37040044", "10009290701"), AccountCheck::Invalid);
  EXPECT_EQ(checkaccount("00", "37040044", "00009290701"), AccountCheck::Invalid)
      << "a leading zero is a digit too many as well";
  const std::string valid = "9290701";
  for (std::size_t at = 0; at < valid.size(); ++at) {
    for (char odd : {' ', '/', ':', '-', 'A', 'O', '\0'}) {
      std::string k = valid;
      k[at] = odd;
      EXPECT_EQ(checkaccount("00", "37040044", k), AccountCheck::Invalid)
          << "'" << odd << "' at " << at;
      EXPECT_EQ(checkaccount("00", "37040044", "000" + k), AccountCheck::Invalid)
          << "'" << odd << "' at " << at + 3 << " of ten";
    }
  }
}

}  // namespace
