// Check methods 00 to 39 of German account numbers, each written from the Bundesbank's
// description ("Prüfzifferberechnungsmethoden zur Prüfung von Kontonummern auf ihre
// Richtigkeit").
#include "iban/checkmethods/methods.h"

namespace checkmethods {

namespace {

// 00: modulus 10, weights 2, 1, 2, 1, ... from position 9 leftward, each product counting by its
// digit sum; the check digit is position 10.
bool m00(const Account& k, const BankCode&) {
  return mod10(weightedsum(k, 1, 9, {2, 1}, true)) == k.at(10);
}

// The methods of this range, in the order of their codes.
const MethodRow kRows[] = {
    {"00", m00},
    {"", nullptr},
};

}  // namespace

const MethodRow* methods00to39(std::size_t& n) {
  n = 0;  // rows before the terminating empty one
  while (kRows[n].check != nullptr) ++n;
  return kRows;
}

}  // namespace checkmethods
