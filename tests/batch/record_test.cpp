#include "batch/record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <random>
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

// The splitting rules one byte at a time, as plainly as they can be written.
Fields plainsplit(const std::string& line) {
  Fields f;
  std::size_t status = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '\0') break;
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ';' || c == ',')) {
      if (++status > 5) break;
    } else if (f[status].size() < static_cast<std::size_t>(kFieldFill)) {
      f[status] += c;
    }
  }
  return f;
}

std::string plainresult(const Fields& f, const char* code) {
  std::string line;
  for (const std::string& field : f) line += "\"" + field + "\";";
  return line + "\"" + code + "\"\r\n";
}

// splitline looks at sixteen bytes at a time and stores whole blocks into the fields; the
// result line is composed from whole blocks of them. Random lines of every length around the
// block edges, with every byte that matters in and behind them, must split as byte by byte,
// write nothing outside the record, and come back as the plain result line.
TEST(Splitline, SplitsLikeByteByByteWhateverLiesBehindTheLine) {
  std::mt19937 rng(7);
  const char bytes[] = ";,\"\"a1\r\n \xe4";
  auto any = [&]() { return bytes[rng() % (sizeof bytes - 1)]; };
  struct Guarded {
    Record r;
    char guard[64];
  };
  for (int trial = 0; trial < 20000; ++trial) {
    const std::size_t n = rng() % 130;
    std::string line;
    // Runs of one byte make long fields as well as empty ones.
    while (line.size() < n) line.append(1 + rng() % (rng() % 4 == 0 ? 60 : 4), any());
    line.resize(n);
    char buffer[kLineBuf + kSplitSlack];
    std::memcpy(buffer, line.data(), n);
    buffer[n] = '\0';
    for (std::size_t i = n + 1; i < n + 1 + kSplitSlack; ++i) buffer[i] = any();
    Guarded g;
    std::memset(&g, 'G', sizeof g);
    splitline(buffer, g.r);
    SCOPED_TRACE(line);
    const Fields want = plainsplit(line);
    ASSERT_EQ((Fields{g.r.snr, g.r.land, g.r.blz, g.r.konto, g.r.iban, g.r.bic}), want);
    ASSERT_EQ(std::string(g.guard, sizeof g.guard), std::string(sizeof g.guard, 'G'));
    char out[kResultLine];
    ASSERT_EQ(std::string(out, makeresult(out, g.r, "11")), plainresult(want, "11"));
  }
}

}  // namespace
