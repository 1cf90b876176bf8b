// The IBAN engine on arbitrary texts: results within their ranges, texts terminated within
// their buffers and nothing written behind them, and makeiban's IBANs valid for chkiban with
// the same parts.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/textbuf.h"
#include "fuzz_check.h"
#include "iban/iban.h"

namespace {

const char* const kCountries[] = {"AD", "AT", "BE", "CH", "CZ", "DE", "DK", "ES", "FI", "FO",
                                  "FR", "GB", "GI", "GL", "GR", "HU", "IE", "IS", "IT", "LI",
                                  "LU", "LV", "MC", "NL", "NO", "PL", "PT", "SE", "SI", "SM",
                                  "XX", "at", "A",  "ATX", ""};
constexpr int kCodes = sizeof kCountries / sizeof kCountries[0];
constexpr char kGuard = '\x5a';

// A 60-character field with guard bytes behind it, filled from the fuzzer's bytes.
struct Text {
  char b[kFieldSize + 8];
  explicit Text(const std::string& s) {
    std::memset(b, kGuard, sizeof b);
    std::size_t n = s.size() < kFieldSize - 1 ? s.size() : kFieldSize - 1;
    std::memcpy(b, s.data(), n);
    b[n] = '\0';
  }
  void check() const {
    FUZZ_CHECK(strnlen(b, kFieldSize) < static_cast<std::size_t>(kFieldSize));
    for (int i = kFieldSize; i < kFieldSize + 8; ++i) FUZZ_CHECK(b[i] == kGuard);
  }
};

// Splits the input at '\x01' bytes into up to four texts.
struct Input {
  unsigned op = 0, code = 0;
  std::string t[4];
  Input(const std::uint8_t* d, std::size_t n) {
    if (n > 0) op = d[0];
    if (n > 1) code = d[1];
    int k = 0;
    for (std::size_t i = 2; i < n; ++i) {
      if (d[i] == 1 && k < 3) {
        ++k;
      } else {
        t[k] += static_cast<char>(d[i]);
      }
    }
  }
};

bool upperalnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const char* land = kCountries[in.code % kCodes];
  switch (in.op % 5) {
    case 0: {
      Text t(in.t[0]);
      int r = calcchknr(t.b);
      FUZZ_CHECK(r >= 0 && r <= 96);
      t.check();
      break;
    }
    case 1: {  // the field checks with lengths around the range guard
      Text t(in.t[0]);
      int l1 = static_cast<int>(in.code % 64) - 4;
      int l2 = static_cast<int>(in.op / 5 % 64) - 4;
      int r = (in.op / 5 / 64) % 3 == 0   ? isnnum(t.b, l1, l2)
              : (in.op / 5 / 64) % 3 == 1 ? isnalfa(t.b, l1, l2)
                                          : isnalfanum(t.b, l1, l2);
      FUZZ_CHECK(r == 0 || r == 1);
      t.check();
      if (r == 0) FUZZ_CHECK(std::strlen(t.b) == static_cast<std::size_t>(l1 + l2));
      break;
    }
    case 2: {
      Text blz(in.t[0]), konto(in.t[1]);
      int b = getblz(land, blz.b);
      int k = getkonto(land, konto.b);
      FUZZ_CHECK(b == 0 || (b >= 3 && b <= 11));
      FUZZ_CHECK(k == 0 || (k >= 7 && k <= 18));
      if (b) FUZZ_CHECK(std::strlen(blz.b) == static_cast<std::size_t>(b));
      if (k) FUZZ_CHECK(std::strlen(konto.b) == static_cast<std::size_t>(k));
      blz.check();
      konto.check();
      break;
    }
    case 3: {  // makeiban, then chkiban gives the same parts back
      Text blz(in.t[0]), konto(in.t[1]), iban(in.t[2]);
      int m = makeiban(land, blz.b, konto.b, iban.b);
      FUZZ_CHECK(m == 0 || m == 1);
      blz.check();
      konto.check();
      iban.check();
      if (m != 0) break;
      // "ES" takes two account characters over unchanged; only clean ones survive the cleaning.
      if (std::strcmp(land, "ES") == 0 && !(upperalnum(konto.b[0]) && upperalnum(konto.b[1])))
        break;
      Text l2(""), b2(""), k2(""), i2(iban.b);
      FUZZ_CHECK(chkiban(l2.b, b2.b, k2.b, i2.b) == 1);
      FUZZ_CHECK(std::strcmp(l2.b, land) == 0);
      FUZZ_CHECK(std::strcmp(b2.b, blz.b) == 0);
      FUZZ_CHECK(std::strcmp(k2.b, konto.b) == 0);
      FUZZ_CHECK(std::strcmp(i2.b, iban.b) == 0);
      break;
    }
    default: {
      Text land2(in.t[0]), blz(in.t[1]), konto(in.t[2]), iban(in.t[3]);
      int v = chkiban(land2.b, blz.b, konto.b, iban.b);
      FUZZ_CHECK(v == 0 || v == 1);
      for (const Text* t : {&land2, &blz, &konto, &iban}) t->check();
      for (const char* p = iban.b; *p; ++p) FUZZ_CHECK(upperalnum(*p));
      if (v == 0) FUZZ_CHECK(!land2.b[0] && !blz.b[0] && !konto.b[0]);
      if (v == 1) FUZZ_CHECK(std::strlen(land2.b) == 2);
      break;
    }
  }
  return 0;
}
