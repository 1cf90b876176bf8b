// The rewrite's scanner, both passes, two ways. Byte 0 picks the way.
//  - Arbitrary payment bytes with arbitrary result lines: buffers stay bounded, and where the
//    mode replaces nothing the output is the input byte for byte (or, after an internal
//    error, a beginning of it): no byte is lost or invented.
//  - A well-formed payment file built from the input's bytes by a generator that knows its
//    pairs: the harvest writes one record per recorded pair, and the rewrite keeps every value
//    in its own transaction or payment block and leaves the file well-formed.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "iso20022/rewritescan.h"
#include "support/paygen.h"
#include "support/scanrun.h"

namespace {

// Result lines out of a text, cut like the result file's reader cuts them.
std::vector<std::string> textlines(const char* p, std::size_t n) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < n; ++i) {
    cur += p[i];
    if (p[i] == '\n' || cur.size() == kLineRead) {
      lines.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

void arbitrary(const std::uint8_t* data, std::size_t size) {
  // Byte 0 picks the mode; the result lines run up to the first 0xFF byte; the rest is the
  // payment text.
  const int m = data[0] % 100;
  const char* p = reinterpret_cast<const char*>(data) + 1;
  std::size_t n = size - 1;
  const void* cut = std::memchr(p, '\xff', n);
  std::size_t nlines = cut ? static_cast<const char*>(cut) - p : 0;
  const std::string pay(p + (cut ? nlines + 1 : 0), n - (cut ? nlines + 1 : 0));
  const RewriteForms forms = formsfor(m);
  const RewriteRun r = rewritescan(pay, textlines(p, nlines), m == 0 ? 100 : m);
  if (forms.account == Form::Unchanged && forms.agent == Form::Unchanged) {
    if (r.result == ScanResult::Ok) {
      FUZZ_CHECK(r.out == pay);
    } else {
      FUZZ_CHECK(r.out.size() <= pay.size() && pay.compare(0, r.out.size(), r.out) == 0);
    }
  }
}

void generated(const std::uint8_t* data, std::size_t size) {
  static const int kModes[] = {1, 2, 3, 4, 5, 6, 14, 16, 24, 26, 7};
  const int m = kModes[data[0] % (sizeof kModes / sizeof kModes[0])];
  ByteChoices c(data + 1, size - 1);
  const GenFile f = makepayfile(c);
  const std::vector<ScanRec> recs = harvestscan(f.xml);
  const std::vector<std::string> ids = f.records();
  FUZZ_CHECK(recs.size() == ids.size());
  for (std::size_t i = 0; i < recs.size(); ++i) {
    for (const std::string* v : {&recs[i].iban, &recs[i].konto, &recs[i].bic, &recs[i].blz}) {
      FUZZ_CHECK(v->find_first_of("\r\n") == std::string::npos);
      FUZZ_CHECK(v->find("FAKE") == std::string::npos);
      const std::size_t at = v->find('~');
      FUZZ_CHECK(at == std::string::npos || v->compare(at, ids[i].size() + 2, "~" + ids[i] + "~") == 0);
    }
  }
  const RewriteRun r = rewritescan(f.xml, resultlines(f), m);
  FUZZ_CHECK(r.result == ScanResult::Ok);
  FUZZ_CHECK(r.used == ids.size());
  // Each pass met the record points the harvest met, and took a line at each.
  std::uint64_t creditor = 0;
  for (const std::string& id : ids) creditor += id[0] == 'T';
  FUZZ_CHECK(r.creditorpoints == creditor && r.creditortaken == creditor);
  FUZZ_CHECK(r.debtorpoints == ids.size() - creditor && r.debtortaken == ids.size() - creditor);
  const RewriteForms forms = formsfor(m);
  const unsigned changes =
      (forms.account != Form::Unchanged ? 1u : 0u) | (forms.agent != Form::Unchanged ? 2u : 0u);
  const std::string fault = checkpairs(f, r.out, changes);
  if (!fault.empty()) std::fprintf(stderr, "%s\n", fault.c_str());
  FUZZ_CHECK(fault.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  if (data[0] & 0x80) {
    generated(data + 1, size - 1);
  } else {
    arbitrary(data + 1, size - 1);
  }
  return 0;
}
