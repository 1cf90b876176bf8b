#include "driver/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The box text mixes the program's Windows-1252 texts with the user's paths, which here are
// UTF-8: each must come out readable.
TEST(Platform, BoxTextKeepsUtf8AndConvertsWindows1252) {
  struct Row {
    const char* reason;
    const char* text;
    const char* shown;
  };
  const Row rows[] = {
      {"own text: u-umlaut before a letter", "f\xfcr", "f\xc3\xbcr"},
      {"CR LF becomes LF, a lone CR stays", "a\r\nb\rc", "a\nb\rc"},
      {"Windows-1252 euro sign and quotes", "\x80 \x93x\x94",
       "\xe2\x82\xac \xe2\x80\x9cx\xe2\x80\x9d"},
      {"byte without a character in the code page", "\x81", "\xef\xbf\xbd"},
      {"UTF-8 path of two-byte letters",
       "Mein Ordner/\xc3\x9c"
       "berweisungen/Zahlung M\xc3\xa4rz.xml",
       "Mein Ordner/\xc3\x9c"
       "berweisungen/Zahlung M\xc3\xa4rz.xml"},
      {"three- and four-byte sequences", "\xe2\x82\xac\xf0\x9f\x92\xb6",
       "\xe2\x82\xac\xf0\x9f\x92\xb6"},
      {"sequence cut by the end of the text", "\xc3", "\xc3\x83"},
      {"lead byte before ASCII", "\xc3x", "\xc3\x83x"},
      {"overlong form of '/'", "\xc0\xaf", "\xc3\x80\xc2\xaf"},
      {"surrogate half", "\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\xc3\xb4\xef\xbf\xbd\xe2\x82\xac\xe2\x82\xac"},
      {"lone continuation byte", "\xbc", "\xc2\xbc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    EXPECT_EQ(boxtext(row.text), std::string("[velmora.exe]\n") + row.shown + "\n[OK]\n");
  }
}

}  // namespace
