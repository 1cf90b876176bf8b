// splitrec and putresult on arbitrary lines: fields stay within their buffers, the result line
// always has seven quoted fields and CR LF, and splitrec reads it back to the same fields.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "batch/record.h"
#include "common/textbuf.h"
#include "fuzz_check.h"

namespace {

constexpr char kGuard = '\x5a';

struct Fields {
  char f[6][kFieldSize + 8];
  Fields() { std::memset(f, kGuard, sizeof f); }
  void split(const char* line) { splitrec(line, f[0], f[1], f[2], f[3], f[4], f[5]); }
  void checkbounds() const {
    for (const auto& x : f) {
      FUZZ_CHECK(strnlen(x, kFieldSize) <= static_cast<std::size_t>(kFieldFill));
      FUZZ_CHECK(std::strchr(x, '"') == nullptr);
      for (int i = kFieldSize; i < kFieldSize + 8; ++i) FUZZ_CHECK(x[i] == kGuard);
    }
  }
};

std::string resultline(const Fields& r, const char* code) {
  char* mem = nullptr;
  std::size_t size = 0;
  std::FILE* fo = open_memstream(&mem, &size);
  putresult(fo, r.f[0], r.f[1], r.f[2], r.f[3], r.f[4], r.f[5], code);
  std::fclose(fo);
  std::string line(mem, size);
  std::free(mem);
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The batch hands splitrec pieces of at most 999 bytes; NULs end the text early.
  if (size > static_cast<std::size_t>(kLineRead)) size = kLineRead;
  std::string line(reinterpret_cast<const char*>(data), size);
  Fields r;
  r.split(line.c_str());
  r.checkbounds();

  std::string out = resultline(r, "00");
  FUZZ_CHECK(out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0);
  std::size_t quotes = 0;
  for (char c : out) quotes += c == '"';
  FUZZ_CHECK(quotes == 14);
  FUZZ_CHECK(out[0] == '"');

  Fields back;
  back.split(out.c_str());
  back.checkbounds();
  for (int i = 0; i < 6; ++i) FUZZ_CHECK(std::strcmp(back.f[i], r.f[i]) == 0);
  return 0;
}
