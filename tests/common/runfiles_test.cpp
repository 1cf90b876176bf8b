#include "common/runfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/tempdir.h"

namespace {

namespace fs = std::filesystem;

TEST(RunFiles, EveryNameIsAnArgumentWithItsSuffix) {
  const RunFiles f = runfiles("k.csv", "p.xml");
  EXPECT_EQ(f.backup, "k.csv.old");
  EXPECT_EQ(f.fresh, "k.csv.tmp");
  EXPECT_EQ(f.staged, "k.csv.old.tmp");
  EXPECT_EQ(f.lock, "k.csv.lock");
  EXPECT_EQ(f.result, "k.csv.out");
  EXPECT_EQ(f.bicdir, "BIC.csv");
  EXPECT_EQ(f.intermediate, "p.xml.out");
  EXPECT_EQ(f.rewritten, "p.xml.out.xml");
  EXPECT_EQ(runfiles("k.csv").intermediate, "") << "a batch run has no payment files";
}

// An output that is another name of a file the run keeps would destroy it.
TEST(RunFiles, NoOutputIsAFileTheRunKeeps) {
  struct Row {
    const char* why;
    const char* data;
    const char* payment;
    Output out;
    bool clobbers;
  } const rows[] = {
      {"a data file named like the intermediate file", "p.xml.out", "p.xml", Output::Intermediate,
       true},
      {"a data file named like the rewritten file", "p.xml.out.xml", "p.xml", Output::Rewritten,
       true},
      {"a payment file named like the result file", "d.csv", "d.csv.out", Output::Result, true},
      {"the payment file as the data file", "p.xml", "p.xml", Output::Data, true},
      {"the payment file as the backup", "d.csv", "d.csv.old", Output::Backup, true},
      {"the payment file as the new data file", "d.csv", "d.csv.tmp", Output::Fresh, true},
      {"the usual names", "d.csv", "p.xml", Output::Result, false},
      {"the usual names, rewrite", "d.csv", "p.xml", Output::Rewritten, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    TempDir dir;
    for (const char* name : {"d.csv", "p.xml", "p.xml.out", "p.xml.out.xml", "d.csv.out",
                             "d.csv.old", "d.csv.tmp", "BIC.csv", "BIC.csv.out"}) {
      dir.write(name, name);
    }
    EXPECT_EQ(clobbers(runfiles(dir.file(r.data), dir.file(r.payment)), r.out), r.clobbers);
  }
  TempDir dir;
  dir.write("d.csv", "records");
  fs::create_hard_link(dir.file("d.csv"), dir.file("p.xml.out.xml"));
  EXPECT_TRUE(clobbers(runfiles(dir.file("d.csv"), dir.file("p.xml")), Output::Rewritten))
      << "another name of the data file";
  dir.write("BIC.csv", "directory");
  fs::create_hard_link(dir.file("BIC.csv"), dir.file("p.xml.out"));
  EXPECT_TRUE(clobbers(runfiles(dir.file("d.csv"), dir.file("p.xml")), Output::Intermediate))
      << "another name of the BIC directory";
}

}  // namespace
