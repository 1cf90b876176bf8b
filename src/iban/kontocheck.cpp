#include "iban/kontocheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "iban/chars.h"
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

// The N digits at p into d; false when one is no digit. The digits are tested eight at a time.
template <int N>
bool digitsof(const char* p, int* d) {
  static_assert(N >= 8, "eight at a time");
  bool ok = eightdigits(p);
  for (int i = 8; i < N; ++i) ok = ok && p[i] >= '0' && p[i] <= '9';
  if (!ok) return false;
  for (int i = 0; i < N; ++i) d[i] = p[i] - '0';
  return true;
}

// The digits of text, right-aligned into N places; false when it holds anything else or too
// many of them. The batch gives German numbers in their full length, the common case.
template <int N>
bool todigits(std::string_view text, int* d) {
  if (text.size() == N) return digitsof<N>(text.data(), d);
  if (text.size() > static_cast<std::size_t>(N)) return false;
  const int pad = N - static_cast<int>(text.size());
  for (int i = 0; i < pad; ++i) d[i] = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    d[pad + static_cast<int>(i)] = c - '0';
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

int methodslot(std::string_view method) {
  const int slot = slotof(method);
  return slot >= 0 && methods().by[slot] != nullptr ? slot : -1;
}

AccountCheck checkaccount(std::string_view method, std::string_view blz, std::string_view konto) {
  return checkslot(methodslot(method), blz, konto);
}

AccountCheck checkslot(int slot, std::string_view blz, std::string_view konto) {
  if (slot < 0) return AccountCheck::Unknown;
  const Method check = methods().by[slot];
  checkmethods::Account k;
  checkmethods::BankCode b;
  if (!todigits<10>(konto, k.d) || !todigits<8>(blz, b.d)) return AccountCheck::Invalid;
  return check(k, b) ? AccountCheck::Valid : AccountCheck::Invalid;
}
