#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/textbuf.h"
#include "iban/iban.h"

namespace {

using CheckFn = int (*)(char*, int, int);

struct FieldCase {
  const char* why;
  CheckFn fn;
  const char* text;
  int l1;
  int l2;
  int want;
  const char* after;  // the text as the check leaves it
};

TEST(FieldChecks, FitCleanPadAndCut) {
  const FieldCase cases[] = {
      {"empty text becomes pure padding", isnnum, "", 5, 0, 0, "00000"},
      {"a blank is dropped, padding on the left", isnnum, "12 34", 5, 0, 0, "01234"},
      {"surplus leading zeros dropped", isnnum, "0012345678", 8, 0, 0, "12345678"},
      {"surplus zeros behind separators", isnnum, "0 0-12 34", 2, 2, 0, "1234"},
      {"ends in the first section: left and right padding", isnnum, "123", 4, 4, 0, "01230000"},
      {"ends in the second section: right padding only", isnnum, "1234567", 4, 4, 0, "12345670"},
      {"dots are separators", isnnum, "1.2.3", 3, 0, 0, "123"},
      {"separators after the full length are dropped", isnnum, "123- ", 3, 0, 0, "123"},
      {"bytes above 127 are separators", isnnum,
       "\xe4"
       "1\xff"
       "2",
       2, 0, 0, "12"},
      {"letters padded with X, digits with 0", isnalfa, "ab", 4, 6, 0, "XXAB000000"},
      {"lower case upper-cased", isnalfa, "wxyz", 4, 0, 0, "WXYZ"},
      {"hyphen dropped before padding", isnalfa, "A-B", 4, 0, 0, "XXAB"},
      {"letters then digits across separators", isnalfa, "abcd 12-34-56", 4, 6, 0, "ABCD123456"},
      {"alphanumeric pads with 0", isnalfanum, "ab-12", 12, 0, 0, "00000000AB12"},
      {"second section padded on the right", isnalfanum, "12345678901", 11, 2, 0, "1234567890100"},
      {"letter in the first section of two", isnalfanum, "1234567890a", 11, 2, 0, "1234567890A00"},
      {"zero lengths take only an empty text", isnalfanum, "- .", 0, 0, 0, ""},
      // The bytes next to the digit and letter ranges are separators like any other.
      {"\"/\" and \":\" border the digits", isnnum, "/1:2/", 2, 0, 0, "12"},
      {"\"@\" and \"[\" border the upper-case letters", isnalfa, "@A[B@", 2, 0, 0, "AB"},
      {"\"`\" and \"{\" border the lower-case letters", isnalfa, "`a{b`", 2, 0, 0, "AB"},
      {"all six in an alphanumeric field", isnalfanum, "/:@[`{z9", 2, 0, 0, "Z9"},
      {"largest lengths that fit a field", isnnum, "1", 50, 9, 0,
       "00000000000000000000000000000000000000000000000001000000000"},
      {"the longest second section", isnnum, "1", 0, 50, 0,
       "10000000000000000000000000000000000000000000000000"},
      // Leading digits are passed over at once; the bytes that border them are no digits there
      // either.
      {"a colon behind leading digits", isnnum, "12:34", 4, 0, 0, "1234"},
      {"a slash behind leading digits", isnalfanum, "12/3a", 4, 0, 0, "123A"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.why);
    char buf[kFieldSize] = {};
    std::strcpy(buf, c.text);
    EXPECT_EQ(c.fn(buf, c.l1, c.l2), c.want);
    EXPECT_STREQ(buf, c.after);
  }
}

TEST(FieldChecks, MisfitsKeepTheRestUnpaddedAndUncut) {
  const FieldCase cases[] = {
      {"letter among digits, text unchanged", isnnum, "12A45", 5, 0, 1, "12A45"},
      {"lower-case letter fails isnnum and stays", isnnum, "1 2a45", 5, 0, 1, "12a45"},
      {"digit among letters", isnalfa, "AB1D", 4, 0, 1, "AB1D"},
      {"first-section letters upper-cased before the digit", isnalfa, "a b1d", 4, 0, 1, "AB1d"},
      {"lower-case letter among the digits of the second section", isnalfa, "abcd12x456", 4, 6, 1,
       "ABCD12x456"},
      {"upper-case letter in the second section", isnalfanum, "12345678901AB", 11, 2, 1,
       "12345678901AB"},
      {"separators behind the offending character stay", isnnum, "1 A 2", 3, 0, 1, "1A 2"},
      {"first section longer than 50", isnnum, "1 2", 51, 0, 1, "1 2"},
      {"second section longer than 50", isnalfa, "a b", 0, 51, 1, "a b"},
      {"negative first section", isnnum, "1 2", -1, 3, 1, "1 2"},
      {"negative second section", isnalfanum, "a b", 3, -1, 1, "a b"},
      {"sections that would overrun a field", isnalfanum, "a b", 50, 10, 1, "a b"},
      // A number is never cut: more significant characters than the pattern has misfit at the
      // first surplus one, unless they are surplus leading zeros of a zero-padded pattern.
      {"a ninth digit", isnnum, "123456789", 8, 0, 1, "123456789"},
      {"separators before the surplus go", isnnum, "1234 5678 9", 8, 0, 1, "123456789"},
      {"letters after the full length", isnnum, "123ab", 3, 0, 1, "123ab"},
      {"zero lengths and a character", isnalfanum, "abc", 0, 0, 1, "abc"},
      {"a surplus that is not all zeros", isnnum, "1000", 3, 0, 1, "1000"},
      {"zeros, then a surplus digit", isnnum, "01000", 3, 0, 1, "01000"},
      {"leading zeros of a pattern padded with X are letters' places", isnalfa, "0ABCD", 4, 0, 1,
       "0ABCD"},
      {"one letter too many", isnalfa, "abcde", 4, 0, 1, "ABCDe"},
      {"an alphanumeric field one too long", isnalfanum, "1234567890123", 12, 0, 1,
       "1234567890123"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.why);
    char buf[kFieldSize] = {};
    std::strcpy(buf, c.text);
    EXPECT_EQ(c.fn(buf, c.l1, c.l2), c.want);
    EXPECT_STREQ(buf, c.after);
  }
}

// The cut checks keep the head of a longer text: the bank code at the start of a BBAN.
TEST(FieldChecks, CutChecksDropWhatFollows) {
  const FieldCase cases[] = {
      {"digits beyond the length are cut", cutnum, "123456789", 8, 0, 0, "12345678"},
      {"anything after the full length is dropped unchecked", cutnum, "123ab", 3, 0, 0, "123"},
      {"letters then digits", cutalfa, "NWBK60161331926819", 4, 6, 0, "NWBK601613"},
      {"alphanumeric", cutalfanum, "ab12cd", 4, 0, 0, "AB12"},
      {"a misfit within the head still fails", cutnum, "12a45", 5, 0, 1, "12a45"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.why);
    char buf[kFieldSize] = {};
    std::strcpy(buf, c.text);
    EXPECT_EQ(c.fn(buf, c.l1, c.l2), c.want);
    EXPECT_STREQ(buf, c.after);
  }
}

}  // namespace
