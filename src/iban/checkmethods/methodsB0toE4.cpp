// Check methods B0 to E4 of German account numbers, each written from the Bundesbank's
// description ("Prüfzifferberechnungsmethoden zur Prüfung von Kontonummern auf ihre
// Richtigkeit").
#include <initializer_list>

#include "iban/checkmethods/methods.h"

namespace checkmethods {

namespace {

// The variants that follow each other on a check digit error: the number is valid as soon as
// one of the methods accepts it.
bool anyof(const Account& k, const BankCode& b, std::initializer_list<const char*> codes) {
  for (const char* code : codes)
    if (bymethod(code, k, b)) return true;
  return false;
}

// A range of account numbers ("Kontonummernkreis") and the method that checks it; a null
// method means no check digit (as method 09: every number of the range is valid).
struct Range {
  long long first, last;
  const char* method;
};

// The range that holds the number, or null.
template <std::size_t N>
const Range* rangeof(const Account& k, const Range (&ranges)[N]) {
  const long long n = k.number();
  for (const Range& r : ranges)
    if (n >= r.first && n <= r.last) return &r;
  return nullptr;
}

// The check of a range: its method, or valid where it has none.
bool checkrange(const Range& r, const Account& k, const BankCode& b) {
  return r.method == nullptr || bymethod(r.method, k, b);
}

// The zeros the ten digits begin with.
int leadingzeros(const Account& k) {
  int n = 0;
  while (n < 10 && k.at(n + 1) == 0) ++n;
  return n;
}

// Method 00 on a number that a constant extends to the left: the digits of the constant, then
// positions first to 9; weights 2, 1, 2, 1, ... from position 9 leftward into the constant,
// products by their digit sums. The check digit is position 10.
bool m00withconstant(long long constant, const Account& k, int first) {
  int sum = weightedsum(k, first, 9, {2, 1}, true);
  int w = (10 - first) % 2 == 0 ? 2 : 1;  // the weight after position first
  for (; constant > 0; constant /= 10, w = 3 - w)
    sum += crossfoot(static_cast<int>(constant % 10) * w);
  return mod10(sum) == k.at(10);
}

// The constants by the digit at position 1 (0 where that digit makes the number invalid) of
// the methods that extend positions 2 to 9 by one.
using Constants = long long[10];

bool withconstants(const Constants& constants, const Account& k) {
  const long long c = constants[k.at(1)];
  return c != 0 && m00withconstant(c, k, 2);
}

// B9's second chance: a computed check digit that misses counts again increased by 5, less 10
// when that reaches 10 or more.
bool matchesorplusfive(int computed, int digit) {
  return computed == digit || (computed + 5) % 10 == digit;
}

// B0: ten digits, not beginning with 8. A 1, 2, 3 or 6 at position 8 means no check digit (as
// method 09); any other digit there, method 06.
bool mB0(const Account& k, const BankCode& b) {
  if (k.at(1) == 0 || k.at(1) == 8) return false;
  switch (k.at(8)) {
    case 1:
    case 2:
    case 3:
    case 6: return true;
    default: return bymethod("06", k, b);
  }
}

// B1: method 05, else 01, else 00.
bool mB1(const Account& k, const BankCode& b) {
  return anyof(k, b, {"05", "01", "00"});
}

// B2: 0 to 7 at position 1, method 02; 8 or 9, method 00.
bool mB2(const Account& k, const BankCode& b) {
  return bymethod(k.at(1) <= 7 ? "02" : "00", k, b);
}

// B3: 0 to 8 at position 1, method 32; 9, method 06.
bool mB3(const Account& k, const BankCode& b) {
  return bymethod(k.at(1) <= 8 ? "32" : "06", k, b);
}

// B4: 9 at position 1, method 00; otherwise modulus 11 with weights 2 to 10 from position 9
// leftward, computed as method 02 (a remainder of 1 leaves no valid check digit).
bool mB4(const Account& k, const BankCode& b) {
  if (k.at(1) == 9) return bymethod("00", k, b);
  return mod11(weightedsum(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10}), -1) == k.at(10);
}

// B5: method 05; where it fails, a number beginning with 8 or 9 is invalid and any other is
// checked by method 00.
bool mB5(const Account& k, const BankCode& b) {
  return bymethod("05", k, b) || (k.at(1) < 8 && bymethod("00", k, b));
}

// B6: ten digits, or 02691 to 02699 at positions 1 to 5, method 20; any other number method 53
// (which takes the bank code).
bool mB6(const Account& k, const BankCode& b) {
  const long long head = k.number(1, 5);
  const bool m20 = k.at(1) != 0 || (head >= 2691 && head <= 2699);
  return bymethod(m20 ? "20" : "53", k, b);
}

// B7: method 01 for the numbers 0001000000 to 0005999999 and 0700000000 to 0899999999; no
// check digit for all others.
bool mB7(const Account& k, const BankCode& b) {
  static const Range kChecked[] = {{1000000, 5999999, "01"}, {700000000, 899999999, "01"}};
  const Range* r = rangeof(k, kChecked);
  return r == nullptr || checkrange(*r, k, b);
}

// B8: method 20, else 29; numbers that both reject are valid only in 5100000000 to 5999999999
// and 9010000000 to 9109999999, which carry no check digit.
bool mB8(const Account& k, const BankCode& b) {
  static const Range kUnchecked[] = {{5100000000, 5999999999, nullptr},
                                     {9010000000, 9109999999, nullptr}};
  return anyof(k, b, {"20", "29"}) || rangeof(k, kUnchecked) != nullptr;
}

// B9: only numbers with two or three leading zeros.
// Two: positions 3 to 9 with weights 1, 3, 2, 1, 3, 2, 1 from position 9 leftward; each product
// plus its weight taken modulo 11, the remainders summed, the sum's last digit the check digit.
// Three: positions 4 to 9 with weights 1 to 6 from position 9 leftward, the sum modulo 11 the
// check digit. Either way a miss gets a second chance with the check digit increased by 5.
bool mB9(const Account& k, const BankCode&) {
  const int zeros = leadingzeros(k);
  if (zeros == 2) {
    static const int kWeights[] = {1, 3, 2, 1, 3, 2, 1};  // positions 9 down to 3
    int sum = 0;
    for (int i = 0; i < 7; ++i) sum += (k.at(9 - i) * kWeights[i] + kWeights[i]) % 11;
    return matchesorplusfive(sum % 10, k.at(10));
  }
  if (zeros == 3) return matchesorplusfive(weightedsum(k, 4, 9, {1, 2, 3, 4, 5, 6}) % 11, k.at(10));
  return false;
}

// C0: a number with exactly two leading zeros by method 52 (which takes the bank code), else
// method 20; every other number by method 20 alone.
bool mC0(const Account& k, const BankCode& b) {
  return (leadingzeros(k) == 2 && bymethod("52", k, b)) || bymethod("20", k, b);
}

// C1: method 17, except for numbers beginning with 5: positions 1 to 9 with weights 1, 2, 1,
// 2, ... from the left, products by their digit sums; the sum less 1 modulo 11, taken from 10,
// is the check digit (0 for a remainder of 0).
bool mC1(const Account& k, const BankCode& b) {
  if (k.at(1) != 5) return bymethod("17", k, b);
  const int r = (weightedsum(k, 1, 9, {1, 2}, true) - 1) % 11;
  return (10 - r) % 10 == k.at(10);
}

// C2: method 22, else 00, else 04.
bool mC2(const Account& k, const BankCode& b) {
  return anyof(k, b, {"22", "00", "04"});
}

// C3: numbers beginning with 9 by method 58, all others by method 00.
bool mC3(const Account& k, const BankCode& b) {
  return bymethod(k.at(1) == 9 ? "58" : "00", k, b);
}

// C4: numbers beginning with 9 by method 58, all others by method 15.
bool mC4(const Account& k, const BankCode& b) {
  return bymethod(k.at(1) == 9 ? "58" : "15", k, b);
}

// C5: each range of numbers its own method, some none; a number outside them is invalid.
bool mC5(const Account& k, const BankCode& b) {
  static const Range kRanges[] = {
      {100000, 899999, "75"},             // six digits, 1 to 8 at position 5
      {100000000, 899999999, "75"},       // nine digits, 1 to 8 at position 2
      {1000000000, 1999999999, "29"},     // ten digits beginning with 1
      {4000000000, 6999999999, "29"},     // ten digits beginning with 4, 5 or 6
      {9000000000, 9999999999, "29"},     // ten digits beginning with 9
      {3000000000, 3999999999, "00"},     // ten digits beginning with 3
      {30000000, 59999999, nullptr},      // eight digits, 3 to 5 at position 3
      {7000000000, 7099999999, nullptr},  // ten digits beginning with 70
      {8500000000, 8599999999, nullptr},  // ten digits beginning with 85
  };
  const Range* r = rangeof(k, kRanges);
  return r != nullptr && checkrange(*r, k, b);
}

// C6: method 00 on positions 2 to 9 extended by a constant that depends on position 1.
bool mC6(const Account& k, const BankCode&) {
  static const Constants kConstants = {4451970, 4451981, 4451992, 4451993, 4344992,
                                       4344990, 4344991, 5499570, 4451994, 5499579};
  return withconstants(kConstants, k);
}

// C7: method 63, else 06.
bool mC7(const Account& k, const BankCode& b) {
  return anyof(k, b, {"63", "06"});
}

// C8: method 00, else 04, else 07.
bool mC8(const Account& k, const BankCode& b) {
  return anyof(k, b, {"00", "04", "07"});
}

// C9: method 00, else 07.
bool mC9(const Account& k, const BankCode& b) {
  return anyof(k, b, {"00", "07"});
}

// D0: numbers beginning with 57 carry no check digit; all others by method 20.
bool mD0(const Account& k, const BankCode& b) {
  return k.number(1, 2) == 57 || bymethod("20", k, b);
}

// D1: method 00 on positions 2 to 9 extended by a constant that depends on position 1; numbers
// beginning with 8 are invalid.
bool mD1(const Account& k, const BankCode&) {
  static const Constants kConstants = {4363380, 4363381, 4363382, 4363383, 4363384,
                                       4363385, 4363386, 4363387, 0,       4363389};
  return withconstants(kConstants, k);
}

// D2: method 95, else 00, else 68.
bool mD2(const Account& k, const BankCode& b) {
  return anyof(k, b, {"95", "00", "68"});
}

// D3: method 00, else 27.
bool mD3(const Account& k, const BankCode& b) {
  return anyof(k, b, {"00", "27"});
}

// D4: method 00 on positions 1 to 9 extended by the constant 428259; numbers beginning with 0
// are invalid.
bool mD4(const Account& k, const BankCode&) {
  return k.at(1) != 0 && m00withconstant(428259, k, 1);
}

// D5: with 99 at positions 3 and 4, modulus 11 over positions 3 to 9 with weights 2 to 8 (as
// method 06) and nothing else. Any other number: the sum of positions 4 to 9 with weights 2 to
// 7 gives the check digit as method 06 does, else by modulus 7, else by modulus 10 (each the
// remainder taken from the divisor, 0 for no remainder).
bool mD5(const Account& k, const BankCode&) {
  if (k.at(3) == 9 && k.at(4) == 9)
    return mod11(weightedsum(k, 3, 9, {2, 3, 4, 5, 6, 7, 8}), 0) == k.at(10);
  const int sum = weightedsum(k, 4, 9, {2, 3, 4, 5, 6, 7});
  return mod11(sum, 0) == k.at(10) || (7 - sum % 7) % 7 == k.at(10) || mod10(sum) == k.at(10);
}

// D6: method 07, else 03, else 00.
bool mD6(const Account& k, const BankCode& b) {
  return anyof(k, b, {"07", "03", "00"});
}

// D7: the sum of method 00 (weights 2, 1, ... from position 9, products by their digit sums);
// its last digit itself is the check digit.
bool mD7(const Account& k, const BankCode&) {
  return weightedsum(k, 1, 9, {2, 1}, true) % 10 == k.at(10);
}

// D8: ten digits by method 00; eight digits (0010000000 to 0099999999) carry no check digit;
// any other number is invalid.
bool mD8(const Account& k, const BankCode& b) {
  static const Range kRanges[] = {{1000000000, 9999999999, "00"}, {10000000, 99999999, nullptr}};
  const Range* r = rangeof(k, kRanges);
  return r != nullptr && checkrange(*r, k, b);
}

// D9: method 00, else 10, else 18.
bool mD9(const Account& k, const BankCode& b) {
  return anyof(k, b, {"00", "10", "18"});
}

// E0: method 00 with 7 added to the sum.
bool mE0(const Account& k, const BankCode&) {
  return mod10(weightedsum(k, 1, 9, {2, 1}, true) + 7) == k.at(10);
}

// E1: modulus 11 over the ASCII codes of positions 1 to 9 ('0' is 48), weights 1, 2, 3, 4, 5,
// 6, 11, 10, 9 from position 9 leftward; the remainder is the check digit, a remainder of 10
// makes the number invalid.
bool mE1(const Account& k, const BankCode&) {
  static const int kWeights[] = {1, 2, 3, 4, 5, 6, 11, 10, 9};  // positions 9 down to 1
  int sum = 0;
  for (int i = 0; i < 9; ++i) sum += ('0' + k.at(9 - i)) * kWeights[i];
  const int r = sum % 11;
  return r != 10 && r == k.at(10);
}

// E2: method 00 on positions 2 to 9 extended by a constant that depends on position 1; numbers
// beginning with 6 to 9 are invalid.
bool mE2(const Account& k, const BankCode&) {
  static const Constants kConstants = {4383200, 4383201, 4383202, 4383203, 4383204,
                                       4383205, 0,       0,       0,       0};
  return withconstants(kConstants, k);
}

// E3: method 00, else 21.
bool mE3(const Account& k, const BankCode& b) {
  return anyof(k, b, {"00", "21"});
}

// E4: method 02, else 00.
bool mE4(const Account& k, const BankCode& b) {
  return anyof(k, b, {"02", "00"});
}

// The methods of this range, in the order of their codes.
const MethodRow kRows[] = {
    {"B0", mB0}, {"B1", mB1}, {"B2", mB2}, {"B3", mB3}, {"B4", mB4}, {"B5", mB5},
    {"B6", mB6}, {"B7", mB7}, {"B8", mB8}, {"B9", mB9}, {"C0", mC0}, {"C1", mC1},
    {"C2", mC2}, {"C3", mC3}, {"C4", mC4}, {"C5", mC5}, {"C6", mC6}, {"C7", mC7},
    {"C8", mC8}, {"C9", mC9}, {"D0", mD0}, {"D1", mD1}, {"D2", mD2}, {"D3", mD3},
    {"D4", mD4}, {"D5", mD5}, {"D6", mD6}, {"D7", mD7}, {"D8", mD8}, {"D9", mD9},
    {"E0", mE0}, {"E1", mE1}, {"E2", mE2}, {"E3", mE3}, {"E4", mE4}, {"", nullptr},
};

}  // namespace

const MethodRow* methodsB0toE4(std::size_t& n) {
  n = 0;  // rows before the terminating empty one
  while (kRows[n].check != nullptr) ++n;
  return kRows;
}

}  // namespace checkmethods
