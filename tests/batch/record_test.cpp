#include "batch/record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "common/files.h"
#include "common/textbuf.h"
#include "support/tempdir.h"

namespace {

using Fields = std::array<std::string, 6>;

Fields split(const std::string& line) {
  char f[6][kFieldSize];
  splitrec(line.c_str(), f[0], f[1], f[2], f[3], f[4], f[5]);
  return {f[0], f[1], f[2], f[3], f[4], f[5]};
}

struct SplitCase {
  const char* why;
  std::string line;
  Fields want;
};

TEST(Splitrec, FillsTheSixFields) {
  const std::string x50(50, 'x');
  const SplitCase cases[] = {
      {"plain semicolons, line end in the BIC field", "1;AT;19043;234573201;;\r\n",
       {"1", "AT", "19043", "234573201", "", "\r\n"}},
      {"every field quoted", "\"1\";\"AT\";\"19043\";\"234573201\";\"\";\"\"",
       {"1", "AT", "19043", "234573201", "", ""}},
      {"same without quotes", "1;AT;19043;234573201;;", {"1", "AT", "19043", "234573201", "", ""}},
      {"commas separate like semicolons", "1,AT,19043,234573201",
       {"1", "AT", "19043", "234573201", "", ""}},
      {"separators inside quotes are data", "1;\"1;2\";x", {"1", "1;2", "x", "", "", ""}},
      {"comma inside quotes", "1;AT;\"1,2\";3", {"1", "AT", "1,2", "3", "", ""}},
      {"quotes toggle and vanish", "X\"Y\"Z;\"\"", {"XYZ", "", "", "", "", ""}},
      {"a field keeps its first 50 characters", "1;" + x50 + "0123456789;2",
       {"1", x50, "2", "", "", ""}},
      {"fields behind the sixth are dropped", "1;2;3;4;5;6;7;8", {"1", "2", "3", "4", "5", "6"}},
      {"empty line: the record number takes CR LF", "\r\n", {"\r\n", "", "", "", "", ""}},
      {"five fields: the IBAN takes the line end", "1;AT;1;2;\r\n",
       {"1", "AT", "1", "2", "\r\n", ""}},
      {"four fields: the account takes the line end", "1;AT;1;2\r\n",
       {"1", "AT", "1", "2\r\n", "", ""}},
      {"no separator at all", "abc\n", {"abc\n", "", "", "", "", ""}},
      {"an open quote ends with the line", "1;\"AT;2\n", {"1", "AT;2\n", "", "", "", ""}},
      {"blanks are kept", " 1 ; AT ;", {" 1 ", " AT ", "", "", "", ""}},
      {"bytes above 127 are data", "\xe4;\xfc\xdf", {"\xe4", "\xfc\xdf", "", "", "", ""}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(split(c.line), c.want);
  }
}

TEST(Splitrec, EmptiesFieldsLeftFromAnEarlierLine) {
  char f[6][kFieldSize] = {"old", "old", "old", "old", "old", "old"};
  splitrec("7", f[0], f[1], f[2], f[3], f[4], f[5]);
  EXPECT_STREQ(f[0], "7");
  for (int i = 1; i < 6; ++i) EXPECT_STREQ(f[i], "") << i;
}

std::string result(const Fields& f, const char* code) {
  TempDir dir;
  std::FILE* fo = std::fopen(dir.file("r").c_str(), "wb");
  putresult(fo, f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str(),
            f[5].c_str(), code);
  std::fclose(fo);
  return dir.read("r");
}

TEST(Putresult, WritesSevenQuotedFieldsAndCrLf) {
  EXPECT_EQ(result({"7", "AT", "19043", "00234573201", "AT611904300234573201", ""}, "00"),
            "\"7\";\"AT\";\"19043\";\"00234573201\";\"AT611904300234573201\";\"\";\"00\"\r\n");
  EXPECT_EQ(result({"5", "DE", "", "", "", ""}, "92"), "\"5\";\"DE\";\"\";\"\";\"\";\"\";\"92\"\r\n");
  EXPECT_EQ(result({"\r\n", "1;2", "", "", "", ""}, "92"),
            "\"\r\n\";\"1;2\";\"\";\"\";\"\";\"\";\"92\"\r\n");
}

TEST(Putresult, ReadsBackThroughSplitrec) {
  Fields f = {"0", "DE", "37040044", "0532013000", "DE89370400440532013000", "COBADEFFXXX"};
  std::string line = result(f, "11");
  EXPECT_EQ(split(line), f);
}

}  // namespace
