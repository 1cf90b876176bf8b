// Character classes of the IBAN engine: ASCII digits and letters are significant, every other
// byte (blank, hyphen, dot, bytes of 128 and above, ...) is a separator. One table lookup per
// character instead of a chain of range tests keeps the scans free of hard-to-predict branches.
#pragma once

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
