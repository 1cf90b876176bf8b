#include "common/bits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

// findbyte against a plain search: every length around the 16 bytes looked at one by one,
// the byte first, last, absent, and placed anywhere.
TEST(Findbyte, FindsWhatAPlainSearchFinds) {
  std::mt19937 rng(3);
  for (std::size_t n = 0; n < 80; ++n) {
    for (int trial = 0; trial < 60; ++trial) {
      std::string t(n, 'x');
      for (char& c : t) c = "ab<>\n "[rng() % 6];
      if (n > 0 && trial % 3 == 0) t[rng() % n] = '#';
      for (char c : {'#', '<', '\n', 'a', '\0'}) {
        std::size_t want = t.find(c);
        if (want == std::string::npos) want = n;
        ASSERT_EQ(findbyte(t.data(), n, c), want) << "n=" << n << " c=" << int(c) << " " << t;
      }
    }
  }
}

// The block matcher and its lowest bit against a plain loop: bytes of both halves of the
// table, NUL, and the bytes asked for, anywhere in the sixteen.
TEST(Matchbytes16, FlagsExactlyTheBytesAskedFor) {
  std::mt19937 rng(9);
  const char pool[] = {';', ',', '"', '\0', 'a', '\xff', '\x80', ':', '+', '\x3b' + 1};
  for (int trial = 0; trial < 20000; ++trial) {
    char block[16];
    for (char& c : block) c = pool[rng() % sizeof pool];
    unsigned want = 0;
    for (int i = 0; i < 16; ++i)
      if (block[i] == ';' || block[i] == ',' || block[i] == '"' || block[i] == '\0') want |= 1u << i;
    const unsigned got = matchbytes16(block, ';', ',', '"', '\0');
    ASSERT_EQ(got, want);
    if (want != 0) {
      int first = 0;
      while ((want >> first & 1u) == 0) ++first;
      ASSERT_EQ(lowestbit(got), first);
    }
  }
}

}  // namespace
