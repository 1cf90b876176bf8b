#include "iso20022/harvest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "batch/record.h"
#include "bicdir/bicindex.h"
#include "common/bytesink.h"
#include "common/files.h"
#include "common/runfiles.h"
#include "common/textbuf.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;

namespace {

HarvestFields fields(const char* iban, const char* konto, const char* bic, const char* blz,
                     const char* land) {
  HarvestFields f = {};
  std::strcpy(f.iban, iban);
  std::strcpy(f.konto, konto);
  std::strcpy(f.bic, bic);
  std::strcpy(f.blz, blz);
  std::strcpy(f.land, land);
  return f;
}

struct LineCase {
  const char* why;
  HarvestFields f;
  std::string line;
  std::string land;  // land afterwards
};

TEST(RecordStep, WritesTheFirstFormThatApplies) {
  TempDir dir;
  BicIndex bics;
  bics.load(dir.file("data.csv").c_str());
  const LineCase cases[] = {
      {"IBAN of more than 8 characters: country from the IBAN, not from land",
       fields("DE89370400440532013000", "", "", "", "AT"),
       "\"0\";\"DE\";\"\";\"\";\"DE89370400440532013000\";\r\n", "DE"},
      {"the IBAN form wins over bank code and account number",
       fields("NL02ABNA0123456789", "123", "", "00762", "NL"),
       "\"0\";\"NL\";\"\";\"\";\"NL02ABNA0123456789\";\r\n", "NL"},
      {"an IBAN of exactly 8 characters counts as none",
       fields("DE893704", "0532013000", "", "37040044", "DE"),
       "\"0\";\"DE\";\"37040044\";\"0532013000\";\"\";\r\n", "DE"},
      {"bank code and account number", fields("", "11623852957", "", "00762", "CH"),
       "\"0\";\"CH\";\"00762\";\"11623852957\";\"\";\r\n", "CH"},
      {"a bank code alone gives only the country", fields("", "", "", "00762", "CH"),
       "\"0\";\"CH\";\"\";\"\";\"\";\r\n", "CH"},
      {"an account number alone gives only the country", fields("", "123", "", "", "FR"),
       "\"0\";\"FR\";\"\";\"\";\"\";\r\n", "FR"},
      {"nothing read, no country", fields("", "", "COBADEFF", "", ""),
       "\"0\";\"\";\"\";\"\";\"\";\r\n", ""},
      {"texts are written as they stand", fields("", "1 2", "", "a;b", "\n "),
       "\"0\";\"\n \";\"a;b\";\"1 2\";\"\";\r\n", "\n "},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.why);
    HarvestFields f = c.f;
    char line[kDataLine];
    std::size_t n = recordstep(f, bics, line);
    EXPECT_EQ(std::string(line, n), c.line);
    EXPECT_EQ(std::string(f.land), c.land);
  }
}

TEST(RecordStep, CutsTheBankCodeOutOfTheIban) {
  TempDir dir;
  BicIndex bics;
  bics.load(dir.file("data.csv").c_str());
  struct Case {
    const char* why;
    const char* iban;
    const char* land;
    const char* blz;  // afterwards
  } cases[] = {
      {"known country: getblz cuts the bank code", "DE89370400440532013000", "DE", "37040044"},
      {"the country at the record point decides, not the IBAN's", "DE89370400440532013000", "AT",
       "37040"},
      {"unknown country: the copied text stays", "XX89370400440532013000", "XX",
       "370400440532013000"},
      {"at most 25 characters are copied", "XX8912345678901234567890123456789", "XX",
       "1234567890123456789012345"},
      {"an IBAN of 8 characters leaves the agent's bank code", "DE893704", "DE", "00762"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    HarvestFields f = fields(c.iban, "", "", "00762", c.land);
    char line[kDataLine];
    recordstep(f, bics, line);
    EXPECT_STREQ(f.blz, c.blz);
  }
}

TEST(RecordStep, EntersBicAndBankCodeIntoTheBicDirectory) {
  struct Case {
    const char* why;
    HarvestFields f;
    std::string bics;  // BIC.csv afterwards
  } cases[] = {
      {"bank code cut from the IBAN, under the IBAN's country",
       fields("DE89370400440532013000", "", "COBADEFFXXX", "", "DE"),
       "\"DE\";\"37040044\";\"COBADEFFXXX\"\r\n"},
      {"the country at the record point, even when the BIC's differs from the IBAN's",
       fields("DE89370400440532013000", "", "EXMPATWW", "", "AT"),
       "\"AT\";\"37040\";\"EXMPATWW\"\r\n"},
      {"the agent's bank code when there is no IBAN", fields("", "", "EXMPCHZZ", "00762", "CH"),
       "\"CH\";\"00762\";\"EXMPCHZZ\"\r\n"},
      {"a BIC without a bank code is not entered", fields("", "123", "COBADEFF", "", "DE"), ""},
      {"a bank code without a BIC is not entered", fields("", "", "", "00762", "CH"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    BicIndex bics;
    bics.load(dir.file("data.csv").c_str());
    HarvestFields f = c.f;
    char line[kDataLine];
    recordstep(f, bics, line);
    std::size_t added;
    ASSERT_TRUE(bics.commit(added));
    EXPECT_EQ(added, c.bics.empty() ? 0u : 1u);
    EXPECT_EQ(dir.read("BIC.csv"), c.bics);
  }
}

std::string merged(const std::string& backup) {
  TempDir dir;
  dir.write("old", backup);
  File from = openfile(dir.file("old"), "rb");
  File to = openfile(dir.file("new"), "wb");
  FileSink sink(to.get());
  EXPECT_TRUE(mergebackup(from.get(), sink));
  EXPECT_TRUE(sink.flush());
  EXPECT_TRUE(closefile(to));
  return dir.read("new");
}

TEST(Merge, DropsEarlierHarvestsAndCopiesEverythingElseByteForByte) {
  const std::string longuser = "7;AT;" + std::string(994, 'x') + "\"0\";tail\r\n";
  const std::string longharvest = "\"0\";" + std::string(1200, 'y') + "\r\n";
  struct Case {
    const char* why;
    std::string in, out;
  } cases[] = {
      {"harvested lines dropped, user lines kept in order",
       "\"0\";\"DE\";\"\";\"\";\"DE89\";\r\n1;AT;19043;234573201;;\r\n\"0\";\"\";\"\";\"\";\"\";"
       "\r\n2;x\r\n",
       "1;AT;19043;234573201;;\r\n2;x\r\n"},
      {"0 without quotes and \"01\" are user lines", "0;AT;1;2;;\r\n\"01\";AT\r\n\"0\r\n\"0\n",
       "0;AT;1;2;;\r\n\"01\";AT\r\n\"0\r\n\"0\n"},
      {"line ends kept: LF only, CR LF, lone CR inside a line", "a\nb\r\nc\rd\n", "a\nb\r\nc\rd\n"},
      {"a last line without line end stays without", "1;AT\r\n2;DE", "1;AT\r\n2;DE"},
      {"a harvested last line without line end is dropped", "1;AT\r\n\"0\";\"DE\"", "1;AT\r\n"},
      {"NUL bytes are data", std::string("1;A\0T\r\n\0;x\r\n", 12),
       std::string("1;A\0T\r\n\0;x\r\n", 12)},
      {"empty lines and lines shorter than three characters", "\r\n\n\"0\n\"\r\n",
       "\r\n\n\"0\n\"\r\n"},
      {"a piece inside a long user line that begins with \"0\" is kept", longuser, longuser},
      {"a long line beginning with \"0\" is dropped whole", longharvest + "1;AT\r\n", "1;AT\r\n"},
      {"an empty backup", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(merged(c.in), c.out);
  }
}

const char kPayment[] =
    "<?xml version=\"1.0\"?>\n<Document><PmtInf>"
    "<Dbtr><Ctry>AT</Ctry></Dbtr>"
    "<DbtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id></DbtrAcct>"
    "<DbtrAgt><FinInstnId><BIC>EXMPATWWXXX</BIC></FinInstnId></DbtrAgt>"
    "<CdtTrfTxInf><CdtrAgt><PrtryId><Id>00762</Id></PrtryId></CdtrAgt>"
    "<Cdtr><Ctry>CH</Ctry></Cdtr>"
    "<CdtrAcct><Id><PrtryAcct><Id>11623852957</Id></PrtryAcct></Id></CdtrAcct></CdtTrfTxInf>"
    "</PmtInf></Document>\n";
const char kHarvested[] =
    "\"0\";\"CH\";\"00762\";\"11623852957\";\"\";\r\n"
    "\"0\";\"AT\";\"\";\"\";\"AT611904300234573201\";\r\n";

class Harvest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string data = dir.file("data.csv");
  std::string old = data + ".old";
  std::string pay = dir.file("pay.xml");
  HarvestReport counts;
  HarvestResult run() { return harvest(runfiles(data, pay), counts); }
};

TEST_F(Harvest, KeepsThePreviousDataFileAndItsUserLines) {
  dir.write("pay.xml", kPayment);
  dir.write("data.csv", "\"0\";\"XX\";\"\";\"\";\"\";\r\n1;AT;19043;234573201;;\r\n");
  dir.write("data.csv.old", "a backup of an earlier run\r\n");
  ASSERT_EQ(run(), HarvestResult::Done);
  EXPECT_EQ(dir.read("data.csv"), std::string(kHarvested) + "1;AT;19043;234573201;;\r\n");
  EXPECT_EQ(dir.read("data.csv.old"), "\"0\";\"XX\";\"\";\"\";\"\";\r\n1;AT;19043;234573201;;\r\n");
  EXPECT_EQ(dir.read("pay.xml"), kPayment);
}

TEST_F(Harvest, WithoutADataFileAStaleBackupIsNotMerged) {
  dir.write("pay.xml", kPayment);
  dir.write("data.csv.old", "9;stale user line\r\n");
  ASSERT_EQ(run(), HarvestResult::Done);
  EXPECT_EQ(dir.read("data.csv"), kHarvested);
  EXPECT_EQ(dir.read("data.csv.old"), "9;stale user line\r\n");
}

TEST_F(Harvest, UnreadablePaymentFileTouchesNothing) {
  dir.write("data.csv", "1;AT\r\n");
  EXPECT_EQ(run(), HarvestResult::Skipped) << "missing";
  fs::create_directory(pay);
  EXPECT_EQ(run(), HarvestResult::Skipped) << "a directory";
  EXPECT_EQ(dir.read("data.csv"), "1;AT\r\n");
  EXPECT_FALSE(dir.exists("data.csv.old"));
}

TEST_F(Harvest, BackupNameTakenLeavesTheDataFileAndBicDirectory) {
  dir.write("pay.xml",
            "<CdtrAgt><BIC>COBADEFF</BIC><PrtryId><Id>37040044</Id></PrtryId></CdtrAgt>"
            "<CdtrAcct><PrtryAcct><Id>1</Id></PrtryAcct></CdtrAcct>");
  dir.write("data.csv", "1;AT\r\n");
  fs::create_directory(old);
  writefile(old + "/keep", "x");
  EXPECT_EQ(run(), HarvestResult::BackupFailed);
  EXPECT_EQ(dir.read("data.csv"), "1;AT\r\n");
  EXPECT_FALSE(dir.exists("BIC.csv"));
}

TEST_F(Harvest, PaymentFileIsNeverTheDataFileOrItsBackup) {
  dir.write("pay.xml", kPayment);
  EXPECT_EQ(harvest(runfiles(pay, pay), counts), HarvestResult::BackupFailed);
  const std::string asold = pay + ".old";
  writefile(asold, kPayment);
  EXPECT_EQ(harvest(runfiles(pay, asold), counts), HarvestResult::BackupFailed);
  EXPECT_EQ(dir.read("pay.xml"), kPayment);
  EXPECT_EQ(readfile(asold), kPayment);
}

// A payment file named "BIC.csv" beside the data file is read like any other, but the BICs
// found in it are not appended to it.
TEST_F(Harvest, PaymentFileThatIsTheBicDirectoryIsNotWritten) {
  const std::string bics = dir.file("BIC.csv");
  writefile(bics, kPayment);
  dir.write("data.csv", "1;AT\r\n");
  ASSERT_EQ(harvest(runfiles(data, bics), counts), HarvestResult::Done);
  EXPECT_EQ(readfile(bics), kPayment);
  EXPECT_EQ(dir.read("data.csv"), std::string(kHarvested) + "1;AT\r\n");
}

// A backup that is another name of the data file (what a run that died between making the
// backup and putting the new data file in place leaves) is no obstacle: the user's records
// end up in the backup, and the new data file holds them behind the harvested ones.
TEST_F(Harvest, BackupNameThatIsAnotherNameOfTheDataFile) {
  auto check = [&](const char* why) {
    SCOPED_TRACE(why);
    EXPECT_EQ(run(), HarvestResult::Done);
    EXPECT_EQ(dir.read("data.csv.old"), "1;AT\r\n");
    EXPECT_EQ(dir.read("data.csv"), std::string(kHarvested) + "1;AT\r\n");
    EXPECT_FALSE(fs::is_symlink(data));
    EXPECT_FALSE(dir.exists("data.csv.tmp"));
    EXPECT_FALSE(dir.exists("data.csv.old.tmp"));
  };
  dir.write("pay.xml", kPayment);
  dir.write("data.csv", "1;AT\r\n");
  fs::create_hard_link(data, old);
  check("hard link");
#ifndef _WIN32  // symbolic links need extra rights on Windows
  dir.write("data.csv", "1;AT\r\n");
  fs::remove(old);
  fs::create_symlink("data.csv", old);
  check("backup name links to the data file");
  fs::remove(data);
  dir.write("data.csv.old", "1;AT\r\n");
  fs::create_symlink("data.csv.old", data);
  check("data file links to the backup name");
#endif
}

TEST_F(Harvest, DataFileThatIsADirectoryStaysWhereItIs) {
  dir.write("pay.xml", kPayment);
  fs::create_directory(data);
  EXPECT_EQ(run(), HarvestResult::WriteFailed);
  EXPECT_TRUE(fs::is_directory(data));
  EXPECT_FALSE(fs::exists(old));
}

TEST_F(Harvest, BackupThatCannotBeReadBackIsMovedBack) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need extra rights on Windows";
#endif
  dir.write("pay.xml", kPayment);
  struct Case {
    const char* why;
    const char* target;
  } cases[] = {
      {"a link to a directory", "sub"},
      {"a dangling link: it cannot be opened", "nowhere"},
  };
  fs::create_directory(dir.file("sub"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    fs::remove(data);
    fs::create_symlink(c.target, data);
    EXPECT_EQ(run(), HarvestResult::WriteFailed);
    EXPECT_TRUE(fs::is_symlink(data));
    EXPECT_EQ(fs::read_symlink(data), c.target);
    EXPECT_FALSE(fs::exists(fs::symlink_status(old)));
  }
}

}  // namespace
