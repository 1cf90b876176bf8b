#include "iso20022/rewrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/runfiles.h"
#include "iso20022/harvest.h"
#include "support/scanrun.h"
#include "support/tempdir.h"

namespace {

const std::string kPay =
    "<Doc><DbtrAcct><Id><IBAN>OLD1</IBAN></Id></DbtrAcct>"
    "<CdtrAgt><FinInstnId><BIC>OLD2</BIC></FinInstnId></CdtrAgt>"
    "<CdtrAcct><Id><IBAN>OLD3</IBAN></Id></CdtrAcct></Doc>\r\n";
const std::string kLines =
    "\"0\";\"AT\";\"19043\";\"00234573201\";\"AT611904300234573201\";\"BKAUATWWXXX\";\"10\"\r\n"
    "\"0\";\"DE\";\"37040044\";\"0532013000\";\"DE89370400440532013000\";\"\";\"00\"\r\n";

// What a harvest of the payment file dir holds as p.xml would have reported.
HarvestReport harvested(const TempDir& dir) {
  HarvestReport c;
  if (!dir.exists("p.xml")) return c;
  const std::string xml = dir.read("p.xml");
  for (const ScanRec& r : harvestscan(xml)) ++(r.pass == 'C' ? c.creditor : c.debtor);
  NoRecords none;
  harvestnote(c.creditorend, kCreditorHarvest, xml.data(), xml.size(), none, c.creditorstretches);
  return c;
}

struct Step {
  RewriteResult result;
  std::string failed;
};

Step run(const TempDir& dir, const char* mode) {
  Step s{RewriteResult::Done, ""};
  RewriteReport report;
  s.result = rewrite(runfiles(dir.file("a.csv"), dir.file("p.xml")), mode, harvested(dir), report,
                     s.failed);
  return s;
}

TEST(Rewrite, WritesTheRewrittenFileAndRemovesTheIntermediate) {
  TempDir dir;
  dir.write("a.csv.out", kLines);
  dir.write("p.xml", kPay);
  Step s = run(dir, "5");
  ASSERT_EQ(s.result, RewriteResult::Done);
  // The debtor account has no agent, so the harvest wrote no record for it: it stays.
  EXPECT_EQ(dir.read("p.xml.out.xml"),
            "<Doc><DbtrAcct><Id><IBAN>OLD1</IBAN></Id></DbtrAcct>"
            "<CdtrAgt><FinInstnId><BIC>BKAUATWWXXX</BIC></FinInstnId></CdtrAgt>"
            "<CdtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id></CdtrAcct></Doc>\r\n");
  EXPECT_FALSE(dir.exists("p.xml.out"));
  EXPECT_EQ(dir.read("p.xml"), kPay);
}

// No pass runs; both outputs are still created and the intermediate one removed.
TEST(Rewrite, NoPassLeavesAnEmptyRewrittenFile) {
  struct Case {
    const char* why;
    const char* mode;
    bool pay;
  } const cases[] = {
      {"mode 0", "0", true},
      {"negative mode", "-3", true},
      {"mode without digits", "abc", true},
      {"payment file missing", "5", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    dir.write("a.csv.out", kLines);
    if (c.pay) dir.write("p.xml", kPay);
    dir.write("p.xml.out.xml", "stale");
    EXPECT_EQ(run(dir, c.mode).result, RewriteResult::Done);
    EXPECT_TRUE(dir.exists("p.xml.out.xml"));
    EXPECT_EQ(dir.read("p.xml.out.xml"), "");
    EXPECT_FALSE(dir.exists("p.xml.out"));
  }
}

// Internal errors leave the intermediate file and whatever the failing pass wrote.
TEST(Rewrite, InternalErrorsLeaveTheIntermediateFile) {
  TempDir dir;
  dir.write("a.csv.out", "");
  dir.write("p.xml", kPay);
  EXPECT_EQ(run(dir, "5").result, RewriteResult::NoLine);
  EXPECT_EQ(dir.read("p.xml.out"),
            "<Doc><DbtrAcct><Id><IBAN>OLD1</IBAN></Id></DbtrAcct><CdtrAgt><FinInstnId>");
  EXPECT_FALSE(dir.exists("p.xml.out.xml"));

  // A debtor pair whose line is a user's record.
  const std::string pay2 =
      "<Doc><DbtrAcct><Id><IBAN>OLD1</IBAN></Id></DbtrAcct><DbtrAgt></DbtrAgt>"
      "<CdtrAgt><FinInstnId><BIC>OLD2</BIC></FinInstnId></CdtrAgt>"
      "<CdtrAcct><Id><IBAN>OLD3</IBAN></Id></CdtrAcct></Doc>\r\n";
  TempDir dir2;
  dir2.write("a.csv.out", "\"0\";\"AT\"\r\n\"5\";\"AT\"\r\n");
  dir2.write("p.xml", pay2);
  EXPECT_EQ(run(dir2, "5").result, RewriteResult::NotHarvested);
  EXPECT_EQ(dir2.read("p.xml.out"), pay2);
  EXPECT_EQ(dir2.read("p.xml.out.xml"), "<Doc><DbtrAcct><Id>");
}

// The last line of defence: a pass that meets other record points than the harvest wrote
// records for would give its lines to other pairs. It stops, and nothing rewritten is left.
TEST(Rewrite, APassOffTheHarvestLeavesNothing) {
  struct Case {
    const char* why;
    std::uint64_t creditor, debtor;
    const char* pay;  // the payment file as the rewrite finds it, if other than harvested
  } const cases[] = {
      {"a creditor record more than the file has", 2, 0, nullptr},
      {"a creditor record fewer", 0, 0, nullptr},
      {"a debtor record the file does not have", 1, 1, nullptr},
      {"the payment file changed after the harvest", 1, 0,
       "<Doc><CdtrAgt><FinInstnId><BIC>OLD2</BIC></FinInstnId></CdtrAgt></Doc>"
       "<CdtTrfTxInf></CdtTrfTxInf><CdtrAcct><Id><IBAN>OLD3</IBAN></Id></CdtrAcct></Doc>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    dir.write("a.csv.out", kLines);
    dir.write("p.xml", kPay);
    HarvestReport h = harvested(dir);
    h.creditor = c.creditor;
    h.debtor = c.debtor;
    if (c.pay) dir.write("p.xml", c.pay);
    std::string failed;
    RewriteReport report;
    EXPECT_EQ(rewrite(runfiles(dir.file("a.csv"), dir.file("p.xml")), "5", h, report, failed),
              RewriteResult::Mismatch);
    EXPECT_FALSE(dir.exists("p.xml.out"));
    EXPECT_FALSE(dir.exists("p.xml.out.xml"));
  }
}

TEST(Rewrite, FileFailuresNameTheFile) {
  struct Case {
    const char* why;
    const char* inway;  ///< a directory of this name is in the way
    bool results;       ///< the result file exists
    const char* failed;
  } const cases[] = {
      {"no result file", nullptr, false, "a.csv.out"},
      {"intermediate file cannot be created", "p.xml.out", true, "p.xml.out"},
      {"rewritten file cannot be created", "p.xml.out.xml", true, "p.xml.out.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    if (c.results) dir.write("a.csv.out", kLines);
    dir.write("p.xml", kPay);
    if (c.inway) std::filesystem::create_directory(dir.file(c.inway));
    Step s = run(dir, "5");
    EXPECT_EQ(s.result, RewriteResult::IoFailed);
    EXPECT_EQ(s.failed, dir.file(c.failed));
    // Nothing of the step is left but what was in the way.
    for (const char* f : {"p.xml.out", "p.xml.out.xml"}) {
      if (!c.inway || std::string(f) != c.inway) {
        EXPECT_FALSE(dir.exists(f)) << f;
      }
    }
  }
}

// The step's outputs are never one of the user's files under another name: such an output
// counts as one that cannot be created, and nothing is written or removed.
TEST(Rewrite, OutputsNeverReplaceTheUsersFiles) {
  struct Case {
    const char* why;
    const char* data;    ///< name of the data file (its result file is this + ".out")
    bool pay;            ///< the payment file p.xml exists
    const char* link;    ///< a hard link of this name ...
    const char* target;  ///< ... to this file
    const char* mode;
    const char* failed;
    const char* kept;  ///< the user's file that must stay as it was
  } const cases[] = {
      {"data file named as the intermediate file", "p.xml.out", true, nullptr, nullptr, "5",
       "p.xml.out", "p.xml.out"},
      {"and no payment file: the harvest made no backup", "p.xml.out", false, nullptr, nullptr, "5",
       "p.xml.out", "p.xml.out"},
      {"and mode 0, which still creates the intermediate file", "p.xml.out", true, nullptr, nullptr,
       "0", "p.xml.out", "p.xml.out"},
      {"data file named as the rewritten file", "p.xml.out.xml", true, nullptr, nullptr, "5",
       "p.xml.out.xml", "p.xml.out.xml"},
      {"intermediate name links to the payment file", "a.csv", true, "p.xml.out", "p.xml", "5",
       "p.xml.out", "p.xml"},
      {"rewritten name links to the backup", "a.csv", true, "p.xml.out.xml", "a.csv.old", "5",
       "p.xml.out.xml", "a.csv.old"},
      {"rewritten name links to the BIC directory", "a.csv", true, "p.xml.out.xml", "BIC.csv", "5",
       "p.xml.out.xml", "BIC.csv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    const std::string data = c.data;
    dir.write(data, "1;DE;37040044;532013000;;\r\n");
    dir.write(data + ".out", kLines);
    dir.write("a.csv.old", "old records\r\n");
    dir.write("BIC.csv", "\"AT\";\"19043\";\"BKAUATWWXXX\"\r\n");
    if (c.pay) dir.write("p.xml", kPay);
    if (c.link) std::filesystem::create_hard_link(dir.file(c.target), dir.file(c.link));
    const std::string before = dir.read(c.kept);
    std::string failed;
    RewriteReport report;
    EXPECT_EQ(rewrite(runfiles(dir.file(data), dir.file("p.xml")), c.mode, harvested(dir), report,
                      failed),
              RewriteResult::IoFailed);
    EXPECT_EQ(failed, dir.file(c.failed));
    EXPECT_EQ(dir.read(c.kept), before);
    EXPECT_TRUE(dir.exists(c.kept));
    if (c.pay) {
      EXPECT_EQ(dir.read("p.xml"), kPay);
    }
  }
}

}  // namespace
