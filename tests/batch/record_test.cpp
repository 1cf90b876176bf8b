#include "batch/record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

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
      {"plain semicolons, line end in the BIC field",
       "1;AT;19043;234573201;;\r\n",
       {"1", "AT", "19043", "234573201", "", "\r\n"}},
      {"every field quoted",
       "\"1\";\"AT\";\"19043\";\"234573201\";\"\";\"\"",
       {"1", "AT", "19043", "234573201", "", ""}},
      {"same without quotes", "1;AT;19043;234573201;;", {"1", "AT", "19043", "234573201", "", ""}},
      {"commas separate like semicolons",
       "1,AT,19043,234573201",
       {"1", "AT", "19043", "234573201", "", ""}},
      {"separators inside quotes are data", "1;\"1;2\";x", {"1", "1;2", "x", "", "", ""}},
      {"comma inside quotes", "1;AT;\"1,2\";3", {"1", "AT", "1,2", "3", "", ""}},
      {"quotes toggle and vanish", "X\"Y\"Z;\"\"", {"XYZ", "", "", "", "", ""}},
      {"a field keeps its first 50 characters",
       "1;" + x50 + "0123456789;2",
       {"1", x50, "2", "", "", ""}},
      {"fields behind the sixth are dropped", "1;2;3;4;5;6;7;8", {"1", "2", "3", "4", "5", "6"}},
      {"empty line: the record number takes CR LF", "\r\n", {"\r\n", "", "", "", "", ""}},
      {"five fields: the IBAN takes the line end",
       "1;AT;1;2;\r\n",
       {"1", "AT", "1", "2", "\r\n", ""}},
      {"four fields: the account takes the line end",
       "1;AT;1;2\r\n",
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
  putresult(fo, f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str(), f[5].c_str(),
            code);
  std::fclose(fo);
  return dir.read("r");
}

TEST(Putresult, WritesSevenQuotedFieldsAndCrLf) {
  EXPECT_EQ(result({"7", "AT", "19043", "00234573201", "AT611904300234573201", ""}, "00"),
            "\"7\";\"AT\";\"19043\";\"00234573201\";\"AT611904300234573201\";\"\";\"00\"\r\n");
  EXPECT_EQ(result({"5", "DE", "", "", "", ""}, "92"),
            "\"5\";\"DE\";\"\";\"\";\"\";\"\";\"92\"\r\n");
  EXPECT_EQ(result({"\r\n", "1;2", "", "", "", ""}, "92"),
            "\"\r\n\";\"1;2\";\"\";\"\";\"\";\"\";\"92\"\r\n");
}

// Texts longer than a field: each is taken as far as a field holds it, kFieldSize - 1 characters.
TEST(Putresult, TakesAFieldOfEachText) {
  const std::string longer(kFieldSize + 10, '7');
  const std::string kept(kFieldSize - 1, '7');
  for (int at = 0; at < 6; ++at) {
    SCOPED_TRACE(at);
    Fields f = {"1", "DE", "2", "3", "4", "5"};
    Fields want = f;
    f[at] = longer;
    want[at] = kept;
    std::string line;
    for (const std::string& field : want) line += "\"" + field + "\";";
    EXPECT_EQ(result(f, "92"), line + "\"92\"\r\n");
  }
}

TEST(Putresult, ReadsBackThroughSplitrec) {
  Fields f = {"0", "DE", "37040044", "0532013000", "DE89370400440532013000", "COBADEFFXXX"};
  std::string line = result(f, "11");
  EXPECT_EQ(split(line), f);
}

// The splitting rules one byte at a time, as plainly as they can be written; toolong tells
// whether a field had more than it keeps.
Fields plainsplit(const std::string& line, bool* toolong = nullptr) {
  Fields f;
  if (toolong) *toolong = false;
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
    } else if (toolong) {
      *toolong = true;
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
    const bool full = splitline(buffer, g.r);
    SCOPED_TRACE(line);
    bool toolong;
    const Fields want = plainsplit(line, &toolong);
    ASSERT_EQ(full, toolong);
    ASSERT_EQ((Fields{g.r.snr, g.r.land, g.r.blz, g.r.konto, g.r.iban, g.r.bic}), want);
    ASSERT_EQ(std::string(g.guard, sizeof g.guard), std::string(sizeof g.guard, 'G'));
    char out[kResultLine];
    ASSERT_EQ(std::string(out, makeresult(out, g.r, "11")), plainresult(want, "11"));
  }
}

// The reader's own files: one of the lines() reads from a file of these bytes, and whether it
// ended in a read error.
struct Read {
  std::vector<std::string> lines;
  bool failed;
};

Read readall(DataLines& in) {
  Read got{{}, false};
  char buf[kLineBuf];
  std::size_t len;
  bool overlong;
  while (in.next(buf, sizeof buf, len, overlong)) got.lines.emplace_back(buf, len);
  got.failed = in.failed();
  return got;
}

Read readbytes(const std::string& bytes) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  DataLines in(f);
  Read got = readall(in);
  std::fclose(f);
  return got;
}

// The edges of the byte-order marks: a mark and nothing else, a file cut inside a character.
TEST(DataLines, MarksAndCutCharacters) {
  const struct {
    const char* why;
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"a UTF-8 mark alone", "\xef\xbb\xbf", {}},
      {"a UTF-16 mark alone: no line, not an empty one", "\xff\xfe", {}},
      {"a UTF-16 mark and a line end", std::string("\xff\xfe\n\0", 4), {""}},
      {"a UTF-16 file ending in half a character, which is dropped",
       std::string{'\xff', '\xfe', 'A', '\0', 'B'},
       {"A"}},
      {"the same behind a line end",
       std::string{'\xff', '\xfe', 'A', '\0', '\n', '\0', 'B'},
       {"A"}},
      {"two bytes of a UTF-8 mark are no mark", "\xef\xbb", {"\xef\xbb"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const Read got = readbytes(c.bytes);
    EXPECT_EQ(got.lines, c.lines);
    EXPECT_FALSE(got.failed);
  }
}

// The mark is looked for in the bytes read, never behind them: a file of the mark's first two
// bytes is a line of its own, whatever the reader's buffer held from before.
TEST(DataLines, LooksForTheMarkOnlyInWhatWasRead) {
  std::FILE* f = std::tmpfile();
  std::fwrite("\xef\xbb", 1, 2, f);
  std::rewind(f);
  // The reader in memory that holds the mark's third byte throughout.
  std::unique_ptr<unsigned char[]> room(new unsigned char[sizeof(DataLines)]);
  std::memset(room.get(), 0xbf, sizeof(DataLines));
  DataLines* in = new (room.get()) DataLines(f);
  const Read got = readall(*in);
  in->~DataLines();
  std::fclose(f);
  EXPECT_EQ(got.lines, std::vector<std::string>{"\xef\xbb"});
}

#ifndef _WIN32
// A read error is no end of file: the reader says so (the batch then reports it). A directory
// opens as a file on POSIX systems, and every read of it fails.
TEST(DataLines, AReadErrorIsReported) {
  TempDir dir;
  std::FILE* f = std::fopen(dir.path().c_str(), "rb");
  ASSERT_NE(f, nullptr);
  DataLines in(f);
  const Read got = readall(in);
  std::fclose(f);
  EXPECT_TRUE(got.lines.empty());
  EXPECT_TRUE(got.failed);
}
#endif

// The lines of a data file: CR, LF and CR LF each end one, the line end is no part of it, a
// byte-order mark at the start is none of the first line, and a line longer than a read is
// one line all the same. Random files of such lines, read in every block size, must give
// exactly their lines.
TEST(DataLines, EveryLineEndEndsALineAndNothingElse) {
  std::mt19937 rng(11);
  const char* const ends[] = {"\r", "\n", "\r\n"};
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::string> lines;
    std::string file = rng() % 4 == 0 ? "\xef\xbb\xbf" : "";
    const int n = 1 + static_cast<int>(rng() % 40);
    const char* last = "";
    for (int i = 0; i < n; ++i) {
      std::string line;
      switch (rng() % 6) {
        case 0: break;  // empty
        case 1: line = std::string(1200 + rng() % 3000, 'x'); break;
        default: line = std::to_string(i) + ";DE;" + std::string(rng() % 20, '7');
      }
      lines.push_back(line);
      file += line;
      // The last line may lack its end, unless it is empty (then there would be no line at
      // all). A CR and a LF behind it are one line end, so an empty
      // line behind a CR ends with CR itself.
      const char* end = ends[rng() % 3];
      if (line.empty() && last[0] == '\r' && last[1] == '\0') end = "\r";
      if (i + 1 < n || line.empty() || rng() % 2) file += end;
      last = end;
    }
    SCOPED_TRACE(trial);
    std::FILE* f = std::tmpfile();
    std::fwrite(file.data(), 1, file.size(), f);
    std::rewind(f);
    DataLines in(f);
    char buf[kLineBuf];
    std::size_t len;
    bool overlong;
    for (const std::string& want : lines) {
      ASSERT_TRUE(in.next(buf, sizeof buf, len, overlong));
      EXPECT_EQ(overlong, want.size() > static_cast<std::size_t>(kLineRead));
      EXPECT_EQ(std::string(buf, len), want.substr(0, kLineRead));
    }
    EXPECT_FALSE(in.next(buf, sizeof buf, len, overlong)) << "a line too many";
    std::fclose(f);
  }
  // A spreadsheet's "Unicode-Text" (UTF-16, low byte first, with its mark) reads as the same
  // lines, also where a character or a CR LF falls across two reads.
  {
    std::string plain;
    for (int i = 0; i < 4000; ++i) plain += std::to_string(i) + ";DE;37040044;532013000;;\r\n";
    plain += "\xe4;\r";
    std::string wide = "\xff\xfe";
    for (char c : plain) wide += std::string(1, c) + '\0';
    wide += "\x20\x20";  // a character Windows-1252 has no byte for
    std::FILE* f = std::tmpfile();
    std::fwrite(wide.data(), 1, wide.size(), f);
    std::rewind(f);
    DataLines in(f);
    char buf[kLineBuf];
    std::size_t len;
    bool overlong;
    for (int i = 0; i < 4000; ++i) {
      ASSERT_TRUE(in.next(buf, sizeof buf, len, overlong));
      ASSERT_EQ(std::string(buf, len), std::to_string(i) + ";DE;37040044;532013000;;");
    }
    ASSERT_TRUE(in.next(buf, sizeof buf, len, overlong));
    EXPECT_EQ(std::string(buf, len), "\xe4;");
    ASSERT_TRUE(in.next(buf, sizeof buf, len, overlong));
    EXPECT_EQ(std::string(buf, len), "?");
    EXPECT_FALSE(in.next(buf, sizeof buf, len, overlong));
    std::fclose(f);
  }
  // A CR LF split between two reads of the reader is still one line end.
  std::FILE* f = std::tmpfile();
  const std::string first((1 << 16) - 1, 'x');
  const std::string file = first + "\r\nnext\r\n";
  std::fwrite(file.data(), 1, file.size(), f);
  std::rewind(f);
  DataLines in(f);
  char buf[kLineBuf];
  std::size_t len;
  bool overlong;
  ASSERT_TRUE(in.next(buf, sizeof buf, len, overlong));
  EXPECT_TRUE(overlong);
  ASSERT_TRUE(in.next(buf, sizeof buf, len, overlong));
  EXPECT_EQ(std::string(buf, len), "next");
  EXPECT_FALSE(in.next(buf, sizeof buf, len, overlong));
  std::fclose(f);
}

}  // namespace
