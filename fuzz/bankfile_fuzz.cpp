// The bank code file reader on arbitrary bytes: the same outcome however the bytes are cut
// into pieces, and every entry it gives one the BIC directory can take as it is.
#include <cstdint>
#include <cstring>
#include <string>

#include "bicdir/bankfile.h"
#include "fuzz_check.h"

namespace {

void scan(BankScan& s, const char* p, std::size_t n, std::size_t step) {
  bankscanstart(s);
  for (std::size_t at = 0; at < n; at += step) {
    if (!bankscanfeed(s, p + at, n - at < step ? n - at : step)) break;
  }
  bankscanend(s);
}

bool sameentries(const BankScan& a, const BankScan& b) {
  if (a.entries.size() != b.entries.size()) return false;
  for (std::size_t i = 0; i < a.entries.size(); ++i) {
    if (std::strcmp(a.entries[i].blz, b.entries[i].blz) != 0 ||
        std::strcmp(a.entries[i].bic, b.entries[i].bic) != 0)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the size of the pieces; the rest is the file.
  const std::size_t step = 1 + data[0] % 200;
  const char* p = reinterpret_cast<const char*>(data + 1);
  const std::size_t n = size - 1;
  static BankScan whole, pieces;
  scan(whole, p, n, n + 1);
  scan(pieces, p, n, step);
  FUZZ_CHECK(whole.fault == pieces.fault);
  FUZZ_CHECK(whole.faultline == pieces.faultline);
  if (whole.fault != BankFault::None) return 0;
  FUZZ_CHECK(sameentries(whole, pieces));
  for (const BankRecord& r : whole.entries) {
    FUZZ_CHECK(std::strlen(r.blz) == kBankBlz);
    const std::size_t nbic = std::strlen(r.bic);
    FUZZ_CHECK(nbic == 8 || nbic == kBankBic);
    for (const char* c = r.bic; *c; ++c) {
      FUZZ_CHECK((*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9'));
    }
    FUZZ_CHECK(r.entry);
  }
  return 0;
}
