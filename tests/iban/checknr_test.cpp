#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "iban/iban.h"

namespace {

// The check number the long way: rearranged, expanded to a digit string, and reduced in pieces
// of at most 8 digits with the remainder carried as decimal text in front of the next piece.
int piecewise(const std::string& text) {
  if (text.size() < 5 || text.size() > 39) return 0;
  std::string moved = text.substr(4) + text.substr(0, 4);
  std::string d;
  for (char ch : moved) {
    unsigned char c = ch;
    if (c >= '0' && c <= '9') d += ch;
    if (c >= 'A' && c <= 'Z') d += std::to_string(c - 'A' + 10);
    if (c >= 'a' && c <= 'z') d += std::to_string(c - 'a' + 10);
  }
  if (d.size() < 5) return 0;
  std::string piece = d.substr(0, 8);
  std::size_t q = 8;
  for (;;) {
    int r = piece.empty() ? 0 : std::stoi(piece) % 97;
    if (q >= d.size()) return r;
    std::string next = (r == 0 ? std::string() : std::to_string(r)) + d.substr(q);
    if (next.size() <= 8) {
      int last = next.empty() ? 0 : std::stoi(next) % 97;
      return last;
    }
    q += 8 - (next.size() - (d.size() - q));
    piece = next.substr(0, 8);
  }
}

// calcchknr on a copy of text in an allocation of exactly its size, so that any read behind
// the terminator is an overrun that the address sanitizer reports.
int exact(const std::string& text) {
  std::unique_ptr<char[]> buf(new char[text.size() + 1]);
  std::memcpy(buf.get(), text.c_str(), text.size() + 1);
  int r = calcchknr(buf.get());
  EXPECT_EQ(std::string(buf.get()), text) << "the text must not change";
  return r;
}

struct ChkCase {
  const char* why;
  std::string text;
  int want;
};

TEST(Calcchknr, WorkedExamplesAndGuards) {
  const ChkCase cases[] = {
      {"five digits, rearranged to 51234", "12345", 18},
      {"four characters are too few", "1234", 0},
      {"five characters but four digits", "12 34", 0},
      {"letters count 10..35", "XY001234567890", 65},
      {"lower case counts like upper case", "xy001234567890", 65},
      {"separators behind the first four are skipped", "XY00 1234-5678 90", 65},
      {"bytes above 127 are separators",
       "XY00\xe4"
       "1234567890\xff",
       65},
      {"the check digits 98 - 65 give 1", "XY331234567890", 1},
      {"a separator among the first four is moved, not replaced", "DE 89370400440532013000", 57},
      {"a real IBAN", "DE89370400440532013000", 1},
      {"39 characters are accepted", std::string(39, '9'), 76},
      {"40 characters are refused", std::string(40, '1'), 0},
      {"40 characters are refused even with separators",
       "XY33" + std::string(26, ' ') + "1234567890", 0},
      {"only separators", std::string(20, '-'), 0},
      {"multiple of 97 ending exactly with the digits", "97000", 0},
      {"remainder 0 after 8 digits: 8 fresh digits follow", "00009700000000001234", 48},
  };
  for (const ChkCase& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(exact(c.text), c.want);
    EXPECT_EQ(piecewise(c.text), c.want) << "reference disagrees with the case";
  }
}

// The fast fold must agree with the piecewise reduction on every kind of text: digits, both
// cases of letters, separators, any length around the guards.
TEST(Calcchknr, AgreesWithThePiecewiseReduction) {
  std::mt19937 rng(97);
  const std::string alphabet =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz -./\xe4\x80";
  for (int n = 0; n < 20000; ++n) {
    std::string text(rng() % 44, ' ');
    int kind = n % 3;  // digits only, letters and digits, everything
    for (char& c : text) {
      std::size_t range = kind == 0 ? 10 : kind == 1 ? 36 : alphabet.size();
      c = alphabet[rng() % range];
    }
    SCOPED_TRACE(text);
    ASSERT_EQ(exact(text), piecewise(text));
  }
}

}  // namespace
