// The rewrite's scanner on arbitrary payment bytes with arbitrary result lines, both passes:
// buffers stay bounded, and where the mode replaces nothing the output is the input byte for
// byte (or, after an internal error, a beginning of it): no byte is lost or invented.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "iso20022/rewritescan.h"

namespace {

struct StringSink final : ByteSink {
  std::string out;
  void emit(const char* p, std::size_t n) override { out.append(p, n); }
};

// Result lines out of a text, cut like the result file's reader cuts them.
struct TextLines final : LineSource {
  std::string text;
  std::size_t pos = 0;
  std::size_t next(char* buf, std::size_t cap) override {
    std::size_t n = 0;
    while (pos < text.size() && n + 1 < cap) {
      char c = text[pos++];
      buf[n++] = c;
      if (c == '\n') break;
    }
    buf[n] = '\0';
    return n;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Byte 0 picks the mode; the result lines run up to the first 0xFF byte; the rest is the
  // payment text.
  const int m = data[0] % 100;
  const char* p = reinterpret_cast<const char*>(data) + 1;
  std::size_t n = size - 1;
  const void* cut = std::memchr(p, '\xff', n);
  std::size_t nlines = cut ? static_cast<const char*>(cut) - p : 0;
  TextLines lines;
  lines.text.assign(p, nlines);
  std::string pay(p + (cut ? nlines + 1 : 0), n - (cut ? nlines + 1 : 0));

  const RewriteForms forms = formsfor(m);
  const bool copyonly =
      forms.account == AccountForm::Unchanged && forms.agent == AgentForm::Unchanged;
  std::string in = pay;
  for (const RewriteSide* side : {&kCreditorRewrite, &kDebtorRewrite}) {
    RewriteScan s;
    StringSink out;
    RewritePass pass{*side, forms, out, lines};
    ScanResult r = rewritetext(s, pass, in.data(), in.size());
    if (r == ScanResult::Ok) rewriteend(s, pass);
    out.flush();
    FUZZ_CHECK(s.idlen < sizeof s.idbuf);
    FUZZ_CHECK(std::strlen(s.buffer) < sizeof s.buffer);
    if (copyonly) {
      if (r == ScanResult::Ok) {
        FUZZ_CHECK(out.out == in);
      } else {
        FUZZ_CHECK(out.out.size() <= in.size() && in.compare(0, out.out.size(), out.out) == 0);
      }
    }
    if (r != ScanResult::Ok) break;
    in = out.out;  // the debtor pass reads what the creditor pass wrote
  }
  return 0;
}
