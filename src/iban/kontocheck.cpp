#include "iban/kontocheck.h"

#include <cstddef>

#include "iban/checkmethods/methods.h"

namespace {

using checkmethods::Method;

// A method code's slot: "00" to "99" at 0 to 99, "A0" to "E9" at 100 to 149; -1 for a text
// that is no method code.
int slotof(std::string_view code) {
  if (code.size() != 2 || code[1] < '0' || code[1] > '9') return -1;
  if (code[0] >= '0' && code[0] <= '9') return (code[0] - '0') * 10 + (code[1] - '0');
  if (code[0] >= 'A' && code[0] <= 'E') return 100 + (code[0] - 'A') * 10 + (code[1] - '0');
  return -1;
}

// Every method the program knows, by slot, from the parts of the table.
struct Methods {
  Method by[150] = {};
  Methods() {
    using Part = const checkmethods::MethodRow* (*)(std::size_t&);
    for (Part part : {checkmethods::methods00to39, checkmethods::methods40to79,
                      checkmethods::methods80toA9, checkmethods::methodsB0toE4}) {
      std::size_t n;
      const checkmethods::MethodRow* rows = part(n);
      for (std::size_t i = 0; i < n; ++i) by[slotof(rows[i].code)] = rows[i].check;
    }
  }
};

const Methods& methods() {
  static const Methods m;
  return m;
}

Method methodof(std::string_view code) {
  const int slot = slotof(code);
  return slot < 0 ? nullptr : methods().by[slot];
}

// The digits of text, right-aligned into n places; false when it holds anything else or too
// many of them.
bool todigits(std::string_view text, int* d, int n) {
  if (text.size() > static_cast<std::size_t>(n)) return false;
  const int pad = n - static_cast<int>(text.size());
  for (int i = 0; i < pad; ++i) d[i] = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    d[pad + i] = text[i] - '0';
  }
  return true;
}

}  // namespace

bool checkmethods::bymethod(const char* code, const Account& k, const BankCode& b) {
  const Method check = methodof(code);
  return check != nullptr && check(k, b);
}

bool knownmethod(std::string_view method) {
  return methodof(method) != nullptr;
}

AccountCheck checkaccount(std::string_view method, std::string_view blz, std::string_view konto) {
  const Method check = methodof(method);
  if (!check) return AccountCheck::Unknown;
  checkmethods::Account k;
  checkmethods::BankCode b;
  if (!todigits(konto, k.d, 10) || !todigits(blz, b.d, 8)) return AccountCheck::Invalid;
  return check(k, b) ? AccountCheck::Valid : AccountCheck::Invalid;
}
