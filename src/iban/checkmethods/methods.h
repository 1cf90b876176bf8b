// What the check methods of German account numbers share: the account number and bank code as
// digits, the building blocks the Bundesbank's descriptions are written in, and the rows that
// name each method's code and function. Internal to the IBAN engine.
#pragma once

#include <cstddef>
#include <initializer_list>

namespace checkmethods {

/// The account number's ten digits, as the descriptions number them: position 1 at the left,
/// position 10 (usually the check digit) at the right.
struct Account {
  int d[10];
  int at(int pos) const { return d[pos - 1]; }
  /// The number that positions first to last (inclusive) form, for the methods that test
  /// ranges ("Kontonummern von 0001000000 bis 0099999999").
  long long number(int first = 1, int last = 10) const {
    long long n = 0;
    for (int p = first; p <= last; ++p) n = n * 10 + at(p);
    return n;
  }
};

/// The bank code's eight digits, position 1 at the left.
struct BankCode {
  int d[8];
  int at(int pos) const { return d[pos - 1]; }
};

/// A method: true when it accepts the account number (of a bank with bank code b).
using Method = bool (*)(const Account& k, const BankCode& b);

/// One method of the table: its code ("00" to "E4") and its check.
struct MethodRow {
  const char* code;
  Method check;
};

/// The digit sum of n ("Quersumme"): 16 gives 7.
constexpr int crossfoot(int n) {
  int s = 0;
  for (; n > 0; n /= 10) s += n % 10;
  return s;
}

/// The weighted sum most methods start from: the digits at positions last, last - 1, ...,
/// first (right to left), each multiplied by the next weight, the weights repeated from the
/// start when they run out. With crossfooted, each product counts by its digit sum.
inline int weightedsum(const Account& k, int first, int last, std::initializer_list<int> weights,
                       bool crossfooted = false) {
  int sum = 0;
  const int* w = weights.begin();
  for (int p = last; p >= first; --p) {
    const int product = k.at(p) * *w;
    sum += crossfooted ? crossfoot(product) : product;
    if (++w == weights.end()) w = weights.begin();
  }
  return sum;
}

/// The check digit of modulus 10 from a sum: 10 minus its last digit, 0 for 10.
constexpr int mod10(int sum) {
  return (10 - sum % 10) % 10;
}

/// The check digit of modulus 11 from a sum: 11 minus the remainder; a remainder of 0 gives 0.
/// A remainder of 1 (the check digit 10) gives ifone: a digit the method names, or -1 where it
/// makes the number invalid.
constexpr int mod11(int sum, int ifone) {
  const int r = sum % 11;
  if (r == 0) return 0;
  if (r == 1) return ifone;
  return 11 - r;
}

/// Another method of the table by its code, for the descriptions that build on one ("wie
/// Methode 00"), wherever in the table it is. False for a code the table lacks.
bool bymethod(const char* code, const Account& k, const BankCode& b);

/// The parts of the method table, one per range of method codes, each a file of its own:
/// 00 to 39, 40 to 79, 80 to A9, B0 to E4. Each returns its rows and sets n to their number.
const MethodRow* methods00to39(std::size_t& n);
const MethodRow* methods40to79(std::size_t& n);
const MethodRow* methods80toA9(std::size_t& n);
const MethodRow* methodsB0toE4(std::size_t& n);

}  // namespace checkmethods
