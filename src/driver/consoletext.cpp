// The program's texts for a terminal that reads UTF-8: plain functions, built and tested on
// every platform; the POSIX console side shows its texts through them.
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

// Length of the valid UTF-8 sequence of two to four bytes at p, or 0 when there is none there
// (a lone byte, a cut sequence, an overlong form, a surrogate, or beyond U+10FFFF).
std::size_t utf8seq(const unsigned char* p) {
  auto cont = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  if (p[0] >= 0xC2 && p[0] <= 0xDF) return cont(p[1]) ? 2 : 0;
  if (p[0] >= 0xE0 && p[0] <= 0xEF) {
    if (!cont(p[1]) || !cont(p[2])) return 0;
    if (p[0] == 0xE0 && p[1] < 0xA0) return 0;
    if (p[0] == 0xED && p[1] >= 0xA0) return 0;
    return 3;
  }
  if (p[0] >= 0xF0 && p[0] <= 0xF4) {
    if (!cont(p[1]) || !cont(p[2]) || !cont(p[3])) return 0;
    if (p[0] == 0xF0 && p[1] < 0x90) return 0;
    if (p[0] == 0xF4 && p[1] >= 0x90) return 0;
    return 4;
  }
  return 0;
}
}  // namespace

// The program's own texts are Windows-1252, but the paths in them are the user's own bytes,
// which on these systems are UTF-8 as a rule: a valid UTF-8 sequence passes unchanged, so that
// a directory named "Überweisungen" is not shown as "Ãœberweisungen". No text of the program
// forms one: its umlauts stand before ASCII letters.
std::string utf8text(const char* text) {
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    unsigned char c = *p;
    if (c == '\r' && p[1] == '\n') {
      ++p;
    } else if (std::size_t n = c >= 0x80 ? utf8seq(p) : 0) {
      out.append(reinterpret_cast<const char*>(p), n);
      p += n;
    } else {
      if (c >= 0x80 && c < 0xA0) {
        pututf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD);
      } else {
        pututf8(out, c);
      }
      ++p;
    }
  }
  return out;
}

std::string boxtext(const char* text) {
  return "[velmora.exe]\n" + utf8text(text) + "\n[OK]\n";
}

