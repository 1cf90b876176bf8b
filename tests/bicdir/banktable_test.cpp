#include "bicdir/banktable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bicdir/bankfile.h"
#include "support/tempdir.h"

namespace {

BankRecord bank(const char* blz, const char* method, bool deleted = false,
                const char* successor = "00000000") {
  BankRecord r{};
  std::strcpy(r.blz, blz);
  std::strcpy(r.method, method);
  std::strcpy(r.successor, successor);
  r.main = true;
  r.deleted = deleted;
  return r;
}

// What a lookup found, as text: "-" for nothing.
std::string found(const BankTable& t, const char* blz) {
  const BankRow* row = t.find(blz, std::strlen(blz));
  if (!row) return "-";
  return std::string(row->method) + (row->deleted ? " going to " : " ") +
         std::to_string(row->successor);
}

TEST(Banktable, WrittenInOrderOneLinePerBankCodeAndReadBack) {
  // File order is not bank code order; a code given twice keeps its first record.
  const BankTableText t =
      banktabletext({bank("37040044", "13"), bank("10020890", "99", true, "37060193"),
                     bank("37040044", "06"), bank("50070010", "E9")});
  EXPECT_EQ(t.text,
            "\"BLZ\";\"Methode\";\"Loeschung\";\"Nachfolger\"\r\n"
            "\"10020890\";\"99\";\"1\";\"37060193\"\r\n"
            "\"37040044\";\"13\";\"0\";\"00000000\"\r\n"
            "\"50070010\";\"E9\";\"0\";\"00000000\"\r\n");
  EXPECT_EQ(t.rows, 3u);
  EXPECT_EQ(t.deleted, 1u);

  TempDir dir;
  ASSERT_TRUE(writebanktable(dir.file("BLZ.csv"), t.text));
  EXPECT_EQ(dir.read("BLZ.csv"), t.text);
  EXPECT_FALSE(dir.exists("BLZ.csv.tmp"));
  BankTable table;
  ASSERT_EQ(table.load(dir.file("BLZ.csv")), BankTable::Load::Loaded);
  EXPECT_EQ(table.size(), 3u);
  const struct {
    const char* blz;
    const char* row;
  } lookups[] = {
      {"10020890", "99 going to 37060193"},
      {"37040044", "13 0"},
      {"50070010", "E9 0"},
      {"37040045", "-"},
      {"00000000", "-"},
      {"99999999", "-"},
      {"3704004", "-"},
      {"370400440", "-"},
      {"3704004X", "-"},
      {"", "-"},
  };
  for (const auto& l : lookups) EXPECT_EQ(found(table, l.blz), l.row) << l.blz;
}

TEST(Banktable, ATableThatIsNotWhollyOneIsFaulty) {
  const std::string head = "\"BLZ\";\"Methode\";\"Loeschung\";\"Nachfolger\"\r\n";
  const std::string a = "\"37040044\";\"13\";\"0\";\"00000000\"\r\n";
  const std::string b = "\"10020890\";\"99\";\"1\";\"37060193\"\r\n";
  const struct {
    const char* why;
    std::string text;
    std::size_t faultline;  // 0: read
    std::size_t rows;
  } rows[] = {
      {"as written", head + a + b, 0, 2},
      {"plain line ends, as an editor may save it",
       "\"BLZ\";\"Methode\";\"Loeschung\";\"Nachfolger\"\n"
       "\"37040044\";\"13\";\"0\";\"00000000\"\n",
       0, 1},
      {"empty lines at the end", head + a + "\r\n\r\n", 0, 1},
      {"no line end after the last line", head + a.substr(0, a.size() - 2), 0, 1},
      {"a bank code twice: the first line wins",
       head + a + "\"37040044\";\"06\";\"0\";\"00000000\"\r\n", 0, 1},
      {"the head alone: a table of no bank code", head, 0, 0},
      {"empty", "", 1, 0},
      {"no head", a + b, 1, 0},
      {"an empty line inside", head + a + "\r\n" + b, 3, 0},
      {"a bank code of 7 digits", head + "\"3704004\";\"13\";\"0\";\"00000000\"\r\n", 2, 0},
      {"a method of one character", head + a + "\"10020890\";\"9\";\"1\";\"37060193\"\r\n", 3, 0},
      {"a deletion mark of 2", head + "\"37040044\";\"13\";\"2\";\"00000000\"\r\n", 2, 0},
      {"a successor with a letter", head + "\"37040044\";\"13\";\"1\";\"3706019A\"\r\n", 2, 0},
      {"fields without quotes", head + "37040044;13;0;00000000\r\n", 2, 0},
      {"a separator missing", head + "\"37040044\" \"13\";\"0\";\"00000000\"\r\n", 2, 0},
      {"a field more", head + "\"37040044\";\"13\";\"0\";\"00000000\";\"\"\r\n", 2, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    TempDir dir;
    dir.write("BLZ.csv", r.text);
    BankTable table;
    const BankTable::Load load = table.load(dir.file("BLZ.csv"));
    EXPECT_EQ(load, r.faultline == 0 ? BankTable::Load::Loaded : BankTable::Load::Faulty);
    EXPECT_EQ(table.faultline(), r.faultline);
    EXPECT_EQ(table.size(), r.rows);
  }
}

TEST(Banktable, NoneAndOneThatCannotBeRead) {
  TempDir dir;
  BankTable table;
  EXPECT_EQ(table.load(dir.file("BLZ.csv")), BankTable::Load::Absent);
  std::filesystem::create_directory(dir.file("BLZ.csv"));  // a folder of that name
  EXPECT_EQ(table.load(dir.file("BLZ.csv")), BankTable::Load::Faulty);
  EXPECT_EQ(table.faultline(), 0u);
}

TEST(Banktable, AFailedWriteLeavesTheTableAsItWas) {
  TempDir dir;
  const std::string old = "\"BLZ\";\"Methode\";\"Loeschung\";\"Nachfolger\"\r\n";
  dir.write("BLZ.csv", old);
  // The temporary name is taken by a folder, which is not removed to make room.
  std::filesystem::create_directory(dir.file("BLZ.csv.tmp"));
  EXPECT_FALSE(
      writebanktable(dir.file("BLZ.csv"), old + "\"37040044\";\"13\";\"0\";\"00000000\"\r\n"));
  EXPECT_EQ(dir.read("BLZ.csv"), old);
}

}  // namespace
