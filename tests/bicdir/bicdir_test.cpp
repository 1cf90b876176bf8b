#include "bicdir/bicdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "bicdir/bicindex.h"
#include "common/textbuf.h"
#include "support/bicref.h"
#include "support/filelimit.h"
#include "support/tempdir.h"


namespace fs = std::filesystem;

namespace {

TEST(Bicpath, KeepsTheDirectoryUpToTheLastSeparator) {
  // The first rows are written with "/" and run with the platform's separator.
  auto sep = [](std::string s) {
#ifdef _WIN32
    std::replace(s.begin(), s.end(), '/', '\\');
#endif
    return s;
  };
  const std::string deep = sep("/" + std::string(600, 'd') + "/x/");
  const struct {
    const char* why;
    std::string verz, want;
  } cases[] = {
      {"absolute path", sep("/home/u/konten.csv"), sep("/home/u/BIC.csv")},
      {"relative path", sep("daten/konten.csv"), sep("daten/BIC.csv")},
      {"no directory part: the current directory", "konten.csv", "BIC.csv"},
      {"empty path", "", "BIC.csv"},
      {"path ending in a separator", sep("daten/"), sep("daten/BIC.csv")},
      {"no length limit", deep + "konten.csv", deep + "BIC.csv"},
#ifdef _WIN32
      {"the last of \"\\\" and \"/\" counts, here \"/\"", "C:\\a/b\\c/d.csv", "C:\\a/b\\c/BIC.csv"},
      {"the last of \"\\\" and \"/\" counts, here \"\\\"", "C:/a\\b/c\\d.csv", "C:/a\\b/c\\BIC.csv"},
      {"relative path with \"/\"", "sub/konten.csv", "sub/BIC.csv"},
      {"absolute path with \"/\" and a drive", "C:/daten/konten.csv", "C:/daten/BIC.csv"},
      {"UNC path with \"/\"", "//server/share/konten.csv", "//server/share/BIC.csv"},
      {"a bare drive prefix keeps its drive", "C:konten.csv", "C:BIC.csv"},
      {"a bare drive prefix, lower case", "d:konten.csv", "d:BIC.csv"},
      {"a drive prefix alone", "C:", "C:BIC.csv"},
      {"a drive prefix before a folder", "C:daten\\konten.csv", "C:daten\\BIC.csv"},
      {"a colon after a digit is no drive", "1:konten.csv", "BIC.csv"},
      {"a colon further in is no drive", "konten:x.csv", "BIC.csv"},
      {"a colon after \"@\", the byte before \"A\", is no drive", "@:konten.csv", "BIC.csv"},
#else
      {"a drive prefix means nothing here", "C:konten.csv", "BIC.csv"},
      {"only the slash counts", "a\\b/c\\d.csv", "a\\b/BIC.csv"},
      {"a backslash alone is no separator", "a\\konten.csv", "BIC.csv"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(bicpath(c.verz.c_str()), c.want);
  }
}

TEST(Getbic, ReadsLinesTheLenientWay) {
  const std::string x99(99, 'x'), b90(90, '9'), b96(96, '6');
  const struct {
    const char* why;
    std::string file, land, blz;
    Lookup want;
  } cases[] = {
      {"written form, 11-character BIC",
       "\"DE\";\"37040044\";\"COBADEFFXXX\"\r\n",
       "DE",
       "37040044",
       {1, "COBADEFFXXX"}},
      {"commas, no quotes, 8-character BIC",
       "DE,37040044,COBADEFF\r\n",
       "DE",
       "37040044",
       {1, "COBADEFF"}},
      {"semicolons without quotes, LF only", "AT;19043;BKAUATWW\n", "AT", "19043", {1, "BKAUATWW"}},
      {"the last of two matching lines wins",
       "DE;1;FIRSTBIC\r\nDE;1;LASTBIC\r\n",
       "DE",
       "1",
       {1, "LASTBIC"}},
      {"a later line of another pair changes nothing",
       "DE;1;AAAA\r\nDE;2;BBBB\r\n",
       "DE",
       "1",
       {1, "AAAA"}},
      {"the country is compared case-sensitively", "\"de\";\"1\";\"X\"\r\n", "DE", "1", {0, ""}},
      {"one leading zero more does not match", "DE;01;X\r\n", "DE", "1", {0, ""}},
      {"one leading zero less does not match", "DE;1;X\r\n", "DE", "01", {0, ""}},
      {"blanks are part of a field", "DE; 1;X\r\n", "DE", "1", {0, ""}},
      {"a longer quoted BIC and its quote fill 15",
       "\"DE\";\"1\";\"ABCDEFGHIJKLMNOPQRS\"\r\n",
       "DE",
       "1",
       {1, "ABCDEFGHIJKLMN"}},
      {"a longer bare BIC keeps 15",
       "DE;1;ABCDEFGHIJKLMNOPQRS\r\n",
       "DE",
       "1",
       {1, "ABCDEFGHIJKLMNO"}},
      {"quotes count towards the 15",
       "DE;1;\"A\"B\"C\"D\"E\"F\"G\"H\"I\r\n",
       "DE",
       "1",
       {1, "ABCDEFG"}},
      {"further fields behind the BIC",
       "\"DE\";\"1\";\"ABCDEFGH\";\"x\";\"y\"\r\n",
       "DE",
       "1",
       {1, "ABCDEFGH"}},
      {"a comma ends the BIC too", "DE;1;ABC,DEF\r\n", "DE", "1", {1, "ABC"}},
      {"a CR alone ends the BIC", "DE;1;ABC\rDEF\n", "DE", "1", {1, "ABC"}},
      {"an empty BIC field is found", "\"DE\";\"1\";\"\"\r\n", "DE", "1", {1, ""}},
      {"quotes anywhere in the fields vanish", "D\"E;\"1\"2;X\r\n", "DE", "12", {1, "X"}},
      {"two fields with a line end: the CR LF is part of field 2", "DE;1\r\n", "DE", "1", {0, ""}},
      {"two fields as the last line without line end: empty BIC",
       "AT;2;X\r\nDE;1",
       "DE",
       "1",
       {1, ""}},
      {"a field 1 without separator has no field 2", "DE", "DE", "", {0, ""}},
      {"empty country and bank code are a pair like any other", ";;X\r\n", "", "", {1, "X"}},
      {"a line over 99 bytes: its tail is a line of its own",
       x99 + "DE;1;TAILBIC\r\n",
       "DE",
       "1",
       {1, "TAILBIC"}},
      {"the tail starts at byte 100, not at the entry",
       x99 + "x" + "DE;1;X\r\n",
       "DE",
       "1",
       {0, ""}},
      {"field 2 running to the 99-byte cut matches with an empty BIC",
       "DE;" + b96 + "more\r\n",
       "DE",
       b96,
       {1, ""}},
      {"the 99-byte cut ends the BIC", "DE;" + b90 + ";ABCDEFGH\r\n", "DE", b90, {1, "ABCDE"}},
      {"a NUL ends the text of its piece",
       std::string("DE;1;AB\0CD\r\n", 12),
       "DE",
       "1",
       {1, "AB"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir t;
    t.write("BIC.csv", c.file);
    const std::string verz = t.file("konten.csv");
    EXPECT_EQ(lookup(c.land, c.blz, verz), c.want);
    BicIndex index;
    ASSERT_TRUE(index.load(verz.c_str()));
    char bic[kFieldSize] = "left over";
    Lookup got{index.get(c.land.c_str(), c.blz.c_str(), bic), bic};
    EXPECT_EQ(got, c.want) << "from the index";
  }
}

// putbic and BicIndex::put have the same contract; every test below runs against both.
using PutFn = int (*)(const std::string& verz, const char* land, const char* blz, const char* bic);
int viaputbic(const std::string& verz, const char* land, const char* blz, const char* bic) {
  return putbic(land, blz, bic, verz.c_str());
}
int viaindex(const std::string& verz, const char* land, const char* blz, const char* bic) {
  BicIndex index;
  index.load(verz.c_str());
  return index.put(land, blz, bic);
}

// add, with its line written by the commit that follows.
int viaadd(const std::string& verz, const char* land, const char* blz, const char* bic) {
  BicIndex index;
  index.load(verz.c_str());
  const int r = index.add(land, blz, bic);
  std::size_t added;
  return index.commit(added) ? r : 0;
}

struct Putter {
  const char* name;
  PutFn fn;
};
std::ostream& operator<<(std::ostream& os, const Putter& p) {
  return os << p.name;
}

class Put : public ::testing::TestWithParam<Putter> {
 protected:
  int put(const std::string& verz, const char* land, const char* blz, const char* bic) {
    return GetParam().fn(verz, land, blz, bic);
  }
};
INSTANTIATE_TEST_SUITE_P(Bicdir, Put,
                         ::testing::Values(Putter{"putbic", &viaputbic},
                                           Putter{"index", &viaindex},
                                           Putter{"held", &viaadd}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(Put, CreatesTheFileAndKeepsTheFirstBic) {
  TempDir t;
  const std::string verz = t.file("konten.csv");
  EXPECT_EQ(lookup("DE", "37040044", verz), (Lookup{0, ""}));
  EXPECT_EQ(put(verz, "DE", "37040044", "COBADEFFXXX"), 1);
  EXPECT_EQ(t.read("BIC.csv"), "\"DE\";\"37040044\";\"COBADEFFXXX\"\r\n");
  EXPECT_EQ(put(verz, "DE", "37040044", "OTHERBIC"), 1);
  EXPECT_EQ(put(verz, "AT", "19043", "BKAUATWW"), 1);
  EXPECT_EQ(t.read("BIC.csv"),
            "\"DE\";\"37040044\";\"COBADEFFXXX\"\r\n\"AT\";\"19043\";\"BKAUATWW\"\r\n");
  EXPECT_EQ(lookup("DE", "37040044", verz), (Lookup{1, "COBADEFFXXX"}));
}

TEST_P(Put, AddsOnlyPairsTheFileDoesNotHold) {
  const struct {
    const char* why;
    std::string file;
    int want;
    std::string after;
  } cases[] = {
      {"a comma line holds the pair", "DE,1,OLD\n", 1, "DE,1,OLD\n"},
      {"the first of two lines stays, the file unchanged", "DE;1;A\r\nDE;1;B\r\n", 1,
       "DE;1;A\r\nDE;1;B\r\n"},
      {"an empty BIC field holds the pair", "DE;1;\r\n", 1, "DE;1;\r\n"},
      {"a two-field line with line end does not hold it", "DE;1\r\n", 1,
       "DE;1\r\n\"DE\";\"1\";\"NEWBIC\"\r\n"},
      {"lower case is another country", "de;1;X\r\n", 1, "de;1;X\r\n\"DE\";\"1\";\"NEWBIC\"\r\n"},
      // Appended straight on, the new line would run on in the old one: both entries lost.
      {"a last line without line end is ended first", "\"AT\";\"2\";\"X\"", 1,
       "\"AT\";\"2\";\"X\"\r\n\"DE\";\"1\";\"NEWBIC\"\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir t;
    t.write("BIC.csv", c.file);
    const std::string verz = t.file("konten.csv");
    EXPECT_EQ(put(verz, "DE", "1", "NEWBIC"), c.want);
    EXPECT_EQ(t.read("BIC.csv"), c.after);
  }
}

TEST_P(Put, RefusesALineThatWouldNotReadBack) {
  const std::string bic79(79, 'B'), bic80(80, 'B');
  const struct {
    const char* why;
    std::string land, blz, bic;
    int want;
  } cases[] = {
      {"a separator in the bank code", "DE", "1;2", "X", 0},
      {"a comma in the country", "D,E", "1", "X", 0},
      {"a quote in the bank code", "DE", "1\"2", "X", 0},
      {"a LF in the BIC would start another line", "DE", "1", "X\nAT;2;Y", 0},
      {"a line of 100 bytes is read in two pieces", "DE", "12345678", bic80, 0},
      {"a line of 99 bytes is one piece", "DE", "12345678", bic79, 1},
      {"a long BIC is kept: the lookup cuts it", "DE", "1", "ABCDEFGHIJKLMNOPQRS", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir t;
    t.write("BIC.csv", "AT;1;Y\r\n");
    const std::string verz = t.file("konten.csv");
    EXPECT_EQ(put(verz, c.land.c_str(), c.blz.c_str(), c.bic.c_str()), c.want);
    if (c.want == 0) {
      EXPECT_EQ(t.read("BIC.csv"), "AT;1;Y\r\n");
    }
    EXPECT_EQ(lookup(c.land, c.blz, verz).found, c.want);
  }
}

TEST_P(Put, GivesZeroWhenTheFileCannotBeWritten) {
  TempDir t;
  fs::create_directory(t.file("BIC.csv"));
  EXPECT_EQ(put(t.file("konten.csv"), "DE", "1", "X"), 0) << "BIC.csv is a directory";
  EXPECT_EQ(lookup("DE", "1", t.file("konten.csv")), (Lookup{0, ""}));
  EXPECT_EQ(put(t.file("nowhere/konten.csv"), "DE", "1", "X"), 0) << "no such directory";
}

#ifndef _WIN32
// A write cut short (here by the file size limit, as by a full disk) is taken back whole.
TEST_P(Put, AFailedWriteLeavesNoHalfLine) {
  TempDir t;
  const std::string before = "\"AT\";\"1\";\"X\"\r\n";
  t.write("BIC.csv", before);
  int got;
  {
    FileSizeLimit limit(before.size() + 5);
    ASSERT_TRUE(limit.ok());
    got = put(t.file("konten.csv"), "DE", "37040044", "COBADEFFXXX");
  }
  EXPECT_EQ(got, 0);
  EXPECT_EQ(t.read("BIC.csv"), before);
}
#endif

TEST_P(Put, FindsItsFileBehindAPathOfAnyLength) {
  TempDir t;
  fs::path dir = t.path();
  for (int i = 0; i < 12; ++i) dir /= std::string(50, static_cast<char>('a' + i));
  fs::create_directories(dir);
  const std::string verz = (dir / "konten.csv").string();
  EXPECT_EQ(put(verz, "DE", "1", "LONGPATH"), 1);
  EXPECT_EQ(readfile((dir / "BIC.csv").string()), "\"DE\";\"1\";\"LONGPATH\"\r\n");
  EXPECT_EQ(lookup("DE", "1", verz), (Lookup{1, "LONGPATH"}));
}

TEST_P(Put, UsesTheCurrentDirectoryForAPathWithoutDirectory) {
  TempDir t;
  const fs::path was = fs::current_path();
  fs::current_path(t.path());
  int got = put("konten.csv", "DE", "1", "HERE");
  Lookup found = lookup("DE", "1", "konten.csv");
  fs::current_path(was);
  EXPECT_EQ(got, 1);
  EXPECT_EQ(found, (Lookup{1, "HERE"}));
  EXPECT_EQ(t.read("BIC.csv"), "\"DE\";\"1\";\"HERE\"\r\n");
}

}  // namespace
