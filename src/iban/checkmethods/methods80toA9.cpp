// Check methods 80 to A9 of German account numbers, each written from the Bundesbank's
// description ("Prüfzifferberechnungsmethoden zur Prüfung von Kontonummern auf ihre
// Richtigkeit").
#include "iban/checkmethods/methods.h"

namespace checkmethods {

namespace {

// --- What several methods of this range share -------------------------------------------

// The check digit of a modulus other than 11 (7, 9 or 10): the divisor minus the remainder of
// the sum, 0 when nothing remains.
constexpr int remainderdigit(int sum, int divisor) {
  const int r = sum % divisor;
  return r == 0 ? 0 : divisor - r;
}

// Modulus 11 on positions first to 9 with the given weights, the check digit at position 10,
// as method 06 counts it: a remainder of 0 or 1 gives the check digit 0.
bool eleven(const Account& k, int first, std::initializer_list<int> weights) {
  return mod11(weightedsum(k, first, 9, weights), 0) == k.at(10);
}

// Modulus 7 on positions first to 9 with the given weights, the check digit at position 10.
// Seven minus the remainder is never 7, 8 or 9, so numbers ending in those always fail, as the
// descriptions require of them.
bool seven(const Account& k, int first, std::initializer_list<int> weights,
           bool crossfooted = false) {
  return remainderdigit(weightedsum(k, first, 9, weights, crossfooted), 7) == k.at(10);
}

// Modulus 10 on positions first to 9 as method 00 counts it: weights 2, 1, 2, 1, ... from
// position 9 leftward, each product by its digit sum.
bool tenbydigitsums(const Account& k, int first) {
  return mod10(weightedsum(k, first, 9, {2, 1}, true)) == k.at(10);
}

// A ledger account ("Sachkonto"): position 3 of the ten digits is 9.
bool ledger(const Account& k) {
  return k.at(3) == 9;
}

// Positions 3 and 4 are 99.
bool ninetynineat3(const Account& k) {
  return k.at(3) == 9 && k.at(4) == 9;
}

// A range of account numbers, all ten digits read as one number.
struct Range {
  long long from, to;
  bool holds(const Account& k) const { return k.number() >= from && k.number() <= to; }
};

// How many digits the account number has, leading zeros not counted.
int length(const Account& k) {
  int p = 1;
  while (p <= 10 && k.at(p) == 0) ++p;
  return 11 - p;
}

// The ledger accounts of methods 80, 81, 84, 86, 87 and A8 follow the exception of method 51,
// which applies it itself to every number with 9 at position 3.
bool ledgerof51(const Account& k, const BankCode& b) {
  return bymethod("51", k, b);
}

// --- The methods ---------------------------------------------------------------------------

// 80: ledger accounts as the exception of 51. Otherwise A: method 00's rule on positions 5 to 9;
// B: the same digit sums, modulus 7.
bool m80(const Account& k, const BankCode& b) {
  if (ledger(k)) return ledgerof51(k, b);
  return tenbydigitsums(k, 5) || seven(k, 5, {2, 1}, true);
}

// 81: ledger accounts as the exception of 51; otherwise modulus 11, weights 2 to 7 on positions
// 4 to 9, as method 32.
bool m81(const Account& k, const BankCode& b) {
  if (ledger(k)) return ledgerof51(k, b);
  return eleven(k, 4, {2, 3, 4, 5, 6, 7});
}

// 82: with 99 at positions 3 and 4, method 10; otherwise modulus 11, weights 2 to 6 on positions
// 5 to 9, as method 33.
bool m82(const Account& k, const BankCode& b) {
  if (ninetynineat3(k)) return bymethod("10", k, b);
  return eleven(k, 5, {2, 3, 4, 5, 6});
}

// 83 and 85, customer accounts: A, modulus 11 with weights 2 to 7 on positions 4 to 9; B,
// modulus 11 with weights 2 to 6 on positions 5 to 9; C, modulus 7 with the weights of B.
bool customerabc(const Account& k) {
  return eleven(k, 4, {2, 3, 4, 5, 6, 7}) || eleven(k, 5, {2, 3, 4, 5, 6}) ||
         seven(k, 5, {2, 3, 4, 5, 6});
}

// 83: ledger accounts (99 at positions 3 and 4) by modulus 11, weights 2 to 8 on positions 3 to
// 9, as method 06 counts it; customer accounts by A, B or C.
bool m83(const Account& k, const BankCode&) {
  if (ninetynineat3(k)) return eleven(k, 3, {2, 3, 4, 5, 6, 7, 8});
  return customerabc(k);
}

// 84: ledger accounts as the exception of 51. Otherwise positions 5 to 9 with weights 2 to 6 by
// modulus 11 (A) or modulus 7 (B), or with weights 2, 1, 2, 1, 2 by modulus 10 (C, the products
// themselves counted, as method 06 does).
bool m84(const Account& k, const BankCode& b) {
  if (ledger(k)) return ledgerof51(k, b);
  return eleven(k, 5, {2, 3, 4, 5, 6}) || seven(k, 5, {2, 3, 4, 5, 6}) ||
         mod10(weightedsum(k, 5, 9, {2, 1})) == k.at(10);
}

// 85: with 99 at positions 3 and 4, modulus 11 with weights 2 to 8 on positions 3 to 9, where a
// remainder of 1 makes the number invalid (as method 02); otherwise A, B or C as in 83.
bool m85(const Account& k, const BankCode&) {
  if (ninetynineat3(k)) return mod11(weightedsum(k, 3, 9, {2, 3, 4, 5, 6, 7, 8}), -1) == k.at(10);
  return customerabc(k);
}

// 86: ledger accounts as the exception of 51. Otherwise A: method 00's rule on positions 4 to 9;
// B: modulus 11, weights 2 to 7 on positions 4 to 9, as method 32.
bool m86(const Account& k, const BankCode& b) {
  if (ledger(k)) return ledgerof51(k, b);
  return tenbydigitsums(k, 4) || eleven(k, 4, {2, 3, 4, 5, 6, 7});
}

// 87, method A: the Bundesbank's step-by-step procedure on positions 4 to 9 from the first digit
// that is not 0. Each digit is first replaced (0 by 5, 1 by 6, 5 by 10, 6 by 1). The flags c2
// and d2 track the place: every digit flips c2, a digit above 5 also flips d2. A digit adds to
// the sum a5 when c2 equals d2 and subtracts otherwise; a digit above 5 reached with c2 = 0
// counts as 12 minus itself. The sum, taken modulo 5, picks the check digit from one of two
// tables by d2; where position 4 is 0, the check digit plus or minus 5 passes too.
bool m87a(const Account& k) {
  static const int kReplaced[10] = {5, 6, 2, 3, 4, 10, 1, 7, 8, 9};
  static const int kTable[2][5] = {{0, 4, 3, 2, 6}, {7, 1, 5, 9, 8}};
  int i = 4;
  while (i < 10 && k.at(i) == 0) ++i;
  int c2 = i % 2, d2 = 0, a5 = 0;
  for (; i < 10; ++i) {
    const int digit = kReplaced[k.at(i)];
    const int value = digit > 5 && c2 == 0 ? 12 - digit : digit;
    a5 += c2 == d2 ? value : -value;
    if (digit > 5) d2 = 1 - d2;
    c2 = 1 - c2;
  }
  const int p = kTable[d2][(a5 % 5 + 5) % 5];
  if (p == k.at(10)) return true;
  return k.at(4) == 0 && (p > 4 ? p - 5 : p + 5) == k.at(10);
}

// 87: ledger accounts as the exception of 51. Otherwise A; B, modulus 11 with weights 2 to 6 on
// positions 5 to 9; C, modulus 7 with the same weights; D, modulus 11 with weights 2 to 7 on
// positions 4 to 9.
bool m87(const Account& k, const BankCode& b) {
  if (ledger(k)) return ledgerof51(k, b);
  return m87a(k) || eleven(k, 5, {2, 3, 4, 5, 6}) || seven(k, 5, {2, 3, 4, 5, 6}) ||
         eleven(k, 4, {2, 3, 4, 5, 6, 7});
}

// 88: modulus 11 as method 06 counts it, weights 2 to 7 on positions 4 to 9; with 9 at
// position 3, weights 2 to 8 on positions 3 to 9.
bool m88(const Account& k, const BankCode&) {
  if (ledger(k)) return eleven(k, 3, {2, 3, 4, 5, 6, 7, 8});
  return eleven(k, 4, {2, 3, 4, 5, 6, 7});
}

// 89: account numbers of 8 or 9 digits by method 10; of 7 digits by modulus 11, weights 2 to 7
// on positions 4 to 9, each product by its digit sum, as method 06 counts it. Numbers of 1 to 6
// or 10 digits carry no check digit and pass.
bool m89(const Account& k, const BankCode& b) {
  const int n = length(k);
  if (n == 8 || n == 9) return bymethod("10", k, b);
  if (n != 7) return true;
  return mod11(weightedsum(k, 4, 9, {2, 3, 4, 5, 6, 7}, true), 0) == k.at(10);
}

// 90, customer accounts: A, modulus 11 with weights 2 to 7 on positions 4 to 9; on positions 5
// to 9 with weights 2 to 6, B by modulus 11, C by modulus 7, D by modulus 9; E, modulus 10
// with weights 2, 1, 2, 1, 2 on positions 5 to 9; G, modulus 7 with weights 2, 1, 2, 1, 2, 1 on
// positions 4 to 9 (products counted whole).
bool m90customer(const Account& k) {
  return eleven(k, 4, {2, 3, 4, 5, 6, 7}) || eleven(k, 5, {2, 3, 4, 5, 6}) ||
         seven(k, 5, {2, 3, 4, 5, 6}) ||
         remainderdigit(weightedsum(k, 5, 9, {2, 3, 4, 5, 6}), 9) == k.at(10) ||
         mod10(weightedsum(k, 5, 9, {2, 1})) == k.at(10) || seven(k, 4, {2, 1});
}

// 90: ledger accounts (9 at position 3) only by F, modulus 11 with weights 2 to 8 on positions
// 3 to 9 as method 06 counts it; customer accounts by A to E or G.
bool m90(const Account& k, const BankCode&) {
  if (ledger(k)) return eleven(k, 3, {2, 3, 4, 5, 6, 7, 8});
  return m90customer(k);
}

// 91: the check digit is position 7. Modulus 11 as method 06 counts it, tried in turn with
// weights 2 to 7 on positions 1 to 6 (from position 6 leftward), then 7 to 2, then weights 2, 3,
// 4, 0, 5, 6, 7, 8, 9, 10 on all ten positions (position 7 weighing 0), then 2, 4, 8, 5, 10, 9 on
// positions 1 to 6.
bool m91(const Account& k, const BankCode&) {
  const int p = k.at(7);
  return mod11(weightedsum(k, 1, 6, {2, 3, 4, 5, 6, 7}), 0) == p ||
         mod11(weightedsum(k, 1, 6, {7, 6, 5, 4, 3, 2}), 0) == p ||
         mod11(weightedsum(k, 1, 10, {2, 3, 4, 0, 5, 6, 7, 8, 9, 10}), 0) == p ||
         mod11(weightedsum(k, 1, 6, {2, 4, 8, 5, 10, 9}), 0) == p;
}

// 92: modulus 10 as method 01, weights 3, 7, 1 on positions 4 to 9, the products counted whole.
bool m92(const Account& k, const BankCode&) {
  return mod10(weightedsum(k, 4, 9, {3, 7, 1})) == k.at(10);
}

// 93: a five-digit customer number, weights 2 to 6 from its right end, followed by the check
// digit. It stands at positions 5 to 9 (check digit 10) when positions 1 to 4 are 0000,
// otherwise at positions 1 to 5 (check digit 6, positions 7 to 10 left out). Modulus 11 as
// method 06 counts it, else modulus 7.
bool m93(const Account& k, const BankCode&) {
  const int last = k.number(1, 4) == 0 ? 9 : 5;
  const int sum = weightedsum(k, last - 4, last, {2, 3, 4, 5, 6});
  const int p = k.at(last + 1);
  return mod11(sum, 0) == p || remainderdigit(sum, 7) == p;
}

// 94: method 00's rule with weights 1, 2, 1, 2, ... from position 9 leftward.
bool m94(const Account& k, const BankCode&) {
  return mod10(weightedsum(k, 1, 9, {1, 2}, true)) == k.at(10);
}

// Modulus 11 as method 06 counts it with weights 2, 3, 4, 5, 6, 7, 2, 3, 4 on positions 1 to 9
// (95, 99).
bool elevenfrom1(const Account& k) {
  return eleven(k, 1, {2, 3, 4, 5, 6, 7, 2, 3, 4});
}

// The ranges of account numbers that carry no check digit under 95 and pass.
constexpr Range kNoCheckDigit95[] = {{1, 1999999},
                                     {9000000, 25999999},
                                     {396000000, 499999999},
                                     {700000000, 799999999},
                                     {910000000, 989999999}};

// 95: modulus 11, weights 2, 3, 4, 5, 6, 7, 2, 3, 4, as method 06 counts it, except for the
// ranges above.
bool m95(const Account& k, const BankCode&) {
  for (const Range& r : kNoCheckDigit95)
    if (r.holds(k)) return true;
  return elevenfrom1(k);
}

// 96: method 19, else method 00, else any number from 0001300000 to 0099399999.
bool m96(const Account& k, const BankCode& b) {
  return bymethod("19", k, b) || bymethod("00", k, b) || Range{1300000, 99399999}.holds(k);
}

// 97: the number of positions 1 to 9 divided by 11; the remainder is the check digit, a
// remainder of 10 giving 0.
bool m97(const Account& k, const BankCode&) {
  return k.number(1, 9) % 11 % 10 == k.at(10);
}

// 98: modulus 10 as method 01 with weights 3, 1, 7 on positions 3 to 9, else method 32.
bool m98(const Account& k, const BankCode& b) {
  return mod10(weightedsum(k, 3, 9, {3, 1, 7})) == k.at(10) || bymethod("32", k, b);
}

// 99: modulus 11, weights 2, 3, 4, 5, 6, 7, 2, 3, 4, as method 06 counts it; the numbers from
// 0396000000 to 0499999999 carry no check digit and pass.
bool m99(const Account& k, const BankCode&) {
  return Range{396000000, 499999999}.holds(k) || elevenfrom1(k);
}

// A0: modulus 11, weights 2, 4, 8, 5, 10 on positions 5 to 9; a remainder of 0 or 1 gives the
// check digit 0. Numbers with 0 at positions 1 to 7 carry no check digit and pass.
bool mA0(const Account& k, const BankCode&) {
  if (k.number(1, 7) == 0) return true;
  return mod11(weightedsum(k, 5, 9, {2, 4, 8, 5, 10}), 0) == k.at(10);
}

// A1: only numbers of 8 or 10 digits; method 00's rule on positions 3 to 9.
bool mA1(const Account& k, const BankCode&) {
  const int n = length(k);
  return (n == 8 || n == 10) && tenbydigitsums(k, 3);
}

// A2: method 00, else method 04.
bool mA2(const Account& k, const BankCode& b) {
  return bymethod("00", k, b) || bymethod("04", k, b);
}

// A3: method 00, else method 10.
bool mA3(const Account& k, const BankCode& b) {
  return bymethod("00", k, b) || bymethod("10", k, b);
}

// A4: numbers with 99 at positions 3 and 4 by variant 3 (modulus 11, weights 2 to 6 on
// positions 5 to 9), else variant 4 (method 93). All others by variant 1 (modulus 11, weights 2
// to 7 on positions 4 to 9), else variant 2 (the same weights, modulus 7), else variant 4.
bool mA4(const Account& k, const BankCode& b) {
  if (ninetynineat3(k)) return eleven(k, 5, {2, 3, 4, 5, 6}) || m93(k, b);
  return eleven(k, 4, {2, 3, 4, 5, 6, 7}) || seven(k, 4, {2, 3, 4, 5, 6, 7}) || m93(k, b);
}

// A5: method 00; failing that, ten-digit numbers starting with 9 are invalid, all others are
// checked by method 10.
bool mA5(const Account& k, const BankCode& b) {
  if (bymethod("00", k, b)) return true;
  return k.at(1) != 9 && bymethod("10", k, b);
}

// A6: numbers with 8 at position 2 by method 00, all others by method 01.
bool mA6(const Account& k, const BankCode& b) {
  return bymethod(k.at(2) == 8 ? "00" : "01", k, b);
}

// A7: method 00, else method 03.
bool mA7(const Account& k, const BankCode& b) {
  return bymethod("00", k, b) || bymethod("03", k, b);
}

// A8: ledger accounts as the exception of 51. Otherwise modulus 11, weights 2 to 7 on positions
// 4 to 9, as method 06 counts it; else method 00's rule on positions 4 to 9.
bool mA8(const Account& k, const BankCode& b) {
  if (ledger(k)) return ledgerof51(k, b);
  return eleven(k, 4, {2, 3, 4, 5, 6, 7}) || tenbydigitsums(k, 4);
}

// A9: method 01, else method 06.
bool mA9(const Account& k, const BankCode& b) {
  return bymethod("01", k, b) || bymethod("06", k, b);
}

// The methods of this range, in the order of their codes.
// clang-format off
const MethodRow kRows[] = {
    {"80", m80}, {"81", m81}, {"82", m82}, {"83", m83}, {"84", m84}, {"85", m85},
    {"86", m86}, {"87", m87}, {"88", m88}, {"89", m89}, {"90", m90}, {"91", m91},
    {"92", m92}, {"93", m93}, {"94", m94}, {"95", m95}, {"96", m96}, {"97", m97},
    {"98", m98}, {"99", m99}, {"A0", mA0}, {"A1", mA1}, {"A2", mA2}, {"A3", mA3},
    {"A4", mA4}, {"A5", mA5}, {"A6", mA6}, {"A7", mA7}, {"A8", mA8}, {"A9", mA9},
    {"", nullptr},
};
// clang-format on

}  // namespace

const MethodRow* methods80toA9(std::size_t& n) {
  n = 0;  // rows before the terminating empty one
  while (kRows[n].check != nullptr) ++n;
  return kRows;
}

}  // namespace checkmethods
