// Check methods 00 to 39 of German account numbers, each written from the Bundesbank's
// description ("Prüfzifferberechnungsmethoden zur Prüfung von Kontonummern auf ihre
// Richtigkeit"). The code 12 is free ("frei") and has no method.
#include <initializer_list>

#include "iban/checkmethods/methods.h"

namespace checkmethods {

namespace {

using Weights = std::initializer_list<int>;

// Modulus 10 over positions 1 to 9 against the check digit at position 10.
bool mod10at10(const Account& k, Weights w, bool crossfooted) {
  return mod10(weightedsum(k, 1, 9, w, crossfooted)) == k.at(10);
}

// Modulus 11 over positions first to last against the check digit at position check; a
// remainder of 1 gives the digit ifone (-1: the number is invalid).
bool mod11at(const Account& k, int first, int last, Weights w, int ifone, int check = 10) {
  return mod11(weightedsum(k, first, last, w), ifone) == k.at(check);
}

// The account number moved places positions to the left, zeros filling in at the right: the
// numbers given without their sub-account "00" (methods 13 and 26). Only leading zeros may
// leave at the left.
bool shiftedleft(const Account& k, int places, Account& out) {
  for (int p = 1; p <= places; ++p)
    if (k.at(p) != 0) return false;
  for (int p = 1; p <= 10; ++p) out.d[p - 1] = p + places <= 10 ? k.at(p + places) : 0;
  return true;
}

// The iterated transformation (M10H) of methods 27 and 29: the digit at each of positions 1
// to 9 is replaced by its value in one of four rows, the rows taken 1, 2, 3, 4, 1, ... from
// position 9 leftward; the check digit is modulus 10 of the values' sum.
bool m10h(const Account& k) {
  static const char* const kLines[4] = {"0159374826", "0176983254", "0184629573", "0123456789"};
  int sum = 0;
  for (int p = 9; p >= 1; --p) sum += kLines[(9 - p) % 4][k.at(p)] - '0';
  return mod10(sum) == k.at(10);
}

// 00: modulus 10, weights 2, 1, 2, 1, ... from position 9 leftward, each product counting by its
// digit sum; the check digit is position 10.
bool m00(const Account& k, const BankCode&) {
  return mod10at10(k, {2, 1}, true);
}

// 01: modulus 10, weights 3, 7, 1, repeated, the products summed as they are.
bool m01(const Account& k, const BankCode&) {
  return mod10at10(k, {3, 7, 1}, false);
}

// 02: modulus 11, weights 2 to 9, then 2; a remainder of 1 makes the number unusable.
bool m02(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 2}, -1);
}

// 03: as 01 with the weights 2, 1.
bool m03(const Account& k, const BankCode&) {
  return mod10at10(k, {2, 1}, false);
}

// 04: as 02 with the weights 2 to 7, repeated.
bool m04(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7}, -1);
}

// 05: as 01 with the weights 7, 3, 1.
bool m05(const Account& k, const BankCode&) {
  return mod10at10(k, {7, 3, 1}, false);
}

// 06: modulus 11, weights 2 to 7, repeated; a remainder of 1 gives the check digit 0.
bool m06(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7}, 0);
}

// 07: as 02 with the weights 2 to 10.
bool m07(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10}, -1);
}

// 08: as 00, from the account number 60000 on; the numbers below carry no check digit.
bool m08(const Account& k, const BankCode& b) {
  return k.number() < 60000 || m00(k, b);
}

// 09: no check digit; every number passes.
bool m09(const Account&, const BankCode&) {
  return true;
}

// 10: as 06 with the weights 2 to 10.
bool m10(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10}, 0);
}

// 11: as 10, but a remainder of 1 gives the check digit 9.
bool m11(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10}, 9);
}

// 13 on the number as it stands: as 00 over the base number at positions 2 to 7, the check digit
// at position 8, the sub-account at 9 and 10 left out.
bool m13asgiven(const Account& k) {
  return mod10(weightedsum(k, 2, 7, {2, 1}, true)) == k.at(8);
}

// 13: the number as given; failing that, as given without its sub-account "00" (moved two
// positions left).
bool m13(const Account& k, const BankCode&) {
  Account withsub;
  return m13asgiven(k) || (shiftedleft(k, 2, withsub) && m13asgiven(withsub));
}

// 14: as 02 with the weights 2 to 7 over the base number at positions 4 to 9; the account type
// at positions 2 and 3 is left out.
bool m14(const Account& k, const BankCode&) {
  return mod11at(k, 4, 9, {2, 3, 4, 5, 6, 7}, -1);
}

// 15: as 06 with the weights 2 to 5 over positions 6 to 9.
bool m15(const Account& k, const BankCode&) {
  return mod11at(k, 6, 9, {2, 3, 4, 5}, 0);
}

// 16: as 06 (weights 2 to 7, repeated), but with a remainder of 1 the number is valid exactly
// when positions 9 and 10 hold the same digit (as method 23, which follows 16, spells it out).
bool m16(const Account& k, const BankCode&) {
  if (weightedsum(k, 1, 9, {2, 3, 4, 5, 6, 7}) % 11 == 1) return k.at(9) == k.at(10);
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7}, 0);
}

// 17: the base number at positions 2 to 7 weighted 1, 2, 1, 2, 1, 2 from the left, the products
// of weight 2 counting by their digit sums; the sum less 1, modulo 11, taken from 10 (0 for
// 10) gives the check digit at position 8. The base number 000000 has the sum 0: 0 - 1 = -1,
// -1 : 11 = 0, Rest -1, and 10 - (-1) = 11 is no digit, so such a number is invalid.
bool m17(const Account& k, const BankCode&) {
  const int sum = weightedsum(k, 2, 7, {2, 1}, true);
  if (sum == 0) return false;
  return (10 - (sum - 1) % 11) % 10 == k.at(8);
}

// 18: as 01 with the weights 3, 9, 7, 1.
bool m18(const Account& k, const BankCode&) {
  return mod10at10(k, {3, 9, 7, 1}, false);
}

// 19: as 06 with the weights 2 to 9, then 1.
bool m19(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 1}, 0);
}

// 20: as 06 with the weights 2 to 9, then 3.
bool m20(const Account& k, const BankCode&) {
  return mod11at(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 3}, 0);
}

// 21: as 00, but the sum is reduced to one digit by repeated digit sums; the check digit is 10
// less that digit ("Die Differenz zwischen diesem Wert und dem Wert 10"). Only positions 1 to 9
// all 0 give the digit 0, and the difference 10 is no check digit: such a number is invalid.
bool m21(const Account& k, const BankCode&) {
  int sum = weightedsum(k, 1, 9, {2, 1}, true);
  while (sum > 9) sum = crossfoot(sum);
  return 10 - sum == k.at(10);
}

// 22: weights 3, 1, repeated; of each product only its last digit counts. Modulus 10.
bool m22(const Account& k, const BankCode&) {
  int sum = 0;
  for (int p = 9; p >= 1; --p) sum += k.at(p) * ((9 - p) % 2 == 0 ? 3 : 1) % 10;
  return mod10(sum) == k.at(10);
}

// 23: as 16 over positions 1 to 6 (weights 2 to 7 from position 6 leftward), the check digit at
// position 7; with a remainder of 1, positions 6 and 7 must hold the same digit. Positions 8 to
// 10 go unchecked.
bool m23(const Account& k, const BankCode&) {
  if (weightedsum(k, 1, 6, {2, 3, 4, 5, 6, 7}) % 11 == 1) return k.at(6) == k.at(7);
  return mod11at(k, 1, 6, {2, 3, 4, 5, 6, 7}, 0, 7);
}

// 24: from the first digit other than 0 up to position 9, left to right, each digit times the
// weight 1, 2, 3, 1, ... plus that weight, modulo 11; the last digit of the remainders' sum is
// the check digit. A 3, 4, 5 or 6 at position 1 counts as 0; a 9 there makes positions 1 to 3
// count as 0, and the check starts at position 4, which is not 0 ("Die Stelle 4 ist ungleich
// 0"): a 0 there makes the number invalid.
bool m24(const Account& k, const BankCode&) {
  int first = 1;
  if (k.at(1) == 9) {
    if (k.at(4) == 0) return false;
    first = 4;
  }
  if (k.at(1) >= 3 && k.at(1) <= 6) first = 2;
  while (first <= 9 && k.at(first) == 0) ++first;
  int sum = 0;
  for (int p = first; p <= 9; ++p) {
    const int w = (p - first) % 3 + 1;
    sum += (k.at(p) * w + w) % 11;
  }
  return sum % 10 == k.at(10);
}

// 25: modulus 11, weights 2 to 9 over positions 2 to 9. A remainder of 1 gives the check digit 0,
// which only numbers with the working digit (position 2) 8 or 9 may carry.
bool m25(const Account& k, const BankCode&) {
  const int sum = weightedsum(k, 2, 9, {2, 3, 4, 5, 6, 7, 8, 9});
  if (sum % 11 == 1) return k.at(10) == 0 && (k.at(2) == 8 || k.at(2) == 9);
  return mod11(sum, -1) == k.at(10);
}

// 26: a number whose positions 1 and 2 are 0 moves two positions left (the sub-account 00 at
// 9 and 10). Then as 06 with the weights 2 to 7, then 2, over positions 1 to 7; the check
// digit is position 8.
bool m26(const Account& k, const BankCode&) {
  Account n;
  if (!shiftedleft(k, 2, n)) n = k;
  return mod11at(n, 1, 7, {2, 3, 4, 5, 6, 7, 2}, 0, 8);
}

// 27: as 00 for the numbers 1 to 999 999 999; from 1 000 000 000 on, the iterated
// transformation (as 29).
bool m27(const Account& k, const BankCode& b) {
  return k.at(1) == 0 ? m00(k, b) : m10h(k);
}

// 28: as 06 with the weights 2 to 8 over positions 1 to 7; the check digit is position 8, the
// sub-account at 9 and 10 is left out.
bool m28(const Account& k, const BankCode&) {
  return mod11at(k, 1, 7, {2, 3, 4, 5, 6, 7, 8}, 0, 8);
}

// 29: the iterated transformation (M10H).
bool m29(const Account& k, const BankCode&) {
  return m10h(k);
}

// 30: modulus 10 as 00, but with the weights 2, 0, 0, 0, 0, 1, 2, 1, 2 from position 1 rightward
// and the products summed as they are.
bool m30(const Account& k, const BankCode&) {
  return mod10at10(k, {2, 1, 2, 1, 0, 0, 0, 0, 2}, false);
}

// 31: modulus 11, weights 9 to 1 from position 9 leftward; the remainder is the check digit, a
// remainder of 10 makes the number invalid.
bool m31(const Account& k, const BankCode&) {
  const int r = weightedsum(k, 1, 9, {9, 8, 7, 6, 5, 4, 3, 2, 1}) % 11;
  return r != 10 && r == k.at(10);
}

// 32: as 06 with the weights 2 to 7 over positions 4 to 9.
bool m32(const Account& k, const BankCode&) {
  return mod11at(k, 4, 9, {2, 3, 4, 5, 6, 7}, 0);
}

// 33: as 06 with the weights 2 to 6 over positions 5 to 9.
bool m33(const Account& k, const BankCode&) {
  return mod11at(k, 5, 9, {2, 3, 4, 5, 6}, 0);
}

// 34: as 28 with the weights 2, 4, 8, 5, 10, 9, 7.
bool m34(const Account& k, const BankCode&) {
  return mod11at(k, 1, 7, {2, 4, 8, 5, 10, 9, 7}, 0, 8);
}

// 35: modulus 11, weights 2 to 10; the remainder is the check digit. A remainder of 10 makes
// the number valid exactly when positions 9 and 10 hold the same digit.
bool m35(const Account& k, const BankCode&) {
  const int r = weightedsum(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10}) % 11;
  return r == 10 ? k.at(9) == k.at(10) : r == k.at(10);
}

// 36: as 06 with the weights 2, 4, 8, 5 over positions 6 to 9.
bool m36(const Account& k, const BankCode&) {
  return mod11at(k, 6, 9, {2, 4, 8, 5}, 0);
}

// 37: as 06 with the weights 2, 4, 8, 5, 10 over positions 5 to 9.
bool m37(const Account& k, const BankCode&) {
  return mod11at(k, 5, 9, {2, 4, 8, 5, 10}, 0);
}

// 38: as 06 with the weights 2, 4, 8, 5, 10, 9 over positions 4 to 9.
bool m38(const Account& k, const BankCode&) {
  return mod11at(k, 4, 9, {2, 4, 8, 5, 10, 9}, 0);
}

// 39: as 06 with the weights 2, 4, 8, 5, 10, 9, 7 over positions 3 to 9.
bool m39(const Account& k, const BankCode&) {
  return mod11at(k, 3, 9, {2, 4, 8, 5, 10, 9, 7}, 0);
}

// The methods of this range, in the order of their codes.
const MethodRow kRows[] = {
    {"00", m00}, {"01", m01}, {"02", m02}, {"03", m03}, {"04", m04},   {"05", m05}, {"06", m06},
    {"07", m07}, {"08", m08}, {"09", m09}, {"10", m10}, {"11", m11},   {"13", m13}, {"14", m14},
    {"15", m15}, {"16", m16}, {"17", m17}, {"18", m18}, {"19", m19},   {"20", m20}, {"21", m21},
    {"22", m22}, {"23", m23}, {"24", m24}, {"25", m25}, {"26", m26},   {"27", m27}, {"28", m28},
    {"29", m29}, {"30", m30}, {"31", m31}, {"32", m32}, {"33", m33},   {"34", m34}, {"35", m35},
    {"36", m36}, {"37", m37}, {"38", m38}, {"39", m39}, {"", nullptr},
};

}  // namespace

const MethodRow* methods00to39(std::size_t& n) {
  n = 0;  // rows before the terminating empty one
  while (kRows[n].check != nullptr) ++n;
  return kRows;
}

}  // namespace checkmethods
