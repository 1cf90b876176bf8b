// IBAN check number (ISO 7064 MOD 97-10).
#include <cstdint>
#include <cstring>

#include "iban/chars.h"
#include "iban/iban.h"

namespace {

constexpr int kMinText = 5;
constexpr int kMaxText = 39;
constexpr int kMaxDigits = 2 * kMaxText;  // every character a letter

// What one character adds to the digit string: a digit itself, a letter of either case its
// two digits (A = 10 .. Z = 35), anything else nothing.
struct Digits {
  std::uint8_t value;
  std::uint8_t count;
};

struct DigitTable {
  Digits of[256];
};

constexpr DigitTable makedigittable() {
  DigitTable t{};
  for (int c = '0'; c <= '9'; ++c) t.of[c] = {std::uint8_t(c - '0'), 1};
  for (int c = 'A'; c <= 'Z'; ++c) t.of[c] = {std::uint8_t(c - 'A' + 10), 2};
  for (int c = 'a'; c <= 'z'; ++c) t.of[c] = {std::uint8_t(c - 'a' + 10), 2};
  return t;
}

struct PowerTable {
  std::uint8_t of[kMaxDigits + 1];  ///< 10^k mod 97
};

constexpr PowerTable makepowertable() {
  PowerTable t{};
  int p = 1;
  for (int k = 0; k <= kMaxDigits; ++k, p = p * 10 % 97) t.of[k] = std::uint8_t(p);
  return t;
}

constexpr DigitTable kDigits = makedigittable();
constexpr PowerTable kPowers = makepowertable();

// Adds one character, read from the right end of the rearranged text, to the sum of
// value * 10^(digits to its right) mod 97. The terms do not depend on one another, so the
// processor can work on several characters at once; the sum stays below 39 * 96 * 96.
inline void addright(std::uint32_t& sum, int& digits, char c) {
  const Digits& d = kDigits.of[static_cast<unsigned char>(c)];
  sum += d.value * kPowers.of[digits];
  digits += d.count;
}

// The value of the eight digits at p (all digits, as eightdigits says): pairs, then fours,
// then the eight, in three multiplications. The bytes are taken in memory order, which on the
// little-endian machines the program is built for puts the first digit lowest.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "parse8 reads digits in little-endian order"
#endif
inline std::uint32_t parse8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  w -= 0x3030303030303030u;
  w = (w * 10) + (w >> 8);
  w = (((w & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
       (((w >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
      32;
  return static_cast<std::uint32_t>(w);
}

}  // namespace

// The remainder of the whole digit string, computed from its right end: equal to what a
// left-to-right reduction in pieces of 8 digits gives, with no value above 32 bits.
int calcchknr(const char* iban0) {
  // Length guard, separators counted: 5 to 39 characters.
  const int n = static_cast<int>(strnlen(iban0, kMaxText + 1));
  if (n < kMinText || n > kMaxText) return 0;
  std::uint32_t sum = 0;
  int digits = 0;
  // The first four characters go last as they stand: a separator among them is dropped, not
  // replaced by a later character, so a text like "DE 89..." does not give the IBAN result.
  for (int i = 3; i >= 0; --i) addright(sum, digits, iban0[i]);
  // The BBAN from its end: eight digits in a row are one term, as most of every BBAN is.
  int i = n - 1;
  while (i >= 4) {
    if (i >= 11 && eightdigits(iban0 + i - 7)) {
      sum += parse8(iban0 + i - 7) % 97 * kPowers.of[digits];
      digits += 8;
      i -= 8;
    } else {
      addright(sum, digits, iban0[i--]);
    }
  }
  // Fewer than 5 digits counts as unusable, although the remainder would be defined.
  if (digits < kMinText) return 0;
  return static_cast<int>(sum % 97);
}
