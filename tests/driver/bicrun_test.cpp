#include "driver/bicrun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bicdir/bicdir.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "driver/bicmessages.h"
#include "driver/platform.h"
#include "driver/run.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;

namespace {

struct Ran {
  int status;
  std::string out, err;
};

// Runs velmora-bic (or velmora) with args as its arguments, catching what it prints.
Ran launch(int (*program)(int, char**), std::vector<std::string> args) {
  args.insert(args.begin(), "velmora-bic");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int status = program(static_cast<int>(args.size()), argv.data());
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {status, out, err};
}
Ran bic(std::vector<std::string> args) {
  return launch(&bicrun, std::move(args));
}

// A Windows-1252 text as the console gets it on this platform, and as it is caught here.
std::string shown(const std::string& text) {
#ifdef _WIN32
  // The bytes as they are; GoogleTest reads what it caught in text mode, which takes the CR
  // of each CR LF away (the end-to-end cases see the CR LF).
  std::string caught;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') caught += text[i];
  }
  return caught;
#else
  return utf8text(text.c_str());
#endif
}

std::string excerpt() {
  return readfile(VELMORA_TESTDATA "/blz-2012-09-03-excerpt.txt");
}

// The excerpt with line n (from 1) replaced.
std::string withline(std::size_t n, const std::string& line) {
  std::string text = excerpt();
  const std::size_t at = (n - 1) * 170;
  return text.replace(at, 168, line);
}

std::string resaved(const std::string& latin1) {
  std::string utf8;
  for (unsigned char c : latin1) {
    if (c >= 0x80) utf8 += static_cast<char>(0xC0 | (c >> 6));
    utf8 += static_cast<char>(c >= 0x80 ? 0x80 | (c & 0x3F) : c);
  }
  return utf8;
}

// A directory whose last line lacks its line end: any append would change it visibly.
const char kBefore[] = "\"DE\";\"10000000\";\"OWNBICXX\"\r\n\"AT\";\"19043\";\"BKAUATWW\"";

TEST(Bicrun, BadInputLeavesTheDirectoryByteForByte) {
  const std::string first = excerpt().substr(0, 168);
  const struct {
    const char* why;
    const char* name;   // the bank code file's name in the folder
    std::string bytes;  // its content; empty with name "": no such file
    std::string message;
  } rows[] = {
      {"a record cut short on line 1157", "blz.txt", excerpt().substr(0, 1156 * 170 + 100),
       bankfault("blz.txt", BankFault::TooShort, 1157)},
      {"an empty line between records", "blz.txt", withline(4, ""),
       bankfault("blz.txt", BankFault::TooShort, 4)},
      {"a letter in a bank code", "blz.txt", withline(700, "1x" + first.substr(2)),
       bankfault("blz.txt", BankFault::BadBlz, 700)},
      {"a BIC of 9", "blz.txt",
       withline(2, first.substr(0, 139) + "MARKDEF11  " + first.substr(150)),
       bankfault("blz.txt", BankFault::BadBic, 2)},
      {"an unknown change code", "blz.txt",
       withline(3, first.substr(0, 158) + "X" + first.substr(159)),
       bankfault("blz.txt", BankFault::BadChange, 3)},
      {"re-saved as UTF-8", "blz.txt", resaved(excerpt()),
       bankfault("blz.txt", BankFault::BadBic, 9)},
      {"no such file", "", "", bankunreadable("blz.txt")},
      {"the bank code file is BIC.csv itself", "BIC.csv", excerpt(), bankisdirectory("BIC.csv")},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    TempDir t;
    const fs::path was = fs::current_path();
    fs::current_path(t.path());
    writefile("BIC.csv", kBefore);
    if (*r.name) writefile(r.name, r.bytes);
    const std::string before = readfile("BIC.csv");
    Ran got = bic({*r.name ? r.name : "blz.txt", "konten.csv"});
    const std::string after = readfile("BIC.csv");
    fs::current_path(was);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(got.err, shown(r.message));
    EXPECT_EQ(after, before);
  }
}

TEST(Bicrun, AnyOtherNumberOfArgumentsGivesTheUsage) {
  const std::vector<std::vector<std::string>> calls = {{}, {"blz.txt"}, {"a", "b", "c"}};
  for (const auto& args : calls) {
    SCOPED_TRACE(std::to_string(args.size()) + " arguments");
    TempDir t;
    const fs::path was = fs::current_path();
    fs::current_path(t.path());
    writefile("blz.txt", excerpt());
    Ran got = bic(args);
    const bool created = fs::exists("BIC.csv");
    fs::current_path(was);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(got.err, shown(kBicUsage));
    EXPECT_FALSE(created);
  }
}

// What the program is for: after it, velmora gives German records their BIC (code "10").
TEST(Bicrun, VelmoraFindsTheImportedBics) {
  TempDir t;
  t.write("blz.txt", excerpt());
  const std::string data = t.file("konten.csv"), bicfile = bicpath(data.c_str());
  Ran got = bic({t.file("blz.txt"), data});
  ASSERT_EQ(got.status, 0) << got.err;
  EXPECT_EQ(got.out,
            shown(bicsummary(bicfile, 310, 310, 0) + tablesummary(banktableof(data), 315, 12)));
  EXPECT_EQ(got.err, "");

  // The BICs alone: without the bank table no account number is judged.
  ASSERT_TRUE(removeentry(banktableof(data)));
  t.write("konten.csv",
          "1;DE;10000000;532013000;;\r\n"  // Bundesbank, main record with a BIC
          "2;DE;10010010;532013000;;\r\n"  // Postbank
          "3;DE;10020000;532013000;;\r\n"  // main record without a BIC
          "4;DE;15061758;532013000;;\r\n"  // marked deleted
          "5;DE;20010020;532013000;;\r\n");
  got = launch(&run, {data});
  ASSERT_EQ(got.status, 0);
  EXPECT_EQ(t.read("konten.csv.out"),
            "\"1\";\"DE\";\"10000000\";\"0532013000\";\"DE98100000000532013000\";\"MARKDEF1100\";"
            "\"10\"\r\n"
            "\"2\";\"DE\";\"10010010\";\"0532013000\";\"DE84100100100532013000\";\"PBNKDEFF100\";"
            "\"10\"\r\n"
            "\"3\";\"DE\";\"10020000\";\"0532013000\";\"DE49100200000532013000\";\"\";\"00\"\r\n"
            "\"4\";\"DE\";\"15061758\";\"0532013000\";\"DE52150617580532013000\";\"\";\"00\"\r\n"
            "\"5\";\"DE\";\"20010020\";\"0532013000\";\"DE87200100200532013000\";\"PBNKDEFF200\";"
            "\"10\"\r\n");
}

}  // namespace
