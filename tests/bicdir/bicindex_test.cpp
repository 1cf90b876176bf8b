#include "bicdir/bicindex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bicdir/bicdir.h"
#include "common/textbuf.h"
#include "support/bicref.h"
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

}  // namespace
