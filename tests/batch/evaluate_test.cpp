#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/record.h"
#include "bicdir/bicindex.h"
#include "support/tempdir.h"

namespace {

struct Step {
  const char* why;
  const char* line;    // data-file line (CR LF added)
  const char* result;  // the whole result line without CR LF
  const char* sland;   // carried country afterwards
};

// Runs the lines in order through one batch, as one run would, and checks each result line
// and the carried country after it.
void runsteps(const std::vector<Step>& steps, const std::string& bic = "") {
  TempDir dir;
  if (!bic.empty()) dir.write("BIC.csv", bic);
  const std::string verz = dir.file("data.csv");
  BicIndex bics;
  ASSERT_TRUE(bics.load(verz.c_str()));
  char sland[kFieldSize] = "AT";
  for (const Step& s : steps) {
    SCOPED_TRACE(s.why);
    Record r;
    std::string line = std::string(s.line) + "\r\n";
    splitrec(line.c_str(), r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
    const char* code = evalrec(r, sland, bics);
    std::string got = std::string("\"") + r.snr + "\";\"" + r.land + "\";\"" + r.blz + "\";\"" +
                      r.konto + "\";\"" + r.iban + "\";\"" + r.bic + "\";\"" + code + "\"";
    EXPECT_EQ(got, s.result);
    EXPECT_STREQ(sland, s.sland);
  }
}

TEST(Evaluate, WorkedExampleWithEmptyDirectory) {
  runsteps({
      {"built, own country", "1;AT;19043;234573201;;",
       R"("1";"AT";"19043";"00234573201";"AT611904300234573201";"";"00")", "AT"},
      {"no country: carried AT; bank code written as read, cut for the IBAN",
       "2;;37040044;532013000;;",
       R"("2";"AT";"37040044";"00532013000";"AT863704000532013000";"";"00")", "AT"},
      {"German record passes DE on", "3;DE;37040044;532013000;;",
       R"("3";"DE";"37040044";"0532013000";"DE89370400440532013000";"";"00")", "DE"},
      {"no country: carried DE", "4;;37040044;532013000;;",
       R"("4";"DE";"37040044";"0532013000";"DE89370400440532013000";"";"00")", "DE"},
      {"missing bank code: carried country, not its own", "5;AT;;123;;",
       R"("5";"DE";"";"";"";"";"92")", "DE"},
      {"printed IBAN: cleaned, split, country carried", "6;;;;AT61 1904 3002 3457 3201;",
       R"("6";"AT";"19043";"00234573201";"AT611904300234573201";"";"01")", "AT"},
      {"last digit changed: invalid, carried country kept", "7;;;;AT61 1904 3002 3457 3202;",
       R"("7";"";"";"";"AT611904300234573202";"";"02")", "AT"},
  });
}

TEST(Evaluate, BicFromTheDirectory) {
  runsteps({{"account record with a BIC", "1;DE;37040044;532013000;;",
             R"("1";"DE";"37040044";"0532013000";"DE89370400440532013000";"EXMPDEFFXXX";"10")",
             "DE"},
            {"IBAN record with a BIC", "2;;;;de89 3704 0044 0532 0130 00;x",
             R"("2";"DE";"37040044";"0532013000";"DE89370400440532013000";"EXMPDEFFXXX";"11")",
             "DE"},
            {"the input BIC is never written back", "3;AT;19043;234573201;;OLDBIC",
             R"("3";"AT";"19043";"00234573201";"AT611904300234573201";"";"00")", "AT"}},
           "\"DE\";\"37040044\";\"EXMPDEFFXXX\"\r\n");
}

TEST(Evaluate, FailuresAndTheCarriedCountry) {
  runsteps({
      {"account breaks the rule: country still passed on", "1;DE;37040044;12A4;;",
       R"("1";"DE";"37040044";"";"";"";"91")", "DE"},
      {"next record without country uses DE", "2;;50070010;175526300;;",
       R"("2";"DE";"50070010";"0175526300";"DE72500700100175526300";"";"00")", "DE"},
      {"bank code fails GB, fits the carried DE", "3;GB;12345678;1;;",
       R"("3";"DE";"12345678";"0000000001";"DE17123456780000000001";"";"00")", "DE"},
      {"bank code fits neither own nor carried country: 90", "4;DE;ABCD;123;;",
       R"("4";"DE";"ABCD";"0000000123";"";"";"90")", "DE"},
      {"and 91 when the account does not fit the carried country either", "5;XX;ABCD;12A;;",
       R"("5";"DE";"ABCD";"";"";"";"91")", "DE"},
      {"lower-case country is unknown: carried country", "6;at;19043;234573201;;",
       R"("6";"DE";"19043";"0234573201";"DE14000190430234573201";"";"00")", "DE"},
      {"three-character country field replaced by the carried country", "7;AT ;19043;1;;",
       R"("7";"DE";"00019043";"0000000001";"DE27000190430000000001";"";"00")", "DE"},
      {"a blank bank code is not missing: padded under AT", "8;AT; ;234573201;;",
       R"("8";"AT";"00000";"00234573201";"AT750000000234573201";"";"00")", "AT"},
      {"empty account with a country: 92 under the carried country", "9;DE;37040044;;;",
       R"("9";"AT";"";"";"";"";"92")", "AT"},
      {"IBAN of exactly 8 characters is no IBAN", "10;AT;19043;234573201;AT611904;",
       R"("10";"AT";"19043";"00234573201";"AT611904300234573201";"";"00")", "AT"},
      {"nine blanks are an IBAN record: 02 with an empty IBAN", "11;DE;1;2;         ;",
       R"("11";"";"";"";"";"";"02")", "AT"},
      {"valid IBAN of an unknown country: whole BBAN as account", "12;;;;XK051212012345678906;",
       R"("12";"XK";"1212012345678906";"1212012345678906";"XK051212012345678906";"";"01")", "XK"},
      {"a Spanish account that is only the line end breaks the rule", "13;ES;21000418;",
       R"("13";"ES";"21000418";"";"";"";"91")", "ES"},
  });
}

}  // namespace

namespace {

// The batch looks BICs up a few records behind their evaluation; its result file must be
// exactly what evaluating and writing one record after the other gives.
TEST(Batch, SameLinesAsOneRecordAfterTheOther) {
  TempDir dir;
  dir.write("BIC.csv", "\"DE\";\"37040044\";\"EXMPDEFFXXX\"\r\n\"AT\";\"19043\";\"EXMPATWW\"\r\n");
  const char* const kinds[] = {"%d;DE;37040044;532013000;;",   "%d;;;;AT61 1904 3002 3457 3201;",
                               "%d;AT;;1;;",                   "%d;;;;DE89370400440532013001;",
                               "%d;XX;ABCD;12A;;",             "%d;AT;19043;%d;;",
                               "%d;;37040044;%d;;",            "%d"};
  std::string data;
  for (int i = 0; i < 203; ++i) {
    char line[80];
    std::snprintf(line, sizeof line, kinds[(i * 7) % 8], i, i * 31);
    data += std::string(line) + (i % 5 ? "\r\n" : "\n");
  }
  dir.write("data.csv", data);
  const std::string verz = dir.file("data.csv");

  std::FILE* fi = std::fopen(verz.c_str(), "rb");
  std::FILE* fo = std::fopen(dir.file("batch.out").c_str(), "wb");
  char sland[kFieldSize] = "AT";
  ASSERT_TRUE(runbatch(fi, fo, verz.c_str(), sland));
  std::fclose(fi);
  std::fclose(fo);

  BicIndex bics;
  bics.load(verz.c_str());
  char sland2[kFieldSize] = "AT";
  std::FILE* fw = std::fopen(dir.file("single.out").c_str(), "wb");
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start) + 1;
    Record r;
    std::string line = data.substr(start, end - start);
    splitrec(line.c_str(), r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
    const char* code = evalrec(r, sland2, bics);
    putresult(fw, r.snr, r.land, r.blz, r.konto, r.iban, r.bic, code);
    start = end;
  }
  std::fclose(fw);
  EXPECT_EQ(dir.read("batch.out"), dir.read("single.out"));
  EXPECT_STREQ(sland, sland2);
}

}  // namespace
