// IBAN check number (ISO 7064 MOD 97-10).
#include <cstdint>

#include "iban/iban.h"

namespace {

// The remainder is folded left to right over the digit string and reduced only when it
// reaches kFold, so most characters cost one multiply-add. Below kFold before a step, the
// largest value after a letter step is kFold * 100 + 35, well inside a signed 32-bit integer.
constexpr std::uint32_t kFold = 10000000;

// Adds one character of the rearranged text to the digit string: a digit as itself, a letter
// of either case as two digits (A = 10 .. Z = 35); anything else is skipped.
inline void fold(std::uint32_t& rest, int& digits, unsigned char c) {
  if (c >= '0' && c <= '9') {
    rest = rest * 10 + (c - '0');
    digits += 1;
  } else {
    c |= 0x20;  // upper to lower case; maps no other byte into 'a'..'z'
    if (c < 'a' || c > 'z') return;
    rest = rest * 100 + (c - 'a' + 10);
    digits += 2;
  }
  if (rest >= kFold) rest %= 97;
}

}  // namespace

int calcchknr(const char* iban0) {
  // Length guard, separators counted: 5 to 39 characters.
  for (int i = 0; i < 5; ++i) {
    if (iban0[i] == '\0') return 0;
  }
  std::uint32_t rest = 0;
  int digits = 0;
  for (int i = 4; iban0[i] != '\0'; ++i) {
    if (i >= 39) return 0;
    fold(rest, digits, iban0[i]);
  }
  // The first four characters go last as they stand: a separator among them is dropped, not
  // replaced by a later character, so a text like "DE 89..." does not give the IBAN result.
  for (int i = 0; i < 4; ++i) fold(rest, digits, iban0[i]);
  // Fewer than 5 digits counts as unusable, although the remainder would be defined.
  if (digits < 5) return 0;
  return static_cast<int>(rest % 97);
}
