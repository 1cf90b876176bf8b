#include <cstdio>
#include <string>

#include "driver/platform.h"

namespace {
// Windows-1252 bytes 0x80..0x9F as Unicode code points (0 where the code page has no character).
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void pututf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
}  // namespace

// No window system to rely on: the box becomes a framed block on standard error, in UTF-8
// with plain line ends, and never waits for input so that scripts cannot hang on it.
void msgbox(const char* text) {
  std::string out = "[velmora.exe]\n";
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\r' && p[1] == '\n') continue;
    if (c >= 0x80 && c < 0xA0) {
      pututf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD);
    } else {
      pututf8(out, c);
    }
  }
  out += "\n[OK]\n";
  std::fflush(stdout);
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

bool replacefile(const char* from, const char* to) { return std::rename(from, to) == 0; }

void initconsole() {}
