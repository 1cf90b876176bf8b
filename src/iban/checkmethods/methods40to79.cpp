// Check methods 40 to 79 of German account numbers, each written from the Bundesbank's
// description ("Prüfzifferberechnungsmethoden zur Prüfung von Kontonummern auf ihre
// Richtigkeit").
#include "iban/checkmethods/methods.h"

namespace checkmethods {

namespace {

// --- Shapes several methods share ------------------------------------------------------------

// Modulus 11 as method 06 computes it: the weighted sum of positions first to last, the check
// digit at position check; a remainder of 0 or 1 gives the check digit 0.
bool mod11as06(const Account& k, int first, int last, std::initializer_list<int> weights,
               int check) {
  return mod11(weightedsum(k, first, last, weights), 0) == k.at(check);
}

// Modulus 10 as method 00 computes it: weights 2, 1, 2, 1, ... from position last leftward,
// each product by its digit sum, the check digit at position check.
bool mod10as00(const Account& k, int first, int last, int check) {
  return mod10(weightedsum(k, first, last, {2, 1}, true)) == k.at(check);
}

// How many digits the account number has without its leading zeros.
int length(const Account& k) {
  int p = 1;
  while (p <= 10 && k.at(p) == 0) ++p;
  return 11 - p;
}

// The same account number with the digits at positions from and to set to 0, for the methods
// that leave some positions out of the weighted sum.
Account withzeros(Account k, int from, int to) {
  for (int p = from; p <= to; ++p) k.d[p - 1] = 0;
  return k;
}

// The same account number moved left by places positions, zeros filling in at the right: a
// number whose trailing sub-account number was left off, put back where the layout wants it.
Account shiftedleft(const Account& k, int places) {
  Account s;
  for (int p = 1; p <= 10; ++p) s.d[p - 1] = p + places <= 10 ? k.at(p + places) : 0;
  return s;
}

// Modulus 7 over positions 5 to 9: 7 minus the remainder, 0 for no remainder, the check digit at
// position 10 (methods 51, method D, and 73, variant 3).
bool mod7(const Account& k, std::initializer_list<int> weights, bool crossfooted) {
  const int r = weightedsum(k, 5, 9, weights, crossfooted) % 7;
  return (r == 0 ? 0 : 7 - r) == k.at(10);
}

// Ledger accounts of methods 51 and 73 (position 3 is 9): modulus 11 over positions 3 to 9 with
// weights 2 to 8, else over positions 1 to 9 with weights 2 to 10; a remainder of 0 or 1 gives
// the check digit 0.
bool ledgeraccount(const Account& k) {
  return mod11as06(k, 3, 9, {2, 3, 4, 5, 6, 7, 8}, 10) ||
         mod11as06(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10}, 10);
}

// Modulus 10 over a base number at positions 1 to 7, check digit at position 8, weights 2, 1, 2,
// ... each product by its digit sum; when position 9 holds kind, positions 9 and 10 count too,
// with weights 1 and 2 (methods 61 and 65).
bool basewithkind(const Account& k, int kind) {
  int sum = weightedsum(k, 1, 7, {2, 1}, true);
  if (k.at(9) == kind) sum += crossfoot(k.at(9) * 1) + crossfoot(k.at(10) * 2);
  return mod10(sum) == k.at(8);
}

// --- The methods -------------------------------------------------------------------------------

// 40: modulus 11 as 06, weights 2, 4, 8, 5, 10, 9, 7, 3, 6 over positions 9 to 1.
bool m40(const Account& k, const BankCode&) {
  return mod11as06(k, 1, 9, {2, 4, 8, 5, 10, 9, 7, 3, 6}, 10);
}

// 41: as 00, but when position 4 is 9, positions 1 to 3 stay out of the sum.
bool m41(const Account& k, const BankCode&) {
  return mod10as00(k, k.at(4) == 9 ? 4 : 1, 9, 10);
}

// 42: modulus 11 as 06, weights 2 to 9 over positions 9 to 2.
bool m42(const Account& k, const BankCode&) {
  return mod11as06(k, 2, 9, {2, 3, 4, 5, 6, 7, 8, 9}, 10);
}

// 43: modulus 10 of the plain products (no digit sums), weights 1 to 9 over positions 9 to 1.
bool m43(const Account& k, const BankCode&) {
  return mod10(weightedsum(k, 1, 9, {1, 2, 3, 4, 5, 6, 7, 8, 9})) == k.at(10);
}

// 44: as 33 (modulus 11 as 06), weights 2, 4, 8, 5, 10 over positions 9 to 5.
bool m44(const Account& k, const BankCode&) {
  return mod11as06(k, 5, 9, {2, 4, 8, 5, 10}, 10);
}

// 45: as 00; numbers with 0 at position 1, 1 at position 5 or 48 at positions 1 and 2 carry no
// check digit and are accepted.
bool m45(const Account& k, const BankCode& b) {
  if (k.at(1) == 0 || k.at(5) == 1 || k.number(1, 2) == 48) return true;
  return bymethod("00", k, b);
}

// 46: modulus 11 as 06, weights 2 to 6 over positions 7 to 3; the check digit is position 8.
bool m46(const Account& k, const BankCode&) {
  return mod11as06(k, 3, 7, {2, 3, 4, 5, 6}, 8);
}

// 47: modulus 11 as 06, weights 2 to 6 over positions 8 to 4; the check digit is position 9.
bool m47(const Account& k, const BankCode&) {
  return mod11as06(k, 4, 8, {2, 3, 4, 5, 6}, 9);
}

// 48: modulus 11 as 06, weights 2 to 7 over positions 8 to 3; the check digit is position 9.
bool m48(const Account& k, const BankCode&) {
  return mod11as06(k, 3, 8, {2, 3, 4, 5, 6, 7}, 9);
}

// 49: method 00, else method 01.
bool m49(const Account& k, const BankCode& b) {
  return bymethod("00", k, b) || bymethod("01", k, b);
}

// 50: modulus 11 as 06 over the base number at positions 1 to 6 (weights 2 to 7 from position
// 6), the check digit at position 7, the sub-account number at 8 to 10 left out. A sub-account
// number 000 may be missing: a number with 000 at positions 1 to 3 is tried again moved left by
// three positions.
bool m50(const Account& k, const BankCode&) {
  if (mod11as06(k, 1, 6, {2, 3, 4, 5, 6, 7}, 7)) return true;
  return k.number(1, 3) == 0 && mod11as06(shiftedleft(k, 3), 1, 6, {2, 3, 4, 5, 6, 7}, 7);
}

// 51: ledger accounts (position 3 is 9) as ledgeraccount; all others by method A (modulus 11 as
// 06, weights 2 to 7 over positions 9 to 4), else B (as 33, weights 2 to 6 over 9 to 5), else C
// (as 00 over positions 4 to 9), else D (modulus 7, weights 2 to 6 over 9 to 5), which refuses a
// check digit of 7, 8 or 9.
bool m51(const Account& k, const BankCode&) {
  if (k.at(3) == 9) return ledgeraccount(k);
  return mod11as06(k, 4, 9, {2, 3, 4, 5, 6, 7}, 10) || mod11as06(k, 5, 9, {2, 3, 4, 5, 6}, 10) ||
         mod10as00(k, 4, 9, 10) || (k.at(10) < 7 && mod7(k, {2, 3, 4, 5, 6}, false));
}

// 52 and 53: the account number of the old system ("ESER-Altsystem"), up to 12 digits, from
// bank code and account number: the first four digits, the account number's digit before the
// check digit and the check digit, then the rest of the account number without leading zeros.
// Weights 2, 4, 8, 5, 10, 9, 7, 3, 6, 1, 2, 4 from the right, the check digit counted as 0; the
// check digit is the factor of its position's weight that brings the sum to a remainder of 10
// modulo 11. None from 0 to 9 does: the number is invalid.
bool oldsystem(const int* digits, int n, int checkat) {
  static const int kWeights[] = {2, 4, 8, 5, 10, 9, 7, 3, 6, 1, 2, 4};
  int sum = 0, checkweight = 0;
  for (int i = 0; i < n; ++i) {
    const int w = kWeights[n - 1 - i];
    if (i == checkat)
      checkweight = w;
    else
      sum += digits[i] * w;
  }
  for (int p = 0; p <= 9; ++p)
    if ((sum + p * checkweight) % 11 == 10) return p == digits[checkat];
  return false;
}

// The old system's number: the six digits lead, then positions 5 to 10 of k without their leading
// zeros; the check digit is the sixth.
bool oldsystemwith(const Account& k, std::initializer_list<int> lead) {
  int digits[12];
  int n = 0;
  for (int d : lead) digits[n++] = d;
  int p = 5;
  while (p <= 10 && k.at(p) == 0) ++p;
  for (; p <= 10; ++p) digits[n++] = k.at(p);
  return oldsystem(digits, n, 5);
}

// 52: eight-digit numbers XPXXXXXX (P the check digit, at position 4) of bank code XXXXabcd give
// abcd X P XXXXXX. Ten-digit numbers beginning with 9 go by method 20; others of more than eight
// digits are no numbers of this kind.
bool m52(const Account& k, const BankCode& b) {
  if (k.at(1) == 9) return bymethod("20", k, b);
  if (length(k) > 8) return false;
  return oldsystemwith(k, {b.at(5), b.at(6), b.at(7), b.at(8), k.at(3), k.at(4)});
}

// 53: as 52 for nine-digit numbers XTPXXXXXX of bank code XXXXabcd: ab T d X P XXXXXX, the T
// taking the place of the bank code's position 7. Ten-digit numbers beginning with 9 go by
// method 20.
bool m53(const Account& k, const BankCode& b) {
  if (k.at(1) == 9) return bymethod("20", k, b);
  if (length(k) > 9) return false;
  return oldsystemwith(k, {b.at(5), b.at(6), k.at(3), b.at(8), k.at(2), k.at(4)});
}

// 54: ten digits beginning with 49; modulus 11, weights 2, 3, 4, 5, 6, 7, 2 over positions 9 to
// 3, the check digit 11 minus the remainder. A remainder of 0 or 1 leaves a check digit of two
// digits, 11 or 10 ("Ergibt sich als Rest 0 oder 1, ist die Prüfziffer zweistellig"): the
// number is unusable.
bool m54(const Account& k, const BankCode&) {
  if (k.number(1, 2) != 49) return false;
  const int r = weightedsum(k, 3, 9, {2, 3, 4, 5, 6, 7, 2}) % 11;
  return r > 1 && 11 - r == k.at(10);
}

// 55: modulus 11 as 06, weights 2, 3, 4, 5, 6, 7, 8, 7, 8 over positions 9 to 1.
bool m55(const Account& k, const BankCode&) {
  return mod11as06(k, 1, 9, {2, 3, 4, 5, 6, 7, 8, 7, 8}, 10);
}

// 56: modulus 11, weights 2, 3, 4, 5, 6, 7, 2, 3, 4 over positions 9 to 1, 11 minus the
// remainder; the results 10 and 11 make the number invalid, except for ten-digit numbers
// beginning with 9, where they give 7 and 8.
bool m56(const Account& k, const BankCode&) {
  const int result = 11 - weightedsum(k, 1, 9, {2, 3, 4, 5, 6, 7, 2, 3, 4}) % 11;
  if (result < 10) return result == k.at(10);
  return k.at(1) == 9 && result - 3 == k.at(10);
}

// 57: the first two digits choose the rule. By kind, for 00 to 99:
// 0 never valid (00), 1 as 00 with the check digit at 10 (variant 1), 2 as 00 with the check
// digit at 3 (variant 2), 3 no check digit (variant 3), 4 a date-like layout (variant 4).
constexpr char kMethod57[] =
    "0444444444"   // 00-09
    "4444444444"   // 10-19
    "4444444444"   // 20-29
    "4422222222"   // 30-39
    "3222222222"   // 40-49
    "3122212222"   // 50-59
    "2122111222"   // 60-69
    "1221111111"   // 70-79
    "1112222212"   // 80-89
    "2322112223";  // 90-99

// 57, variant 1: weights 1, 2, 1, ... from position 1 to 9, each product by its digit sum, the
// check digit at 10; numbers beginning with 777777 or 888888 are accepted without a check.
bool m57variant1(const Account& k) {
  if (k.number(1, 6) == 777777 || k.number(1, 6) == 888888) return true;
  return mod10(weightedsum(k, 1, 9, {1, 2}, true)) == k.at(10);
}

// 57, variant 2: weights 1, 2, 1, ... over positions 1, 2 and 4 to 10 from the left, each
// product by its digit sum, the check digit at position 3.
bool m57variant2(const Account& k) {
  const int sum = weightedsum(k, 4, 10, {1, 2}, true) + crossfoot(k.at(2) * 2) + k.at(1);
  return mod10(sum) == k.at(3);
}

// 57, variant 4: positions 3 and 4 between 01 and 12, positions 7 to 9 below 500; the number
// 0185125434 is accepted besides.
bool m57variant4(const Account& k) {
  if (k.number() == 185125434) return true;
  const long long month = k.number(3, 4);
  return month >= 1 && month <= 12 && k.number(7, 9) < 500;
}

bool m57(const Account& k, const BankCode&) {
  switch (kMethod57[k.number(1, 2)]) {
    case '1': return m57variant1(k);
    case '2': return m57variant2(k);
    case '3': return true;
    case '4': return m57variant4(k);
    default: return false;
  }
}

// 58: at least six digits; modulus 11 as 02, weights 2 to 6 over positions 9 to 5: a remainder
// of 0 gives 0, a remainder of 1 makes the number invalid.
bool m58(const Account& k, const BankCode&) {
  if (length(k) < 6) return false;
  return mod11(weightedsum(k, 5, 9, {2, 3, 4, 5, 6}), -1) == k.at(10);
}

// 59: as 00; numbers of fewer than nine digits are accepted without a check.
bool m59(const Account& k, const BankCode& b) {
  return length(k) < 9 || bymethod("00", k, b);
}

// 60: as 00 over the base number at positions 3 to 9 (the sub-account number at 1 and 2 left
// out), the check digit at 10.
bool m60(const Account& k, const BankCode&) {
  return mod10as00(k, 3, 9, 10);
}

// 61: as 00 over positions 1 to 7, the check digit at 8; when the kind digit at position 9 is 8,
// positions 9 and 10 count too.
bool m61(const Account& k, const BankCode&) {
  return basewithkind(k, 8);
}

// 62: as 00 over positions 3 to 7, the check digit at 8.
bool m62(const Account& k, const BankCode&) {
  return mod10as00(k, 3, 7, 8);
}

// 63: position 1 must be 0; as 00 over the base number at positions 2 to 7, the check digit at 8,
// the sub-account number at 9 and 10 left out. A sub-account number 00 may be missing: with 000
// at positions 1 to 3 the base number may stand at 4 to 9 and the check digit at 10.
bool m63(const Account& k, const BankCode&) {
  if (k.at(1) != 0) return false;
  return mod10as00(k, 2, 7, 8) || (k.number(1, 3) == 0 && mod10as00(k, 4, 9, 10));
}

// 64: modulus 11 as 06, weights 9, 10, 5, 8, 4, 2 over positions 1 to 6, the check digit at 7.
bool m64(const Account& k, const BankCode&) {
  return mod11as06(k, 1, 6, {2, 4, 8, 5, 10, 9}, 7);
}

// 65: as 61, the kind digit 9 bringing positions 9 and 10 into the sum.
bool m65(const Account& k, const BankCode&) {
  return basewithkind(k, 9);
}

// 66: nine digits (position 1 is 0); 9 at position 2 means no check digit. Modulus 11 with
// weights 2, 3, 4, 5, 6, 0, 0, 7 over positions 9 to 2 (the sub-account number at 3 and 4 left
// out): a remainder of 0 gives 1, of 1 gives 0, others 11 minus the remainder; the check digit is
// position 10.
bool m66(const Account& k, const BankCode&) {
  if (k.at(1) != 0) return false;
  if (k.at(2) == 9) return true;
  const int r = weightedsum(k, 2, 9, {2, 3, 4, 5, 6, 0, 0, 7}) % 11;
  return (r == 0 ? 1 : r == 1 ? 0 : 11 - r) == k.at(10);
}

// 67: as 00 over positions 1 to 7, the check digit at 8, the sub-account number at 9 and 10 left
// out.
bool m67(const Account& k, const BankCode&) {
  return mod10as00(k, 1, 7, 8);
}

// 68: six to ten digits. Ten digits: position 4 must be 9, as 00 over positions 4 to 9. Nine
// digits from 400000000 to 499999999 carry no check digit. Six to nine digits otherwise: as 00
// over positions 1 to 9, else with positions 3 and 4 left out.
bool m68(const Account& k, const BankCode&) {
  const int n = length(k);
  if (n < 6) return false;
  if (n == 10) return k.at(4) == 9 && mod10as00(k, 4, 9, 10);
  if (n == 9 && k.at(2) == 4) return true;
  return mod10as00(k, 1, 9, 10) || mod10as00(withzeros(k, 3, 4), 1, 9, 10);
}

// 69, variant 2: each digit of positions 9 to 1 translated by row 1, 2, 3, 4, 1, ... of the
// transformation table; 10 minus the last digit of their sum is the check digit.
bool m69variant2(const Account& k) {
  static const char kRows69[4][11] = {"0159374826", "0176983254", "0184629573", "0123456789"};
  int sum = 0;
  for (int p = 9, row = 0; p >= 1; --p, row = (row + 1) % 4) sum += kRows69[row][k.at(p)] - '0';
  return mod10(sum) == k.at(10);
}

// 69: 9300000000 to 9399999999 carry no check digit; 9700000000 to 9799999999 go by variant 2
// only; all others by method 28, else variant 2.
bool m69(const Account& k, const BankCode& b) {
  const long long lead = k.number(1, 2);
  if (lead == 93) return true;
  if (lead == 97) return m69variant2(k);
  return bymethod("28", k, b) || m69variant2(k);
}

// 70: modulus 11 as 06, weights 2, 3, 4, 5, 6, 7, 2, 3, 4 over positions 9 to 1; when position 4
// is 5 or positions 4 and 5 are 69, only positions 4 to 9 count.
bool m70(const Account& k, const BankCode&) {
  const bool short4to9 = k.at(4) == 5 || k.number(4, 5) == 69;
  return mod11as06(k, short4to9 ? 4 : 1, 9, {2, 3, 4, 5, 6, 7}, 10);
}

// 71: modulus 11, weights 6, 5, 4, 3, 2, 1 over positions 2 to 7; 11 minus the remainder, 0 for
// no remainder, 1 (of the 10) for a remainder of 1; the check digit is position 10.
bool m71(const Account& k, const BankCode&) {
  return mod11(weightedsum(k, 2, 7, {1, 2, 3, 4, 5, 6}), 1) == k.at(10);
}

// 72: as 00 over the customer number at positions 4 to 9, the check digit at 10.
bool m72(const Account& k, const BankCode&) {
  return mod10as00(k, 4, 9, 10);
}

// 73: ledger accounts (position 3 is 9) as in 51; all others as 00 over positions 4 to 9, else
// over 5 to 9, else modulus 7 of the digit sums of the products over 5 to 9 (weights 2, 1, 2, 1,
// 2), 7 minus the remainder, 0 for no remainder.
bool m73(const Account& k, const BankCode&) {
  if (k.at(3) == 9) return ledgeraccount(k);
  return mod10as00(k, 4, 9, 10) || mod10as00(k, 5, 9, 10) || mod7(k, {2, 1}, true);
}

// 74: two to ten digits; as 00, where a six-digit number may also have the check digit that
// brings the sum up to the next half decade (…5), i.e. the check digit of 00 plus 5 (modulo 10);
// else by method 04.
bool m74(const Account& k, const BankCode& b) {
  const int n = length(k);
  if (n < 2) return false;
  const int check = mod10(weightedsum(k, 1, 9, {2, 1}, true));
  if (check == k.at(10) || (n == 6 && (check + 5) % 10 == k.at(10))) return true;
  return bymethod("04", k, b);
}

// 75: six, seven or nine digits; as 00 over a five-digit base number with weights 2, 1, 2, 1, 2:
// for six or seven digits at positions 5 to 9 (check digit at 10), for nine digits at 2 to 6
// (check digit at 7), or at 3 to 7 (check digit at 8) when the first digit is 9.
bool m75(const Account& k, const BankCode&) {
  switch (length(k)) {
    case 6:
    case 7: return mod10as00(k, 5, 9, 10);
    case 9: return k.at(2) == 9 ? mod10as00(k, 3, 7, 8) : mod10as00(k, 2, 6, 7);
    default: return false;
  }
}

// 76, for one layout: account kind (0, 4, 6, 7, 8 or 9) at position kind, the base number at the
// six positions behind it, weights 2, 3, 4, ... from its right; the remainder modulo 11 is the
// check digit, at the position behind the base number (a remainder of 10 matches no digit: such a
// number cannot be checked and is not accepted).
bool m76layout(const Account& k, int kind) {
  if (k.at(kind) == 1 || k.at(kind) == 2 || k.at(kind) == 3 || k.at(kind) == 5) return false;
  const int r = weightedsum(k, kind + 1, kind + 6, {2, 3, 4, 5, 6, 7}) % 11;
  return r == k.at(kind + 7);
}

// 76: kind at 1, base number at 2 to 7, check digit at 8, sub-account number at 9 and 10. A
// sub-account number 00 may be missing: with 00 at positions 1 and 2 everything may stand two
// positions further right, the check digit at 10.
bool m76(const Account& k, const BankCode&) {
  return m76layout(k, 1) || (k.number(1, 2) == 0 && m76layout(k, 3));
}

// 77: modulus 11 over positions 6 to 10, weights 1, 2, 3, 4, 5 from position 10, else 5, 4, 3,
// 4, 5; the number is valid when one of the sums leaves no remainder.
bool m77(const Account& k, const BankCode&) {
  return weightedsum(k, 6, 10, {1, 2, 3, 4, 5}) % 11 == 0 ||
         weightedsum(k, 6, 10, {5, 4, 3, 4, 5}) % 11 == 0;
}

// 78: as 00; eight-digit numbers carry no check digit.
bool m78(const Account& k, const BankCode& b) {
  return length(k) == 8 || bymethod("00", k, b);
}

// 79: ten digits, the first not 0. A first digit 3 to 8: as 00 over positions 1 to 9, the check
// digit at 10. A first digit 1, 2 or 9: as 00 over positions 1 to 8, the check digit at 9.
bool m79(const Account& k, const BankCode& b) {
  if (k.at(1) == 0) return false;
  if (k.at(1) >= 3 && k.at(1) <= 8) return bymethod("00", k, b);
  return mod10as00(k, 1, 8, 9);
}

// The methods of this range, in the order of their codes.
const MethodRow kRows[] = {
    {"40", m40}, {"41", m41}, {"42", m42}, {"43", m43}, {"44", m44}, {"45", m45},   {"46", m46},
    {"47", m47}, {"48", m48}, {"49", m49}, {"50", m50}, {"51", m51}, {"52", m52},   {"53", m53},
    {"54", m54}, {"55", m55}, {"56", m56}, {"57", m57}, {"58", m58}, {"59", m59},   {"60", m60},
    {"61", m61}, {"62", m62}, {"63", m63}, {"64", m64}, {"65", m65}, {"66", m66},   {"67", m67},
    {"68", m68}, {"69", m69}, {"70", m70}, {"71", m71}, {"72", m72}, {"73", m73},   {"74", m74},
    {"75", m75}, {"76", m76}, {"77", m77}, {"78", m78}, {"79", m79}, {"", nullptr},
};

}  // namespace

const MethodRow* methods40to79(std::size_t& n) {
  n = 0;  // rows before the terminating empty one
  while (kRows[n].check != nullptr) ++n;
  return kRows;
}

}  // namespace checkmethods
