// The bank code file reader on arbitrary bytes: the same outcome however the bytes are cut
// into pieces, every entry it gives one the BIC directory can take as it is, and its bank
// codes a bank table that reads back as the first record of each code says. The bytes are
// also read as a bank table themselves.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bicdir/bankfile.h"
#include "bicdir/banktable.h"
#include "fuzz_check.h"

namespace {

void scan(BankScan& s, const char* p, std::size_t n, std::size_t step) {
  bankscanstart(s);
  for (std::size_t at = 0; at < n; at += step) {
    if (!bankscanfeed(s, p + at, n - at < step ? n - at : step)) break;
  }
  bankscanend(s);
}

bool same(const BankRecord& a, const BankRecord& b) {
  return std::strcmp(a.blz, b.blz) == 0 && std::strcmp(a.bic, b.bic) == 0 &&
         std::strcmp(a.method, b.method) == 0 && std::strcmp(a.successor, b.successor) == 0 &&
         a.main == b.main && a.entry == b.entry && a.deleted == b.deleted;
}

bool same(const std::vector<BankRecord>& a, const std::vector<BankRecord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!same(a[i], b[i])) return false;
  }
  return true;
}

bool digits(const char* p, std::size_t n) {
  if (std::strlen(p) != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
  }
  return true;
}

std::uint32_t number(const char* p) {
  std::uint32_t v = 0;
  for (; *p; ++p) v = v * 10 + static_cast<std::uint32_t>(*p - '0');
  return v;
}

// The table of the file's bank codes holds each once, as its first main record says.
void checktable(const std::vector<BankRecord>& banks) {
  const BankTableText text = banktabletext(banks);
  BankTable table;
  FUZZ_CHECK(table.read(text.text) == BankTable::Load::Loaded);
  FUZZ_CHECK(table.size() == text.rows);
  std::size_t deleted = 0;
  for (std::size_t i = 0; i < banks.size(); ++i) {
    const BankRecord& r = banks[i];
    const BankRow* row = table.find(r.blz, std::strlen(r.blz));
    FUZZ_CHECK(row != nullptr);
    bool first = true;
    for (std::size_t j = 0; j < i && first; ++j) first = std::strcmp(banks[j].blz, r.blz) != 0;
    if (!first) continue;
    deleted += r.deleted ? 1 : 0;
    FUZZ_CHECK(std::strcmp(row->method, r.method) == 0);
    FUZZ_CHECK(row->deleted == r.deleted);
    FUZZ_CHECK(row->successor == number(r.successor));
  }
  FUZZ_CHECK(deleted == text.deleted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the size of the pieces; the rest is the file.
  const std::size_t step = 1 + data[0] % 200;
  const char* p = reinterpret_cast<const char*>(data + 1);
  const std::size_t n = size - 1;
  // Whatever the bytes, a bank table is read or refused, and one read holds each code once,
  // in order.
  BankTable any;
  if (any.read(std::string_view(p, n)) == BankTable::Load::Loaded) {
    FUZZ_CHECK(any.faultline() == 0);
  } else {
    FUZZ_CHECK(any.size() == 0 && any.faultline() > 0);
  }

  static BankScan whole, pieces;
  scan(whole, p, n, n + 1);
  scan(pieces, p, n, step);
  FUZZ_CHECK(whole.fault == pieces.fault);
  FUZZ_CHECK(whole.faultline == pieces.faultline);
  if (whole.fault != BankFault::None) return 0;
  FUZZ_CHECK(same(whole.entries, pieces.entries));
  FUZZ_CHECK(same(whole.banks, pieces.banks));
  for (const BankRecord& r : whole.entries) {
    FUZZ_CHECK(std::strlen(r.blz) == kBankBlz);
    const std::size_t nbic = std::strlen(r.bic);
    FUZZ_CHECK(nbic == 8 || nbic == kBankBic);
    for (const char* c = r.bic; *c; ++c) {
      FUZZ_CHECK((*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9'));
    }
    FUZZ_CHECK(r.entry && r.main);
  }
  for (const BankRecord& r : whole.banks) {
    FUZZ_CHECK(r.main && digits(r.blz, kBankBlz) && digits(r.successor, kBankBlz));
    FUZZ_CHECK(std::strlen(r.method) == kBankMethod && r.method[1] >= '0' && r.method[1] <= '9');
  }
  checktable(whole.banks);
  return 0;
}
