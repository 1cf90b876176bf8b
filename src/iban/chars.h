// Character classes of the IBAN engine: ASCII digits and letters are significant, every other
// byte (blank, hyphen, dot, bytes of 128 and above, ...) is a separator. One table lookup per
// character instead of a chain of range tests keeps the scans free of hard-to-predict branches.
#pragma once

#include <cstdint>
#include <cstring>

enum class CharClass : unsigned char { Separator, Digit, Upper, Lower };

struct CharTable {
  CharClass of[256];
  char upper[256];  ///< digits and upper-case letters as they are, lower case upper-cased, else 0
};

constexpr CharTable makechartable() {
  CharTable t{};
  for (int c = 0; c < 256; ++c) {
    t.of[c] = c >= '0' && c <= '9'   ? CharClass::Digit
              : c >= 'A' && c <= 'Z' ? CharClass::Upper
              : c >= 'a' && c <= 'z' ? CharClass::Lower
                                     : CharClass::Separator;
    t.upper[c] = t.of[c] == CharClass::Lower       ? static_cast<char>(c - 'a' + 'A')
                 : t.of[c] != CharClass::Separator ? static_cast<char>(c)
                                                   : '\0';
  }
  return t;
}

inline constexpr CharTable kCharTable = makechartable();

inline CharClass charclass(char c) {
  return kCharTable.of[static_cast<unsigned char>(c)];
}

/// The significant character c in upper case, or '\0' for a separator.
inline char significant(char c) {
  return kCharTable.upper[static_cast<unsigned char>(c)];
}

/// Whether the eight bytes at p are all digits, tested at once: every byte's high half must be
/// 3, and its low half plus 6 must stay below 16. For the long runs of digits in account
/// numbers and BBANs.
inline bool eightdigits(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0u, kThrees = 0x3030303030303030u,
                          kLow = 0x0F0F0F0F0F0F0F0Fu, kSixes = 0x0606060606060606u;
  return (w & kHigh) == kThrees && (((w & kLow) + kSixes) & kHigh) == 0;
}
