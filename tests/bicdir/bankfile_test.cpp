#include "bicdir/bankfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/tempdir.h"

namespace {

std::string pad(const std::string& s, std::size_t n) {
  return s.size() >= n ? s : s + std::string(n - s.size(), ' ');
}

// A record laid out as the Bundesbank writes it: each field in its place, padded with blanks.
// blz is used as given, so that a bank code of another length shifts the rest as it would.
std::string record(const std::string& blz, char kind, const std::string& bic, char change,
                   const std::string& name = "Testbank") {
  return blz + kind + pad(name, 58) + "10591" + pad("Berlin", 35) + pad("Testbank Berlin", 27) +
         "20100" + pad(bic, 11) + "09" + "011380" + change + "0" + "00000000";
}

std::string entries(const BankScan& s) {
  std::string out;
  for (const BankRecord& r : s.entries) out += std::string(r.blz) + "=" + r.bic + " ";
  return out;
}

TEST(Bankfile, TakesTheBicOfMainRecordsOnly) {
  const struct {
    const char* why;
    std::string text;
    bool entry;
    const char* blz;
    const char* bic;
  } rows[] = {
      {"main record, BIC of 11", record("10000000", '1', "MARKDEF1100", 'U'), true, "10000000",
       "MARKDEF1100"},
      {"main record, BIC of 8 without its padding", record("10020000", '1', "BEVODEBB", 'U'), true,
       "10020000", "BEVODEBB"},
      {"an added record", record("10020001", '1', "BEVODEBB", 'A'), true, "10020001", "BEVODEBB"},
      {"a modified record", record("10020002", '1', "BEVODEBB", 'M'), true, "10020002", "BEVODEBB"},
      {"the extended edition: what follows the record is ignored",
       record("10000000", '1', "MARKDEF1100", 'U') + "000901", true, "10000000", "MARKDEF1100"},
      {"digits only in the BIC", record("10000000", '1', "12345678", 'U'), true, "10000000",
       "12345678"},
      {"main record without BIC", record("10010000", '1', "", 'U'), false, "10010000", ""},
      {"branch with a BIC of its own", record("10010010", '2', "PBNKDEFF100", 'U'), false,
       "10010010", "PBNKDEFF100"},
      {"a deleted bank", record("15061758", '1', "GENODEF1NB1", 'D'), false, "15061758",
       "GENODEF1NB1"},
      {"neither main nor branch", record("10000000", '3', "MARKDEF1100", 'U'), false, "10000000",
       "MARKDEF1100"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    BankRecord rec;
    ASSERT_EQ(readbankrecord(r.text.data(), r.text.size(), rec), BankFault::None);
    EXPECT_EQ(rec.entry, r.entry);
    EXPECT_STREQ(rec.blz, r.blz);
    EXPECT_STREQ(rec.bic, r.bic);
  }
}

TEST(Bankfile, NamesTheFirstFaultOfARecord) {
  // A record re-saved as UTF-8: the umlaut of its name takes a byte more and shifts every
  // field behind it.
  const auto resaved = [](const std::string& bic) {
    std::string r = record("68350048", '1', bic, 'U', "Sparkasse L\xf6rrach");
    return r.replace(r.find('\xf6'), 1, "\xc3\xb6");
  };
  const struct {
    const char* why;
    std::string text;
    BankFault fault;
  } rows[] = {
      {"one character short", record("10000000", '1', "MARKDEF1100", 'U').substr(0, 167),
       BankFault::TooShort},
      {"empty", "", BankFault::TooShort},
      {"a letter in the bank code", record("1000000X", '1', "MARKDEF1100", 'U'), BankFault::BadBlz},
      {"a blank in the bank code", record("1000 000", '1', "MARKDEF1100", 'U'), BankFault::BadBlz},
      {"a bank code of 7 digits and a blank", record("1000000 ", '1', "MARKDEF1100", 'U'),
       BankFault::BadBlz},
      {"BIC of 7", record("10000000", '1', "MARKDEF", 'U'), BankFault::BadBic},
      {"BIC of 9", record("10000000", '1', "MARKDEF11", 'U'), BankFault::BadBic},
      {"BIC of 10", record("10000000", '1', "MARKDEF110", 'U'), BankFault::BadBic},
      {"BIC in lower case", record("10000000", '1', "markdef1100", 'U'), BankFault::BadBic},
      {"a blank inside the BIC", record("10000000", '1', "MARK DEF110", 'U'), BankFault::BadBic},
      {"a blank before the BIC", record("10000000", '1', " MARKDEF110", 'U'), BankFault::BadBic},
      {"a Latin-1 letter in the BIC",
       record("10000000", '1', std::string("MARKD") + '\xc4' + "F1100", 'U'), BankFault::BadBic},
      {"a branch's BIC is checked too", record("10010010", '2', "PBNK", 'U'), BankFault::BadBic},
      {"unknown change code", record("10000000", '1', "MARKDEF1100", 'X'), BankFault::BadChange},
      {"bank code checked before the BIC", record("ABCDEFGH", '1', "x", 'U'), BankFault::BadBlz},
      {"re-saved as UTF-8, BIC of 8: the BIC field shows the shift", resaved("SKLODE66"),
       BankFault::BadBic},
      // The last digit of the card number slides into the BIC field, which then still holds
      // 11 letters and digits.
      {"re-saved as UTF-8, BIC of 11: the change code shows the shift", resaved("SKLODE66XXX"),
       BankFault::BadChange},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    BankRecord rec;
    EXPECT_EQ(readbankrecord(r.text.data(), r.text.size(), rec), r.fault);
  }
}

struct Outcome {
  BankFault fault;
  std::size_t line;
  std::string entries;
  bool operator==(const Outcome& o) const {
    return fault == o.fault && line == o.line && entries == o.entries;
  }
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "fault " << static_cast<int>(o.fault) << " line " << o.line << " [" << o.entries
            << "]";
}

// Feeds text in pieces of step bytes (0: whole).
Outcome scan(const std::string& text, std::size_t step = 0) {
  BankScan s;
  bankscanstart(s);
  if (step == 0) step = text.size() + 1;
  for (std::size_t at = 0; at < text.size(); at += step) {
    if (!bankscanfeed(s, text.data() + at, std::min(step, text.size() - at))) break;
  }
  bankscanend(s);
  return {s.fault, s.faultline, entries(s)};
}

TEST(Bankfile, ReadsLinesAndNamesTheLineOfAFault) {
  const std::string a = record("10000000", '1', "MARKDEF1100", 'U');
  const std::string b = record("10010010", '1', "PBNKDEFF", 'U');
  const std::string branch = record("10010010", '2', "PBNKDEFF100", 'U');
  const std::string bad = record("1001001X", '1', "PBNKDEFF", 'U');
  const std::string ab = "10000000=MARKDEF1100 10010010=PBNKDEFF ";
  const BankFault ok = BankFault::None, shorter = BankFault::TooShort;
  const struct {
    const char* why;
    std::string text;
    Outcome want;
  } rows[] = {
      {"CR LF", a + "\r\n" + branch + "\r\n" + b + "\r\n", {ok, 0, ab}},
      {"LF alone", a + "\n" + b + "\n", {ok, 0, ab}},
      {"CR alone", a + "\r" + b + "\r", {ok, 0, ab}},
      {"last line without line end", a + "\r\n" + b, {ok, 0, ab}},
      {"an empty last line", a + "\r\n" + b + "\r\n\r\n", {ok, 0, ab}},
      {"several empty lines at the end", a + "\n" + b + "\n\n\r\n\r", {ok, 0, ab}},
      {"empty file", "", {ok, 0, ""}},
      {"a bank code twice stays twice: the directory keeps the first",
       a + "\r\n" + a,
       {ok, 0, "10000000=MARKDEF1100 10000000=MARKDEF1100 "}},
      {"a record far longer than any read",
       a + std::string(200000, '0') + "\r\n" + b + "\r\n",
       {ok, 0, ab}},
      {"an empty line between records", a + "\r\n\r\n" + b + "\r\n", {shorter, 2, ""}},
      {"CR CR LF leaves an empty line", a + "\r\r\n" + b + "\r\n", {shorter, 2, ""}},
      {"a short line", a + "\r\n" + b.substr(0, 100) + "\r\n" + b + "\r\n", {shorter, 2, ""}},
      {"a fault on line 3", a + "\r\n" + b + "\r\n" + bad + "\r\n", {BankFault::BadBlz, 3, ""}},
      {"a fault on the last line without line end",
       a + "\n" + b + "\n" + bad,
       {BankFault::BadBlz, 3, ""}},
      {"the first of two faults",
       a + "\r\n" + bad + "\r\n" + b.substr(0, 5) + "\r\n",
       {BankFault::BadBlz, 2, ""}},
      {"lines counted across LF, CR and CR LF",
       a + "\n" + a + "\r" + a + "\r\n" + bad,
       {BankFault::BadBlz, 4, ""}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    Outcome whole = scan(r.text);
    if (whole.fault != ok) whole.entries = "";  // what came before a fault is of no use
    EXPECT_EQ(whole, r.want);
    // Pieces of any size give the same, a CR LF cut between two pieces included.
    for (std::size_t step : {1, 2, 3, 167, 168, 169, 170, 4096}) {
      SCOPED_TRACE("pieces of " + std::to_string(step));
      Outcome pieces = scan(r.text, step);
      if (pieces.fault != ok) pieces.entries = "";
      ASSERT_EQ(pieces, r.want);
    }
  }
}

#ifndef _WIN32
// A directory opens for reading here and fails at the first read.
TEST(Bankfile, AReadErrorIsAFault) {
  TempDir t;
  std::FILE* f = std::fopen(t.path().c_str(), "rb");
  ASSERT_NE(f, nullptr);
  BankScan s;
  EXPECT_FALSE(readbankfile(f, s));
  std::fclose(f);
  EXPECT_EQ(s.fault, BankFault::Unreadable);
  EXPECT_EQ(s.faultline, 1u);
}
#endif

}  // namespace

namespace {

// A record whose fields from the check method on are given: method, deletion mark, successor.
std::string tail(std::string rec, const std::string& method, char deletion,
                 const std::string& successor, char change = 'U') {
  rec.replace(150, 2, method);
  rec[158] = change;
  rec[159] = deletion;
  rec.replace(160, 8, successor);
  return rec;
}

TEST(Bankfile, TakesTheFieldsOfTheBankTable) {
  const std::string main = record("10020890", '1', "HYVEDEMM488", 'U');
  const std::string branch = record("10020890", '2', "", 'U');
  const struct {
    const char* why;
    std::string text;
    const char* method;
    const char* successor;
    bool ismain, deleted, entry;
  } rows[] = {
      {"a bank code that stays", tail(main, "06", '0', "00000000"), "06", "00000000", true, false,
       true},
      {"marked for deletion, with a successor", tail(main, "99", '1', "37060193"), "99", "37060193",
       true, true, true},
      {"deleted with this edition: going as well, and no entry for the directory",
       tail(main, "09", '0', "00000000", 'D'), "09", "00000000", true, true, false},
      {"a method code the program does not know is still a method code",
       tail(main, "Z9", '0', "00000000"), "Z9", "00000000", true, false, true},
      {"a branch is no row of the table", tail(branch, "06", '0', "00000000"), "06", "00000000",
       false, false, false},
      {"the extended edition", tail(main, "A1", '0', "00000000") + "004201", "A1", "00000000", true,
       false, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    BankRecord rec;
    ASSERT_EQ(readbankrecord(r.text.data(), r.text.size(), rec), BankFault::None);
    EXPECT_STREQ(rec.method, r.method);
    EXPECT_STREQ(rec.successor, r.successor);
    EXPECT_EQ(rec.main, r.ismain);
    EXPECT_EQ(rec.deleted, r.deleted);
    EXPECT_EQ(rec.entry, r.entry);
  }

  const struct {
    const char* why;
    std::string text;
    BankFault fault;
  } faults[] = {
      {"a method of one digit", tail(main, "6 ", '0', "00000000"), BankFault::BadMethod},
      {"a method in lower case", tail(main, "a1", '0', "00000000"), BankFault::BadMethod},
      {"a method of two letters", tail(main, "AB", '0', "00000000"), BankFault::BadMethod},
      {"a deletion mark of 2", tail(main, "06", '2', "00000000"), BankFault::BadDeletion},
      {"a blank deletion mark", tail(main, "06", ' ', "00000000"), BankFault::BadDeletion},
      {"a successor with a blank", tail(main, "06", '1', "3706019 "), BankFault::BadSuccessor},
  };
  for (const auto& r : faults) {
    SCOPED_TRACE(r.why);
    BankRecord rec;
    EXPECT_EQ(readbankrecord(r.text.data(), r.text.size(), rec), r.fault);
  }
}

TEST(Bankfile, TheRealFilesGiveOneRowPerBankCode) {
  const struct {
    const char* file;
    std::size_t banks, deleted;
  } files[] = {
      {"blz-2012-09-03-excerpt.txt", 315, 12},
      {"blz-2023-09-04-extended.txt", 3548, 92},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    const std::string path = std::string(VELMORA_SHARED_DIR) + "/bankdirs/" + f.file;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr) << path;
    BankScan s;
    const bool ok = readbankfile(in, s);
    std::fclose(in);
    ASSERT_TRUE(ok);
    std::size_t deleted = 0;
    for (const BankRecord& r : s.banks) deleted += r.deleted ? 1 : 0;
    EXPECT_EQ(s.banks.size(), f.banks);
    EXPECT_EQ(deleted, f.deleted);
  }
}

}  // namespace
