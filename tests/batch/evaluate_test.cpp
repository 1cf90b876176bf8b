#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/record.h"
#include "bicdir/banktable.h"
#include "bicdir/bicindex.h"
#include "support/tempdir.h"

namespace {

struct Step {
  const char* why;
  const char* line;    // data-file line, as the batch reads it: without its line end
  const char* result;  // the whole result line without CR LF
  const char* sland;   // carried country afterwards
};

// Runs the lines in order through one batch, as one run would, and checks each result line
// and the carried country after it. With banks, that is the bank table beside the data file.
void runsteps(const std::vector<Step>& steps, const std::string& bic = "",
              const std::string& banks = "") {
  TempDir dir;
  if (!bic.empty()) dir.write("BIC.csv", bic);
  const std::string verz = dir.file("data.csv");
  BicIndex bics;
  ASSERT_TRUE(bics.load(verz.c_str()));
  BankTable table;
  if (!banks.empty()) {
    dir.write("BLZ.csv", banks);
    ASSERT_EQ(table.load(dir.file("BLZ.csv")), BankTable::Load::Loaded);
  }
  CarriedCountry sland;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.why);
    Record r;
    splitrec(s.line, r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
    const char* code = evalrec(r, sland, bics, banks.empty() ? nullptr : &table);
    std::string got = std::string("\"") + r.snr + "\";\"" + r.land + "\";\"" + r.blz + "\";\"" +
                      r.konto + "\";\"" + r.iban + "\";\"" + r.bic + "\";\"" + code + "\"";
    EXPECT_EQ(got, s.result);
    EXPECT_STREQ(sland.code(), s.sland);
  }
}

TEST(Evaluate, WorkedExampleWithEmptyDirectory) {
  runsteps({
      {"built, own country", "1;AT;19043;234573201;;",
       R"("1";"AT";"19043";"00234573201";"AT611904300234573201";"";"00")", "AT"},
      {"no country: carried AT, whose rule the 8-digit bank code is too long for: no IBAN "
       "(it used to be cut to 37040 and built into an Austrian IBAN of another bank)",
       "2;;37040044;532013000;;", R"("2";"AT";"37040044";"00532013000";"";"";"90")", "AT"},
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
  runsteps(
      {{"account record with a BIC", "1;DE;37040044;532013000;;",
        R"("1";"DE";"37040044";"0532013000";"DE89370400440532013000";"EXMPDEFFXXX";"10")", "DE"},
       {"IBAN record with a BIC", "2;;;;de89 3704 0044 0532 0130 00;x",
        R"("2";"DE";"37040044";"0532013000";"DE89370400440532013000";"EXMPDEFFXXX";"11")", "DE"},
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
      {"valid IBAN of a registry country without rules here: bank and branch identifier, the "
       "rest as the account",
       "12;;;;XK051212012345678906;",
       R"("12";"XK";"1212";"012345678906";"XK051212012345678906";"";"01")", "XK"},
      {"a Spanish record whose account field is empty: the line end is no part of a field, so "
       "the account is missing",
       "13;ES;21000418;", R"("13";"XK";"";"";"";"";"92")", "XK"},
      {"a record without a bank code keeps neither its IBAN text, too short for an IBAN, nor "
       "its BIC",
       "14;DE;;1;AT61;OLDBIC", R"("14";"XK";"";"";"";"";"92")", "XK"},
  });
}

// National check digits: filled in where a record leaves them out, found wrong where it gives
// wrong ones; the countries the registry added; a territory's IBAN is its country's.
TEST(Evaluate, NationalCheckDigitsAndTheNewCountries) {
  runsteps({
      {"FR without its key: the key is computed", "1;FR;20041 01005;0500013M026;;",
       R"("1";"FR";"2004101005";"0500013M02606";"FR1420041010050500013M02606";"";"00")", "FR"},
      {"FR with a wrong key: no IBAN", "2;FR;2004101005;0500013M02607;;",
       R"("2";"FR";"2004101005";"0500013M02607";"";"";"94")", "FR"},
      {"IT without the CIN letter in front of ABI and CAB", "3;IT;0542811101;123456;;",
       R"("3";"IT";"X0542811101";"000000123456";"IT60X0542811101000000123456";"";"00")", "IT"},
      {"ES: ten digits are the account without its control digits",
       "4;ES;21000418;0200051332;;",
       R"("4";"ES";"21000418";"450200051332";"ES9121000418450200051332";"";"00")", "ES"},
      {"ES with wrong control digits", "5;ES;21000418;460200051332;;",
       R"("5";"ES";"21000418";"460200051332";"";"";"94")", "ES"},
      {"HU: sixteen digits lack the check digit of bank and branch",
       "6;HU;1177301;1111101800000000;;",
       R"("6";"HU";"1177301";"61111101800000000";"HU42117730161111101800000000";"";"00")", "HU"},
      {"BE with a wrong check number", "7;BE;539;007547035;;",
       R"("7";"BE";"539";"007547035";"";"";"94")", "BE"},
      {"the same as an IBAN whose IBAN check digits are right: 04, the IBAN as given",
       "8;;;;BE41539007547035;",
       R"("8";"BE";"539";"007547035";"BE41539007547035";"";"04")", "BE"},
      {"Guadeloupe: a French IBAN, the record keeps its own country",
       "9;GP;2004101005;0500013M02606;;",
       R"("9";"GP";"2004101005";"0500013M02606";"FR1420041010050500013M02606";"";"00")", "GP"},
      {"BG, a country new to building", "10;BG;BNBG9661;1020345678;;",
       R"("10";"BG";"BNBG9661";"1020345678";"BG80BNBG96611020345678";"";"00")", "BG"},
      {"BG's account type is two digits by the registry", "11;BG;BNBG9661;AB20345678;;",
       R"("11";"BG";"BNBG9661";"";"";"";"91")", "BG"},
  });
}

// A bank table: Commerzbank with method 13, a bank code going to its successor (method 09,
// no check digit), one whose method the program does not know.
const char kBanks[] =
    "\"BLZ\";\"Methode\";\"Loeschung\";\"Nachfolger\"\r\n"
    "\"37040044\";\"13\";\"0\";\"00000000\"\r\n"
    "\"10020890\";\"09\";\"1\";\"37060193\"\r\n"
    "\"50070010\";\"Z9\";\"0\";\"00000000\"\r\n";

TEST(Evaluate, TheBankTableJudgesGermanRecords) {
  runsteps(
      {{"a good account", "1;DE;37040044;532013000;;",
        R"("1";"DE";"37040044";"0532013000";"DE89370400440532013000";"EXMPDEFFXXX";"10")", "DE"},
       {"its check digit changed: no IBAN, no BIC", "2;DE;37040044;532013100;;",
        R"("2";"DE";"37040044";"0532013100";"";"";"94")", "DE"},
       {"a bank code the table lacks", "3;DE;37040045;532013000;;",
        R"("3";"DE";"37040045";"0532013000";"";"";"93")", "DE"},
       {"a bank code marked for deletion: IBAN and BIC all the same", "4;DE;10020890;1234;;",
        R"("4";"DE";"10020890";"0000001234";"DE91100208900000001234";"EXMPDEFF001";"95")", "DE"},
       {"a method the program does not know: the account is not judged", "6;DE;50070010;1;;",
        R"("6";"DE";"50070010";"0000000001";"DE53500700100000000001";"";"00")", "DE"},
       {"the IBAN of a good account", "7;;;;DE89370400440532013000;",
        R"("7";"DE";"37040044";"0532013000";"DE89370400440532013000";"EXMPDEFFXXX";"11")", "DE"},
       {"an IBAN whose account fails: the IBAN stays as given", "8;;;;DE08370400440532013100;",
        R"("8";"DE";"37040044";"0532013100";"DE08370400440532013100";"";"04")", "DE"},
       {"an IBAN of a bank code the table lacks", "9;;;;DE27370400450532013000;",
        R"("9";"DE";"37040045";"0532013000";"DE27370400450532013000";"";"03")", "DE"},
       {"an IBAN of a bank code marked for deletion", "10;;;;DE91100208900000001234;",
        R"("10";"DE";"10020890";"0000001234";"DE91100208900000001234";"EXMPDEFF001";"05")", "DE"},
       {"a wrong IBAN stays 02", "11;;;;DE08100208900000001234;",
        R"("11";"";"";"";"DE08100208900000001234";"";"02")", "DE"},
       {"an unknown country carried to DE: judged as German", "14;XX;37040044;532013100;;",
        R"("14";"DE";"37040044";"0532013100";"";"";"94")", "DE"},
       {"a GB record carried to DE, bank code unknown", "15;GB;12345678;1;;",
        R"("15";"DE";"12345678";"0000000001";"";"";"93")", "DE"},
       {"a GB record carried to DE, bank code going", "16;GB;10020890;1234;;",
        R"("16";"DE";"10020890";"0000001234";"DE91100208900000001234";"EXMPDEFF001";"95")", "DE"},
       {"other countries are not judged", "17;AT;19043;234573201;;",
        R"("17";"AT";"19043";"00234573201";"AT611904300234573201";"";"00")", "AT"},
       {"an Austrian IBAN neither", "18;;;;AT611904300234573201;",
        R"("18";"AT";"19043";"00234573201";"AT611904300234573201";"";"01")", "AT"}},
      "\"DE\";\"37040044\";\"EXMPDEFFXXX\"\r\n\"DE\";\"10020890\";\"EXMPDEFF001\"\r\n", kBanks);
}

}  // namespace

namespace {

// The batch looks BICs up a few records behind their evaluation; its result file must be
// exactly what evaluating and writing one record after the other gives.
TEST(Batch, SameLinesAsOneRecordAfterTheOther) {
  TempDir dir;
  dir.write("BIC.csv", "\"DE\";\"37040044\";\"EXMPDEFFXXX\"\r\n\"AT\";\"19043\";\"EXMPATWW\"\r\n");
  const char* const kinds[] = {"%d;DE;37040044;532013000;;",
                               "%d;;;;AT61 1904 3002 3457 3201;",
                               "%d;AT;;1;;",
                               "%d;;;;DE89370400440532013001;",
                               "%d;XX;ABCD;12A;;",
                               "%d;AT;19043;%d;;",
                               "%d;;37040044;%d;;",
                               "%d"};
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
  CarriedCountry sland;
  ASSERT_TRUE(runbatch(fi, fo, verz.c_str(), sland));
  std::fclose(fi);
  std::fclose(fo);

  BicIndex bics;
  bics.load(verz.c_str());
  CarriedCountry sland2;
  std::FILE* fw = std::fopen(dir.file("single.out").c_str(), "wb");
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start) + 1;
    Record r;
    // The batch reads a line without its line end.
    std::string line = data.substr(start, end - start);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    splitrec(line.c_str(), r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
    const char* code = evalrec(r, sland2, bics);
    putresult(fw, r.snr, r.land, r.blz, r.konto, r.iban, r.bic, code);
    start = end;
  }
  std::fclose(fw);
  EXPECT_EQ(dir.read("batch.out"), dir.read("single.out"));
  EXPECT_STREQ(sland.code(), sland2.code());
}

// Whatever a data file holds, its result file has one line per data line, in the same order,
// each with the record number of its own line: random files of CR, LF and CR LF ends, empty
// lines, lines without a separator, lines and fields too long, quoted fields, a byte-order mark.
TEST(Batch, OneResultLinePerDataLine) {
  std::mt19937 rng(5);
  const char* const ends[] = {"\r", "\n", "\r\n"};
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE(trial);
    TempDir dir;
    std::string data = rng() % 3 == 0 ? "\xef\xbb\xbf" : "";
    std::vector<std::string> snrs;  // the record number each result line must carry
    const char* last = "";
    const int n = 1 + static_cast<int>(rng() % 30);
    for (int i = 0; i < n; ++i) {
      const std::string snr = std::to_string(i);
      std::string line;
      std::string want = snr;
      switch (rng() % 8) {
        case 0: want = ""; break;                                                    // empty
        case 1: line = snr; break;                                                   // no separator
        case 2: line = snr + ";DE;37040044;" + std::string(300, '5') + ";;"; break;  // too long
        case 3: line = snr + ";" + std::string(1500, 'y'); break;  // line too long
        case 4: line = "\"" + snr + "\";\"AT\";\"19043\";\"234573201\";\"\";"; break;
        case 5: line = snr + ";;;;AT61 1904 3002 3457 3201"; break;
        default: line = snr + ";DE;37040044;532013000;;";
      }
      data += line;
      const char* end = ends[rng() % 3];
      if (line.empty() && last[0] == '\r' && last[1] == '\0') end = "\r";
      if (i + 1 < n || line.empty() || rng() % 2) data += end;
      last = end;
      snrs.push_back(want);
    }
    dir.write("data.csv", data);
    const std::string verz = dir.file("data.csv");
    std::FILE* fi = std::fopen(verz.c_str(), "rb");
    std::FILE* fo = std::fopen(dir.file("data.csv.out").c_str(), "wb");
    CarriedCountry sland;
    BatchCounts counts;
    ASSERT_TRUE(runbatch(fi, fo, verz.c_str(), sland, &counts));
    std::fclose(fi);
    std::fclose(fo);
    const std::string out = dir.read("data.csv.out");
    std::vector<std::string> got;
    for (std::size_t at = 0; at < out.size();) {
      const std::size_t end = out.find("\r\n", at);
      ASSERT_NE(end, std::string::npos);
      const std::string line = out.substr(at, end - at);
      ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a line end inside a field";
      got.push_back(line.substr(1, line.find('"', 1) - 1));
      at = end + 2;
    }
    EXPECT_EQ(got, snrs);
    EXPECT_EQ(counts.records, snrs.size());
  }
}

}  // namespace
