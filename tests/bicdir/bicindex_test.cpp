#include "bicdir/bicindex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bicdir/bicdir.h"
#include "bicdir/bicline.h"
#include "common/textbuf.h"
#include "support/bicref.h"
#include "support/filelimit.h"
#include "support/tempdir.h"


namespace {

Lookup fromindex(const BicIndex& index, const std::string& land, const std::string& blz) {
  char bic[kFieldSize] = "left over";
  int found = index.get(land.c_str(), blz.c_str(), bic);
  return {found, bic};
}

// Directories as hands and other programs leave them: every way of writing a line that
// the reading rules treat specially, mixed with junk, with a fixed seed.
class DirectoryMaker {
 public:
  explicit DirectoryMaker(unsigned seed) : rng_(seed) {}

  const std::vector<std::string>& lands() const { return lands_; }
  const std::vector<std::string>& blzs() const { return blzs_; }
  const std::vector<std::string>& bics() const { return bics_; }

  std::string file() {
    std::string f;
    const std::size_t lines = pick(120);
    for (std::size_t i = 0; i < lines; ++i) f += line(i + 1 == lines);
    return f;
  }

  std::size_t pick(std::size_t n) { return rng_() % n; }
  const std::string& any(const std::vector<std::string>& v) { return v[pick(v.size())]; }

 private:
  // Quotes around the field, sprinkled into it, or none.
  std::string field(const std::string& s) {
    switch (pick(4)) {
      case 0: return s;
      case 1: {
        std::string q = s;
        q.insert(pick(q.size() + 1), "\"");
        return q;
      }
      default: return "\"" + s + "\"";
    }
  }
  std::string sep() { return pick(4) == 0 ? "," : ";"; }
  std::string end(bool last) {
    if (last && pick(2) == 0) return "";
    const char* ends[] = {"\r\n", "\r\n", "\r\n", "\n", "\r"};
    return ends[pick(5)];
  }
  std::string junk(std::size_t n, bool lf) {
    static const char bytes[] = "DEAT019;;,,\"\"  xyz\r";
    std::string j;
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t k = pick(sizeof bytes + 2);
      j += k < sizeof bytes - 1 ? bytes[k] : (k == sizeof bytes - 1 && lf ? '\n' : '\0');
    }
    return j;
  }
  std::string entry() {
    std::string e = field(any(lands_)) + sep() + field(any(blzs_)) + sep() + field(any(bics_));
    if (pick(5) == 0) e += sep() + field("more") + sep() + "x";
    return e;
  }
  std::string line(bool last) {
    switch (pick(8)) {
      case 0: return field(any(lands_)) + sep() + field(any(blzs_)) + end(last);  // two fields
      case 1: return field(any(lands_)) + end(last);                              // one field
      case 2: return junk(pick(150), true) + end(last);
      case 3: return junk(60 + pick(140), false) + entry() + end(last);  // overlong
      default: return entry() + end(last);
    }
  }

  std::mt19937 rng_;
  std::vector<std::string> lands_{"DE", "AT", "FR", "de", "", "D"};
  std::vector<std::string> blzs_{
      "1", "01",    "37040044", "037040044",          "19043",
      "",  "12 34", "X",        std::string(60, '6'), std::string(96, '6')};
  std::vector<std::string> bics_{"COBADEFFXXX", "BKAUATWW", "",    "ABCDEFGHIJKLMNOPQRS",
                                 "A\"B",        "A;B",      "X,Y", "12345678901234567890"};
};

void expectsame(const BicIndex& index, const std::string& verz, const DirectoryMaker& m) {
  for (const std::string& land : m.lands()) {
    for (const std::string& blz : m.blzs()) {
      SCOPED_TRACE("(" + land + ", " + blz + ")");
      ASSERT_EQ(fromindex(index, land, blz), reflookup(land, blz, verz));
    }
  }
}

TEST(BicIndex, LookupsLikeTheFileOnGeneratedDirectories) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DirectoryMaker m(seed);
    const std::string content = m.file();
    TempDir a, b;  // the index works on a, the reference on b
    a.write("BIC.csv", content);
    b.write("BIC.csv", content);
    const std::string va = a.file("konten.csv"), vb = b.file("konten.csv");
    BicIndex index;
    ASSERT_TRUE(index.load(va.c_str()));
    expectsame(index, va, m);
    for (int i = 0; i < 12; ++i) {
      const std::string &land = m.any(m.lands()), &blz = m.any(m.blzs()), &bic = m.any(m.bics());
      SCOPED_TRACE("put (" + land + ", " + blz + ", " + bic + ")");
      ASSERT_EQ(index.put(land.c_str(), blz.c_str(), bic.c_str()),
                refput(land, blz, bic, vb));
      ASSERT_EQ(a.read("BIC.csv"), b.read("BIC.csv"));
    }
    expectsame(index, vb, m);
  }
}

TEST(BicIndex, MissingFileIsEmptyUntilTheFirstPut) {
  TempDir t;
  const std::string verz = t.file("konten.csv");
  BicIndex index;
  ASSERT_TRUE(index.load(verz.c_str()));
  EXPECT_EQ(index.size(), 0u);
  EXPECT_EQ(fromindex(index, "DE", "1"), (Lookup{0, ""}));
  EXPECT_EQ(index.put("DE", "1", "FIRSTBIC"), 1);
  EXPECT_EQ(index.put("DE", "1", "OTHERBIC"), 1);
  EXPECT_EQ(index.size(), 1u);
  EXPECT_EQ(fromindex(index, "DE", "1"), (Lookup{1, "FIRSTBIC"}));
  EXPECT_EQ(t.read("BIC.csv"), "\"DE\";\"1\";\"FIRSTBIC\"\r\n");
}

// Ending the open last line for an addition takes away its two-field match.
TEST(BicIndex, ForgetsAnOpenLastLineThatAnAdditionEnds) {
  TempDir t;
  t.write("BIC.csv", "AT;1;X\r\nDE;1");
  const std::string verz = t.file("konten.csv");
  BicIndex index;
  ASSERT_TRUE(index.load(verz.c_str()));
  EXPECT_EQ(fromindex(index, "DE", "1"), (Lookup{1, ""}));
  EXPECT_EQ(index.put("FR", "2", "Y"), 1);
  EXPECT_EQ(fromindex(index, "DE", "1"), (Lookup{0, ""}));
  EXPECT_EQ(reflookup("DE", "1", verz), (Lookup{0, ""}));
  EXPECT_EQ(fromindex(index, "FR", "2"), (Lookup{1, "Y"}));
}

struct Batch {
  bool ok;
  std::size_t added;
  bool operator==(const Batch& o) const { return ok == o.ok && added == o.added; }
};
std::ostream& operator<<(std::ostream& os, const Batch& b) {
  return os << (b.ok ? "ok" : "failed") << ", " << b.added << " added";
}

Batch putall(BicIndex& index, const std::vector<BicEntry>& entries) {
  std::size_t added = 99;
  bool ok = index.putall(entries, added);
  return {ok, added};
}

TEST(BicIndex, PutallAddsEachNewPairOnceInOneAppend) {
  const char* none = nullptr;  // no file
  const struct {
    const char* why;
    const char* file;
    std::vector<BicEntry> entries;
    Batch want;
    const char* after;
  } rows[] = {
      {"no file: created with every entry",
       none,
       {{"DE", "1", "A"}, {"DE", "2", "B"}},
       {true, 2},
       "\"DE\";\"1\";\"A\"\r\n\"DE\";\"2\";\"B\"\r\n"},
      {"nothing to add: no file is created", none, {}, {true, 0}, none},
      {"a pair in the file keeps its BIC",
       "DE;1;OLD\r\n",
       {{"DE", "1", "A"}, {"DE", "2", "B"}},
       {true, 1},
       "DE;1;OLD\r\n\"DE\";\"2\";\"B\"\r\n"},
      {"every pair there: the file is not touched",
       "DE;1;OLD\r\nDE;2;OLD",
       {{"DE", "2", "B"}},
       {true, 0},
       "DE;1;OLD\r\nDE;2;OLD"},
      {"a pair given twice is added once, with its first BIC",
       none,
       {{"DE", "1", "A"}, {"DE", "1", "Z"}, {"DE", "2", "B"}},
       {true, 2},
       "\"DE\";\"1\";\"A\"\r\n\"DE\";\"2\";\"B\"\r\n"},
      {"a last line without line end is ended first",
       "\"AT\";\"2\";\"X\"",
       {{"DE", "1", "A"}},
       {true, 1},
       "\"AT\";\"2\";\"X\"\r\n\"DE\";\"1\";\"A\"\r\n"},
      {"one entry that would not read back: none is written",
       "AT;1;Y\r\n",
       {{"DE", "1", "A"}, {"DE", "1;2", "B"}},
       {false, 0},
       "AT;1;Y\r\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    TempDir t;
    if (r.file) t.write("BIC.csv", r.file);
    const std::string verz = t.file("konten.csv");
    BicIndex index;
    ASSERT_TRUE(index.load(verz.c_str()));
    EXPECT_EQ(putall(index, r.entries), r.want);
    EXPECT_EQ(t.exists("BIC.csv"), r.after != nullptr);
    if (r.after) {
      EXPECT_EQ(t.read("BIC.csv"), r.after);
    }
    for (const BicEntry& e : r.entries) {
      ASSERT_EQ(fromindex(index, e.land, e.blz), reflookup(e.land, e.blz, verz)) << e.blz;
    }
  }
}

// Many lines in one append must leave what the same puts one by one leave: the same file and
// the same answers.
TEST(BicIndex, PutallEndsLikePutsOneByOne) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DirectoryMaker m(seed);
    // Ending an open last line unmakes its two-field match, which puts one by one see from
    // the second put on and one append does not: a case of its own above.
    std::string content = m.file();
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    std::vector<BicEntry> entries;
    for (int i = 0; i < 30; ++i) {
      entries.push_back(
          {m.any(m.lands()).c_str(), m.any(m.blzs()).c_str(), m.any(m.bics()).c_str()});
    }
    TempDir a, b;
    a.write("BIC.csv", content);
    b.write("BIC.csv", content);
    const std::string va = a.file("konten.csv"), vb = b.file("konten.csv");
    BicIndex all, one;
    ASSERT_TRUE(all.load(va.c_str()));
    ASSERT_TRUE(one.load(vb.c_str()));
    const std::size_t held = one.size();
    std::size_t added;
    const bool ok = all.putall(entries, added);
    bool each = true;
    for (const BicEntry& e : entries) each = one.put(e.land, e.blz, e.bic) == 1 && each;
    if (!each) {
      // An entry that cannot be written stops the whole append.
      EXPECT_FALSE(ok);
      EXPECT_EQ(a.read("BIC.csv"), content);
      continue;
    }
    ASSERT_TRUE(ok);
    EXPECT_EQ(a.read("BIC.csv"), b.read("BIC.csv"));
    EXPECT_EQ(added, one.size() - held);
    expectsame(all, va, m);
  }
}

#ifndef _WIN32
// A write cut short (here by the file size limit, as by a full disk) is taken back whole, and
// the index forgets the pairs it could not add.
TEST(BicIndex, AFailedPutallLeavesFileAndIndexAsTheyWere) {
  TempDir t;
  const std::string before = "\"AT\";\"1\";\"X\"\r\n";
  t.write("BIC.csv", before);
  const std::string verz = t.file("konten.csv");
  BicIndex index;
  ASSERT_TRUE(index.load(verz.c_str()));
  const std::vector<BicEntry> entries = {
      {"DE", "10000000", "MARKDEF1100"}, {"DE", "10010010", "PBNKDEFF100"}, {"AT", "1", "Y"}};
  Batch got;
  {
    FileSizeLimit limit(before.size() + 40);  // room for the first new line, not for the second
    ASSERT_TRUE(limit.ok());
    got = putall(index, entries);
  }
  EXPECT_EQ(got, (Batch{false, 0}));
  EXPECT_EQ(t.read("BIC.csv"), before);
  EXPECT_EQ(fromindex(index, "DE", "10000000"), (Lookup{0, ""}));
  // With room again, the same call adds both.
  EXPECT_EQ(putall(index, entries), (Batch{true, 2}));
  EXPECT_EQ(reflookup("DE", "10010010", verz), (Lookup{1, "PBNKDEFF100"}));
  EXPECT_EQ(fromindex(index, "DE", "10010010"), (Lookup{1, "PBNKDEFF100"}));
}
#endif

// Loading fetches each line's slot a few lines ahead and sizes the table from the file's
// length. Many short lines (more entries than the length suggests, so the table still grows
// while lines are held) and a pair given again right behind itself, within the lines held,
// must load as the file reads: the later line wins.
TEST(BicIndex, LoadsLargeDirectoriesOfShortLinesLikeTheFile) {
  TempDir t;
  std::string content;
  for (int i = 0; i < 30000; ++i) content += "D;" + std::to_string(i) + ";B" + std::to_string(i % 7) + "\n";
  for (int i = 0; i < 5; ++i) content += "D;77;AGAIN" + std::to_string(i) + "\n";
  t.write("BIC.csv", content);
  const std::string verz = t.file("konten.csv");
  BicIndex index;
  ASSERT_TRUE(index.load(verz.c_str()));
  EXPECT_EQ(index.size(), 30000u);
  for (int i = 0; i < 30000; i += 97) {
    const std::string blz = std::to_string(i);
    ASSERT_EQ(fromindex(index, "D", blz), reflookup("D", blz, verz)) << blz;
  }
  EXPECT_EQ(fromindex(index, "D", "77"), (Lookup{1, "AGAIN4"}));
  EXPECT_EQ(fromindex(index, "D", "30000"), (Lookup{0, ""}));
}

// A harvest keeps its new lines back and writes them in one append at the end: until then the
// file is as it was, yet the index answers for them; the first BIC for a pair stays.
TEST(BicIndex, HeldLinesReachTheFileAtTheCommitOnly) {
  TempDir t;
  const std::string before = "\"AT\";\"1\";\"X\"\r\n";
  t.write("BIC.csv", before);
  const std::string verz = t.file("konten.csv");
  {
    BicIndex index;
    ASSERT_TRUE(index.load(verz.c_str()));
    EXPECT_EQ(index.add("DE", "10000000", "MARKDEF1100"), 1);
    EXPECT_EQ(index.add("AT", "1", "OTHER"), 1) << "held by the file";
    EXPECT_EQ(index.add("DE", "10000000", "SECOND"), 1) << "held back already";
    EXPECT_EQ(index.add("FR", "3000400001", "BNPAFRPP"), 1);
    EXPECT_EQ(t.read("BIC.csv"), before);
    EXPECT_EQ(fromindex(index, "DE", "10000000"), (Lookup{1, "MARKDEF1100"}));
    std::size_t added = 9;
    ASSERT_TRUE(index.commit(added));
    EXPECT_EQ(added, 2u);
    EXPECT_EQ(t.read("BIC.csv"), before + "\"DE\";\"10000000\";\"MARKDEF1100\"\r\n"
                                          "\"FR\";\"3000400001\";\"BNPAFRPP\"\r\n");
    ASSERT_TRUE(index.commit(added)) << "nothing left to write";
    EXPECT_EQ(added, 0u);
    EXPECT_EQ(index.add("IT", "0306909606", "BCITITMM"), 1);
  }
  // Lines held when the index goes are dropped, and the lock with them.
  EXPECT_EQ(t.read("BIC.csv").find("IT"), std::string::npos);
  BicIndex other;
  ASSERT_TRUE(other.load(verz.c_str()));
  EXPECT_EQ(other.add("IT", "0306909606", "BCITITMM"), 1);
  std::size_t added;
  ASSERT_TRUE(other.commit(added));
  EXPECT_EQ(reflookup("IT", "0306909606", verz), (Lookup{1, "BCITITMM"}));
}

// Pieces of an append: each ends at a line end and stays within a page of the file, unless it
// is one line that crosses a page boundary itself; together they are the text, in order.
TEST(BicPiece, CutsAtLineEndsWithinAPage) {
  std::string lines;
  for (int i = 0; lines.size() < 20000; ++i)
    lines += "\"DE\";\"" + std::to_string(10000000 + i * 7919) + "\";\"BIC" + std::to_string(i) + "\"\r\n";
  const struct {
    const char* why;
    std::string text;
    std::uintmax_t offset;
  } cases[] = {
      {"from a page boundary", lines, 0},
      {"from within a page", lines, 4000},
      {"a line right at the boundary", lines, 4096 - 26},
      {"a short text fits the page", "\"DE\";\"1\";\"X\"\r\n", 100},
      {"a line longer than the room left", std::string(90, 'x') + "\r\n" + "y\r\n", 4090},
      {"a text without a line end", std::string(5000, 'z'), 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::size_t done = 0, pieces = 0;
    while (done < c.text.size()) {
      const std::size_t n = bicpiece(c.text, done, c.offset + done);
      ASSERT_GT(n, 0u);
      ASSERT_LE(done + n, c.text.size());
      const std::uintmax_t from = c.offset + done, to = from + n;  // bytes [from, to)
      const bool last = done + n == c.text.size();
      if (!last) {
        EXPECT_EQ(c.text[done + n - 1], '\n');
      }
      if ((from / 4096) != ((to - 1) / 4096)) {
        // Crossing a boundary: one line (or the unended rest) only.
        const std::string piece = c.text.substr(done, n);
        EXPECT_EQ(piece.find('\n'), last && piece.back() != '\n' ? std::string::npos : n - 1)
            << "piece at " << from;
      }
      done += n;
      ++pieces;
    }
    EXPECT_EQ(done, c.text.size());
    if (c.text.size() > 8192) {
      EXPECT_LT(pieces, c.text.size() / 1000) << "pieces of a page";
    }
  }
}

// Reading takes pieces apart in place: for every piece, and every piece with a NUL in it,
// the fields and the BIC are exactly those of the terminated copy.
TEST(BicPiece, TakesPiecesApartLikeTheirTerminatedCopies) {
  const char alphabet[] = {'"', ';', ',', '\0', '\r', '\n', 'A', '1', ' '};
  std::mt19937 rng(20261210);
  std::vector<std::string> pieces = {"\"DE\";\"37040044\";\"COBADEFFXXX\"\r\n", "DE,1,X",
                                     "\"\";\"\";\"\"", "\"D\"E\";1;B", "DE;\"1\"\";B\"I\"C",
                                     std::string("DE\0;1;B", 7), "\"DE\";\"1\"", ";;;"};
  for (int i = 0; i < 20000; ++i) {
    std::string p(1 + rng() % 99, ' ');  // short pieces, pieces of one or more words, long ones
    for (char& c : p) c = alphabet[rng() % sizeof alphabet];
    pieces.push_back(p);
  }
  for (const std::string& p : pieces) {
    SCOPED_TRACE(::testing::PrintToString(p));
    const std::string copy = p.substr(0, p.find('\0'));
    BicLine want;
    const bool wantok = splitbicline(copy.c_str(), want);
    BicView got;
    BicLine scratch;
    ASSERT_EQ(splitbicpiece(p.data(), p.size(), got, scratch), wantok);
    EXPECT_EQ(std::string(got.land, got.landlen), want.land);
    EXPECT_EQ(std::string(got.blz, got.blzlen), want.blz);
    EXPECT_EQ(std::string(got.bic, got.biclen), want.bic);
  }
}

// A batch takes the harvest's index over only while it answers as the file would.
TEST(BicIndex, StaleOnceItNoLongerAnswersAsTheFileWould) {
  const std::string line = "\"AT\";\"1\";\"X\"\r\n";
  const struct {
    const char* why;
    bool file;  // BIC.csv there before the load
    void (*after)(BicIndex&, TempDir&);
    bool stale;
  } cases[] = {
      {"just loaded", true, [](BicIndex&, TempDir&) {}, false},
      {"no file, and still none", false, [](BicIndex&, TempDir&) {}, false},
      {"no file at load, one since", false,
       [](BicIndex&, TempDir& t) { t.write("BIC.csv", "\"DE\";\"1\";\"Y\"\r\n"); }, true},
      {"another run appended", true,
       [](BicIndex&, TempDir& t) { t.write("BIC.csv", t.read("BIC.csv") + "\"DE\";\"1\";\"Y\"\r\n"); },
       true},
      {"a line pending", true, [](BicIndex& b, TempDir&) { b.add("DE", "2", "Z"); }, true},
      {"committed and unlocked", true,
       [](BicIndex& b, TempDir&) {
         std::size_t n;
         b.add("DE", "2", "Z");
         b.commit(n);
         b.unlock();
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir t;
    if (c.file) t.write("BIC.csv", line);
    BicIndex index;
    EXPECT_TRUE(index.stale()) << "nothing loaded";
    ASSERT_TRUE(index.load(t.file("konten.csv").c_str()));
    c.after(index, t);
    EXPECT_EQ(index.stale(), c.stale);
  }
}

#ifndef _WIN32
// A commit that could write only some of its lines leaves an index that holds more than the
// file: stale, so that the batch reads the file afresh.
TEST(BicIndex, StaleAfterACommitThatLeftLinesOut) {
  TempDir t;
  const std::string before = "\"AT\";\"1\";\"X\"\r\n";
  t.write("BIC.csv", before);
  BicIndex index;
  ASSERT_TRUE(index.load(t.file("konten.csv").c_str()));
  ASSERT_EQ(index.add("DE", "10000000", "MARKDEF1100"), 1);
  ASSERT_EQ(index.add("AT", "19043", "BKAUATWW"), 1);
  std::size_t added = 9;
  bool all;
  {
    FileSizeLimit limit(before.size() + 30);  // room for the second line only
    ASSERT_TRUE(limit.ok());
    all = index.commit(added);
  }
  EXPECT_FALSE(all);
  EXPECT_EQ(added, 1u);
  EXPECT_EQ(t.read("BIC.csv"), before + "\"AT\";\"19043\";\"BKAUATWW\"\r\n");
  EXPECT_TRUE(index.stale());
}
#endif

}  // namespace
