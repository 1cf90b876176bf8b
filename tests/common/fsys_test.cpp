#include "common/fsys.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

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

namespace fs = std::filesystem;

// Outputs are made fresh: whatever stood at the name is gone, nothing is written through it.
TEST(Createfresh, NeverWritesThroughWhatStoodThere) {
  struct Row {
    const char* reason;
    int planted;  // 0 nothing, 1 a file, 2 a link to another file, 3 a dangling link, 4 a dir
    bool ok;
  };
  const Row rows[] = {
      {"a new name", 0, true},
      {"a file of that name is replaced, not truncated", 1, true},
      {"a planted link is removed, its target untouched", 2, true},
      {"a dangling link is removed, nothing created at its target", 3, true},
      {"a directory stays and the file cannot be made", 4, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
#ifdef _WIN32
    if (r.planted == 2 || r.planted == 3) continue;  // symbolic links need extra rights
#endif
    TempDir dir;
    const std::string out = dir.file("d.csv.out");
    dir.write("precious", "keep me\r\n");
    switch (r.planted) {
      case 1: dir.write("d.csv.out", "old result\r\n"); fs::create_hard_link(out, dir.file("twin")); break;
      case 2: fs::create_symlink(dir.file("precious"), out); break;
      case 3: fs::create_symlink(dir.file("nowhere"), out); break;
      case 4: fs::create_directory(out); break;
    }
    File f = createfresh(out, kNoMode);
    ASSERT_EQ(static_cast<bool>(f), r.ok);
    if (f) {
      std::fputs("new\r\n", f.get());
      ASSERT_TRUE(closefile(f));
      EXPECT_FALSE(fs::is_symlink(out));
      EXPECT_EQ(dir.read("d.csv.out"), "new\r\n");
    }
    EXPECT_EQ(dir.read("precious"), "keep me\r\n");
    EXPECT_FALSE(dir.exists("nowhere"));
    if (r.planted == 1) {
      EXPECT_EQ(dir.read("twin"), "old result\r\n") << "another name of the old file";
    }
  }
}

#ifndef _WIN32
// The files made from the user's files are never more widely readable than them.
TEST(Createfresh, TakesThePermissionBitsItIsGiven) {
  const mode_t mask = ::umask(022);
  struct Row {
    const char* reason;
    int mode;
    bool exact;
    int want;
  } const rows[] = {
      {"private source, private output", 0600, false, 0600},
      {"group-readable source", 0640, false, 0640},
      {"the creation mask still applies", 0666, false, 0644},
      {"execute bits are not passed on", 0755, false, 0644},
      {"exact: the old data file's bits as they were", 0664, true, 0664},
      {"no source: the default", kNoMode, false, 0644},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    TempDir dir;
    File f = createfresh(dir.file("x"), r.mode, r.exact);
    ASSERT_TRUE(f);
    ASSERT_TRUE(closefile(f));
    EXPECT_EQ(filemode(dir.file("x")), r.want);
  }
  ::umask(mask);
}
#endif

TEST(Linkfile, GivesASecondNameOnly) {
  TempDir dir;
  dir.write("a", "data\r\n");
  EXPECT_TRUE(linkfile(dir.file("a").c_str(), dir.file("b").c_str()));
  EXPECT_EQ(dir.read("b"), "data\r\n");
  EXPECT_TRUE(fs::equivalent(dir.file("a"), dir.file("b")));
  dir.write("c", "other\r\n");
  EXPECT_FALSE(linkfile(dir.file("a").c_str(), dir.file("c").c_str())) << "never replaces";
  EXPECT_EQ(dir.read("c"), "other\r\n");
}

// One holder at a time; the lock file goes with its holder.
TEST(RunLock, OneHolderAtATime) {
  TempDir dir;
  const std::string data = dir.file("d.csv"), lockpath = dir.file("d.csv.lock");
  dir.write("d.csv", "1;AT\r\n");
  {
    RunLock first;
    ASSERT_EQ(first.take(lockpath, data), RunLock::Take::Held);
    RunLock second;
    EXPECT_EQ(second.take(lockpath, data), RunLock::Take::Busy);
    RunLock other;
    EXPECT_EQ(other.take(dir.file("e.csv.lock"), dir.file("e.csv")), RunLock::Take::Held)
        << "another data file is free";
  }
  EXPECT_FALSE(dir.exists("d.csv.lock"));
  EXPECT_FALSE(dir.exists("e.csv.lock"));
  RunLock again;
  EXPECT_EQ(again.take(lockpath, data), RunLock::Take::Held);
#ifndef _WIN32
  // A lock file left by a run that died (no holder) is taken over.
  again.release();
  dir.write("d.csv.lock", "");
  EXPECT_EQ(again.take(lockpath, data), RunLock::Take::Held);
  again.release();
  EXPECT_FALSE(dir.exists("d.csv.lock"));
  // A link planted at the lock file's name is not followed.
  fs::create_symlink(dir.file("precious"), lockpath);
  dir.write("precious", "keep\r\n");
  EXPECT_EQ(again.take(lockpath, data), RunLock::Take::Held);
  EXPECT_EQ(dir.read("precious"), "keep\r\n");
#endif
}
