#include "driver/platform.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/tempdir.h"

// The harvest keeps the user's previous data file by moving it over the backup of an earlier
// run. rename() on Windows refuses an existing target, so replacing is the case that matters.
TEST(Replacefile, MovesAndReplacesOrLeavesBothAlone) {
  struct Row {
    const char* reason;
    const char* from;  // content of the source, nullptr: no such file
    const char* to;    // content of the target, nullptr: no such file
    bool ok;
    const char* after;  // content of the target afterwards
  };
  const Row rows[] = {
      {"a backup from an earlier run is replaced", "new\r\n", "old\r\n", true, "new\r\n"},
      {"no backup yet: a plain move", "new\r\n", nullptr, true, "new\r\n"},
      {"an empty data file moves too", "", "old\r\n", true, ""},
      {"nothing to move: the old backup stays", nullptr, "old\r\n", false, "old\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    TempDir dir;
    if (r.from) dir.write("data.csv", r.from);
    if (r.to) dir.write("data.csv.old", r.to);
    EXPECT_EQ(replacefile(dir.file("data.csv").c_str(), dir.file("data.csv.old").c_str()), r.ok);
    EXPECT_FALSE(dir.exists("data.csv"));
    EXPECT_EQ(dir.read("data.csv.old"), r.after);
  }
}

// velmora-bic writes its texts to the console: on Windows the bytes as they are (the console
// is switched to their code page), elsewhere in UTF-8 with plain line ends.
TEST(Consoletext, WritesTheTextAsThisPlatformShowsIt) {
  TempDir dir;
  std::FILE* f = std::fopen(dir.file("console.txt").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  consoletext(f, "Satz k\xfcrzer als 168 Zeichen\r\nunver\xe4ndert: M\xc3\xa4rz.csv\r\n");
  std::fclose(f);
#ifdef _WIN32
  EXPECT_EQ(dir.read("console.txt"),
            "Satz k\xfcrzer als 168 Zeichen\r\nunver\xe4ndert: M\xc3\xa4rz.csv\r\n");
#else
  EXPECT_EQ(dir.read("console.txt"),
            "Satz k\xc3\xbcrzer als 168 Zeichen\nunver\xc3\xa4ndert: M\xc3\xa4rz.csv\n");
#endif
}
