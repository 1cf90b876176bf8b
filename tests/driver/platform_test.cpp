#include "common/fsys.h"

#include <gtest/gtest.h>

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
