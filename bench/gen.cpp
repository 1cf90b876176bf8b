// Writes the benchmark inputs into the directory given on the command line, one folder per
// scenario, from a fixed seed: the same bytes on every machine and every run, so figures taken
// on different days compare. Each scenario folder holds what a run needs beside it (the BIC
// directory lives beside the data file):
//
//   batch-0, batch-100, batch-10k, batch-100k   data.csv (1,000,000 records) + BIC.csv of
//                                               0, 100, 10,000 or 100,000 entries
//   batch-100krec                               data.csv (the first 100,000 of those records)
//                                               + the 10,000-entry BIC.csv
//   harvest-10k, harvest-100k                   pay.xml (10,000 or 100,000 credit transfers),
//                                               data.csv (a user's few thousand records) and
//                                               the 10,000-entry BIC.csv
//   batch10k-0, batch10k-10k, batch10k-100k     data.csv (the first 10,000 of the 1,000,000
//                                               records) + BIC.csv of 0, 10,000 or 100,000
//                                               entries
//   harvest-compact                             pay.xml (100,000 credit transfers written on
//                                               one line, without indentation, each to a bank
//                                               of its own that no directory holds), the
//                                               user's data.csv and the 10,000-entry BIC.csv
//   manifest.txt                                record, transaction and byte counts
//
// With --big only the payment file of about 1 GB, into a folder of its own beside the others
// (which must be there already):
//
//   pay-1g                                      pay.xml (1,430,000 credit transfers written as
//                                               harvest-100k's), data.csv and BIC.csv of
//                                               harvest-100k, manifest.txt of its own
//
// usage: bench_gen OUTDIR
//        bench_gen --big OUTDIR
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kSeed = 20261208;
constexpr int kRecords = 1000000;
constexpr int kSmallRecords = 100000;
constexpr int kUserRecords = 5000;
constexpr int kOldHarvested = 500;
// The (country, bank code) pairs: the records draw from the hot ones, which every directory of
// 10,000 entries or more holds, and from the cold ones, which no directory holds. Filler pairs
// only make the directories bigger.
constexpr int kHot = 7000;
constexpr int kCold = 3000;
constexpr int kFiller = 93000;
constexpr int kHotPermille = 750;
// Creditor banks of the payment files that the 10,000-entry directory does not know yet: the
// harvest adds them. Bounded, so both payment files add about the same entries and the peak
// memory of the two harvests compares.
constexpr int kPayNew = 1000;
constexpr int kPayNewPermille = 400;
constexpr int kDebtors = 40;
// The batch of a few milliseconds: the first records of the big data file.
constexpr int kTinyRecords = 10000;
// The compact payment file: every transaction to a bank of its own.
constexpr int kCompactTx = 100000;
// The payment file of about 1 GB.
constexpr int kBigTx = 1430000;

// splitmix64: the same sequence with every compiler and standard library, which the standard
// distributions do not promise.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  /// 0 .. n - 1.
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(((next() >> 32) * n) >> 32); }
  bool permille(uint32_t p) { return below(1000) < p; }
  char digit() { return static_cast<char>('0' + below(10)); }
  char letter() { return static_cast<char>('A' + below(26)); }

 private:
  uint64_t s_;
};

// Normalised bank code and account number of each country, as runs of <count><class>:
// N a digit, A an upper-case letter, X a letter or digit. A code of two runs of digits is a
// code of two sections (its short form is padded per section, so it is never written short).
struct Country {
  const char* code;
  int weight;  // share of records and directory entries, per mille of the total weight
  const char* bank;
  const char* acct;
};

constexpr Country kCountries[] = {
    {"AD", 5, "4N4N", "12X"},     {"AT", 60, "5N", "11N"},      {"BE", 40, "3N", "9N"},
    {"CH", 50, "5N", "12X"},      {"CZ", 15, "4N", "16N"},      {"DE", 170, "8N", "10N"},
    {"DK", 20, "4N", "10N"},      {"ES", 95, "4N4N", "2N10N"},  {"FI", 20, "6N", "8N"},
    {"FO", 3, "4N", "10N"},       {"FR", 110, "5N5N", "11X2N"}, {"GB", 60, "4A6N", "8N"},
    {"GI", 3, "4A", "15X"},       {"GL", 3, "4N", "10N"},       {"GR", 15, "3N4N", "16X"},
    {"HU", 15, "3N4N", "16X"},    {"IE", 15, "4A6N", "8N"},     {"IS", 5, "4N", "18N"},
    {"IT", 110, "1A5N5N", "12X"}, {"LI", 5, "5N", "12X"},       {"LU", 10, "3N", "13X"},
    {"LV", 5, "4A", "13X"},       {"MC", 5, "5N5N", "11X2N"},   {"NL", 55, "4A", "10N"},
    {"NO", 20, "4N", "7N"},       {"PL", 40, "8N", "16X"},      {"PT", 30, "4N4N", "13N"},
    {"SE", 20, "3N", "17N"},      {"SI", 10, "5N", "10N"},      {"SM", 5, "1A5N5N", "12X"}};
constexpr int kNCountries = sizeof kCountries / sizeof kCountries[0];

struct Run {
  int count;
  char cls;
};

std::vector<Run> runs(const char* pattern) {
  std::vector<Run> out;
  int n = 0;
  for (const char* p = pattern; *p; ++p) {
    if (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p - '0');
    } else {
      out.push_back({n, *p});
      n = 0;
    }
  }
  return out;
}

// Letters are rare in account numbers even where the rule allows them.
std::string draw(Rng& rng, const char* pattern) {
  std::string s;
  for (const Run& r : runs(pattern)) {
    for (int i = 0; i < r.count; ++i) {
      if (r.cls == 'N') s += rng.digit();
      if (r.cls == 'A') s += rng.letter();
      if (r.cls == 'X') s += rng.permille(30) ? rng.letter() : rng.digit();
    }
  }
  return s;
}

/// True when the pattern is one run of digits or of letters-or-digits: such a text may be
/// written without its leading zeros, since the rule pads it back on the left.
bool strippable(const char* pattern) {
  std::vector<Run> r = runs(pattern);
  return r.size() == 1 && (r[0].cls == 'N' || r[0].cls == 'X');
}

/// True for the "IT"/"SM" rule, whose leading letter must already be upper case.
bool letterfirst(const char* pattern) {
  return std::strncmp(pattern, "1A", 2) == 0;
}

double capacity(const char* pattern) {
  double c = 1;
  for (const Run& r : runs(pattern)) {
    for (int i = 0; i < r.count; ++i) c *= r.cls == 'N' ? 10 : r.cls == 'A' ? 26 : 36;
  }
  return c;
}

struct Pair {
  int country;
  std::string bank;
};

uint64_t fnv(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// The BIC of a bank is a function of the pair, so the directories and the payment files agree.
std::string bicof(const Pair& p) {
  Rng rng(fnv(std::string(kCountries[p.country].code) + p.bank));
  std::string b;
  for (int i = 0; i < 4; ++i) b += rng.letter();
  b += kCountries[p.country].code;
  b += rng.permille(500) ? rng.letter() : rng.digit();
  b += rng.permille(500) ? rng.letter() : rng.digit();
  uint32_t branch = rng.below(100);
  if (branch < 50) {
    b += "XXX";
  } else if (branch < 65) {
    for (int i = 0; i < 3; ++i) b += rng.permille(500) ? rng.letter() : rng.digit();
  }
  return b;
}

int mod97(const std::string& s) {
  uint64_t r = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      r = (r * 10 + static_cast<uint64_t>(c - '0')) % 97;
    } else {
      r = (r * 100 + static_cast<uint64_t>(c - 'A' + 10)) % 97;
    }
  }
  return static_cast<int>(r);
}

std::string makeiban(const char* cc, const std::string& bank, const std::string& acct) {
  std::string bban = bank + acct;
  int check = 98 - mod97(bban + cc + "00");
  char cd[3] = {static_cast<char>('0' + check / 10), static_cast<char>('0' + check % 10), '\0'};
  return std::string(cc) + cd + bban;
}

/// The IBAN with one digit at or behind position from changed (the check digits when there is
/// none): the check number always catches that.
std::string breakiban(Rng& rng, std::string iban, std::size_t from = 2) {
  std::vector<std::size_t> digits;
  for (std::size_t i = from; i < iban.size(); ++i) {
    if (iban[i] >= '0' && iban[i] <= '9') digits.push_back(i);
  }
  if (digits.empty()) digits = {2, 3};
  std::size_t i = digits[rng.below(static_cast<uint32_t>(digits.size()))];
  iban[i] = static_cast<char>('0' + (iban[i] - '0' + 1 + rng.below(9)) % 10);
  return iban;
}

std::string printed(Rng& rng, const std::string& iban) {
  std::string s;
  bool lower = rng.permille(330);
  for (std::size_t i = 0; i < iban.size(); ++i) {
    if (i > 0 && i % 4 == 0) s += ' ';
    char c = iban[i];
    s += lower && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return s;
}

std::string stripzeros(const std::string& s) {
  std::size_t i = s.find_first_not_of('0');
  return i == std::string::npos ? std::string() : s.substr(i);
}

/// Blanks, hyphens or dots between the characters, the way people write numbers down.
std::string separated(Rng& rng, const std::string& s) {
  static const char kSeps[] = {' ', '-', '.', '/'};
  char sep = kSeps[rng.below(4)];
  std::size_t every = 2 + rng.below(3);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i > 0 && i % every == 0) out += sep;
    out += s[i];
  }
  return out;
}

std::string lowered(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// An account number as its country's rule normalises it, short ones zero-padded on the left.
std::string drawaccount(Rng& rng, int country) {
  const char* pattern = kCountries[country].acct;
  std::string a = draw(rng, pattern);
  if (strippable(pattern) && rng.permille(600)) {
    std::size_t zeros = rng.below(static_cast<uint32_t>(a.size() / 2) + 1);
    for (std::size_t i = 0; i < zeros; ++i) a[i] = '0';
  }
  return a;
}

// A file written through a big buffer. On one line, every line break is left out and so is
// the indentation behind it: markup written line by line comes out as one line.
class Output {
 public:
  explicit Output(const fs::path& path, bool oneline = false)
      : path_(path), f_(std::fopen(path.c_str(), "wb")), oneline_(oneline) {
    if (!f_) fail();
    std::setvbuf(f_, nullptr, _IOFBF, 1 << 20);
  }
  ~Output() { close(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  void put(const std::string& s) { put(s.data(), s.size()); }
  void put(const char* s) { put(s, std::strlen(s)); }
  void put(const char* s, std::size_t n) {
    if (oneline_) {
      squeezed_.clear();
      for (std::size_t i = 0; i < n; ++i) {
        if (s[i] == '\n') {
          linestart_ = true;
        } else if (!(linestart_ && s[i] == ' ')) {
          linestart_ = false;
          squeezed_ += s[i];
        }
      }
      s = squeezed_.data();
      n = squeezed_.size();
    }
    if (std::fwrite(s, 1, n, f_) != n) fail();
    bytes_ += n;
  }
  uint64_t bytes() const { return bytes_; }
  void close() {
    if (f_ && std::fclose(f_) != 0) fail();
    f_ = nullptr;
  }

 private:
  [[noreturn]] void fail() {
    std::fprintf(stderr, "bench_gen: cannot write %s\n", path_.c_str());
    std::exit(1);
  }
  fs::path path_;
  std::FILE* f_;
  bool oneline_;
  bool linestart_ = false;
  std::string squeezed_;
  uint64_t bytes_ = 0;
};

class Universe {
 public:
  explicit Universe(Rng& rng) {
    int total = 0;
    for (const Country& c : kCountries) total += c.weight;
    std::vector<std::unordered_set<std::string>> seen(kNCountries);
    for (int i = 0; i < kHot + kCold + kFiller; ++i) {
      int c;
      do {
        c = pick(rng, total);
      } while (static_cast<double>(seen[c].size()) >= capacity(kCountries[c].bank) / 2);
      std::string bank;
      do {
        bank = draw(rng, kCountries[c].bank);
      } while (!seen[c].insert(bank).second);
      Pair p{c, bank};
      if (i < kHot) {
        hotby_[c].push_back(hot.size());
        hot.push_back(p);
      } else if (i < kHot + kCold) {
        cold.push_back(p);
      } else {
        filler.push_back(p);
      }
    }
  }
  std::vector<Pair> hot, cold, filler;

  /// A country, drawn by the countries' weights (total: their sum).
  static int pick(Rng& rng, int total) {
    int w = static_cast<int>(rng.below(static_cast<uint32_t>(total)));
    for (int c = 0; c < kNCountries; ++c) {
      if (w < kCountries[c].weight) return c;
      w -= kCountries[c].weight;
    }
    return kNCountries - 1;
  }

  /// A hot pair of the country, or any hot pair when the country has none.
  const Pair& hotof(int country, Rng& rng) const {
    const std::vector<std::size_t>& of = hotby_[country];
    if (of.empty()) return hot[rng.below(kHot)];
    return hot[of[rng.below(static_cast<uint32_t>(of.size()))]];
  }

 private:
  std::vector<std::size_t> hotby_[kNCountries];
};

/// n pairs, all different, none of them one of the universe's: banks that no directory holds,
/// by the countries' weights as far as a country has bank codes left (at most three quarters
/// of its codes are taken, so that drawing a code not taken yet stays quick).
std::vector<Pair> freshpairs(Rng& rng, const Universe& u, int n) {
  std::vector<std::unordered_set<std::string>> seen(kNCountries);
  for (const std::vector<Pair>* of : {&u.hot, &u.cold, &u.filler}) {
    for (const Pair& p : *of) seen[p.country].insert(p.bank);
  }
  int total = 0;
  for (const Country& c : kCountries) total += c.weight;
  std::vector<Pair> out;
  out.reserve(static_cast<std::size_t>(n));
  while (static_cast<int>(out.size()) < n) {
    int c = Universe::pick(rng, total);
    if (static_cast<double>(seen[c].size()) >= capacity(kCountries[c].bank) * 3 / 4) continue;
    std::string bank;
    do {
      bank = draw(rng, kCountries[c].bank);
    } while (!seen[c].insert(bank).second);
    out.push_back({c, bank});
  }
  return out;
}

/// A BIC directory in the written format, its entries in a fixed shuffled order so that the
/// records' banks are spread over the whole file.
void writedir(const fs::path& path, Rng& rng, std::vector<Pair> entries) {
  for (std::size_t i = entries.size(); i > 1; --i) {
    std::swap(entries[i - 1], entries[rng.below(static_cast<uint32_t>(i))]);
  }
  Output out(path);
  for (const Pair& p : entries) {
    out.put("\"" + std::string(kCountries[p.country].code) + "\";\"" + p.bank + "\";\"" + bicof(p) +
            "\"\r\n");
  }
}

struct Line {
  std::string f[6];
  int fields = 6;
  bool quoted = false;
  char sep = ';';
};

std::string format(const Line& l) {
  std::string s;
  for (int i = 0; i < l.fields; ++i) {
    if (i > 0) s += l.sep;
    if (l.quoted) s += '"';
    s += l.f[i];
    if (l.quoted) s += '"';
  }
  s += "\r\n";
  return s;
}

// Data-file records of every kind a user's file holds, in fixed proportions. The generator
// follows the carried country only roughly (as far as it can tell which records set it):
// records without a country are written after a record of the country they mean.
class Records {
 public:
  Records(Rng& rng, const Universe& u) : rng_(rng), u_(u) {}

  Line next(long snr) {
    Line l;
    l.f[0] = std::to_string(snr);
    const Pair& p =
        rng_.permille(kHotPermille) ? u_.hot[rng_.below(kHot)] : u_.cold[rng_.below(kCold)];
    const Country& c = kCountries[p.country];
    std::string acct = drawaccount(rng_, p.country);
    uint32_t kind = rng_.below(1000);
    if (kind < 330) {  // account record, as written or short
      account(l, p, acct, false);
      carried_ = p.country;
    } else if (kind < 380) {  // account record with separators and lower case
      account(l, p, acct, true);
      carried_ = p.country;
    } else if (kind < 460) {  // account record of the carried country, without its own
      const Pair& q = u_.hotof(carried_, rng_);
      account(l, q, drawaccount(rng_, q.country), false);
      l.f[1].clear();
    } else if (kind < 710) {  // IBAN, electronic form
      iban(l, makeiban(c.code, p.bank, acct), p.country);
    } else if (kind < 860) {  // IBAN, printed form
      iban(l, printed(rng_, makeiban(c.code, p.bank, acct)), p.country);
    } else if (kind < 910) {  // IBAN with a digit changed
      std::string bad = breakiban(rng_, makeiban(c.code, p.bank, acct));
      l.f[4] = rng_.permille(500) ? printed(rng_, bad) : bad;
    } else if (kind < 950) {  // bank code or account number missing
      account(l, p, acct, false);
      (rng_.permille(500) ? l.f[2] : l.f[3]).clear();
    } else if (kind < 990) {  // bank code that breaks the country's rule
      account(l, p, acct, false);
      l.f[2] = badbank(p);
    } else {  // country field that is no country code
      static const char* kOdd[] = {"de", "DEU", "XX", "at", "D", "Deutschland"};
      account(l, p, acct, false);
      l.f[1] = kOdd[rng_.below(6)];
    }
    if (rng_.permille(40)) l.f[5] = bicof(p);
    if (rng_.permille(20)) l.quoted = true;
    if (rng_.permille(30)) l.sep = ',';
    // Lines cut after the IBAN or the account field, as the legend shows them.
    if (l.f[5].empty() && l.f[4].empty() && rng_.permille(50))
      l.fields = rng_.permille(500) ? 5 : 4;
    return l;
  }

 private:
  void account(Line& l, const Pair& p, const std::string& acct, bool messy) {
    const Country& c = kCountries[p.country];
    l.f[1] = c.code;
    l.f[2] = p.bank;
    l.f[3] = acct;
    if (strippable(c.bank) && rng_.permille(300)) l.f[2] = stripzeros(p.bank);
    if (strippable(c.acct) && rng_.permille(500)) l.f[3] = stripzeros(acct);
    if (messy) {
      // Letters of a letter-only section may come in lower case, not the "IT"/"SM" letter.
      if (!letterfirst(c.bank)) l.f[2] = lowered(l.f[2]);
      if (rng_.permille(600)) l.f[2] = separated(rng_, l.f[2]);
      if (rng_.permille(600)) l.f[3] = separated(rng_, l.f[3]);
    }
  }

  void iban(Line& l, const std::string& text, int country) {
    l.f[4] = text;
    if (rng_.permille(300)) l.f[1] = kCountries[country].code;
    carried_ = country;
  }

  std::string badbank(const Pair& p) {
    std::string b = p.bank;
    std::size_t i = rng_.below(static_cast<uint32_t>(b.size()));
    if (b[i] >= '0' && b[i] <= '9') {
      b[i] = b[i] == '0' ? 'O' : static_cast<char>('A' + rng_.below(26));
    } else if (i == 0 && letterfirst(kCountries[p.country].bank)) {
      b[i] = static_cast<char>(b[i] - 'A' + 'a');
    } else {
      b[i] = rng_.digit();
    }
    return b;
  }

  Rng& rng_;
  const Universe& u_;
  int carried_ = 1;  // "AT", where every run starts
};

// ---- payment files ----------------------------------------------------------------------

const char* const kNames[] = {"Muster Handels GmbH",
                              "Beispiel Maschinenbau AG",
                              "Voorbeeld Bloemen BV",
                              "Exemple & Fils SARL",
                              "Ejemplo Servicios S.L.",
                              "Esempio Forniture S.p.A.",
                              "M\xC3\xBCller Logistik KG",
                              "Sample Trading Ltd",
                              "Przyk\xC5\x82"
                              "ad Sp. z o.o.",
                              "Eksempel ApS"};

std::string xmltext(const char* s) {
  std::string out;
  for (const char* p = s; *p; ++p) {
    if (*p == '&') {
      out += "&amp;";
    } else {
      out += *p;
    }
  }
  return out;
}

std::string amount(int64_t cents) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRId64 ".%02d", cents / 100, static_cast<int>(cents % 100));
  return buf;
}

struct Party {
  Pair bank;
  std::string iban;
  std::string name;
};

class Payments {
 public:
  Payments(Rng& rng, const Universe& u) : rng_(rng), u_(u) {
    for (int i = 0; i < kDebtors; ++i) {
      const Pair& p = u_.hot[rng_.below(kHot)];
      std::string name = std::string(kNames[rng_.below(10)]) + " " + std::to_string(i + 1);
      debtors_.push_back(
          {p, makeiban(kCountries[p.country].code, p.bank, drawaccount(rng_, p.country)), name});
    }
  }

  /// Writes a credit-transfer initiation of ntx transactions in payment blocks of 20 to 180.
  /// With creditors, transaction t goes to the bank creditors[t] (else to a hot or cold one);
  /// oneline writes the file without line breaks and indentation.
  uint64_t write(const fs::path& path, int ntx, const char* msgid,
                 const std::vector<Pair>* creditors = nullptr, bool oneline = false) {
    creditors_ = creditors;
    std::vector<int64_t> cents(static_cast<std::size_t>(ntx));
    int64_t total = 0;
    for (int64_t& c : cents) total += c = 100 + rng_.below(500000);
    std::vector<int> blocks;
    for (int left = ntx; left > 0;) {
      int n = std::min(left, 20 + static_cast<int>(rng_.below(161)));
      blocks.push_back(n);
      left -= n;
    }
    Output out(path, oneline);
    out.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.put("<!-- Benchmark input: generated, not a real payment order. -->\n");
    out.put(
        "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03 "
        "pain.001.001.03.xsd\">\n");
    out.put("  <CstmrCdtTrfInitn>\n    <GrpHdr>\n");
    out.put("      <MsgId>" + std::string(msgid) + "</MsgId>\n");
    out.put("      <CreDtTm>2026-12-08T09:30:47.000Z</CreDtTm>\n");
    out.put("      <NbOfTxs>" + std::to_string(ntx) + "</NbOfTxs>\n");
    out.put("      <CtrlSum>" + amount(total) + "</CtrlSum>\n");
    out.put(
        "      <InitgPty>\n        <Nm>Initiator Name</Nm>\n      </InitgPty>\n    </GrpHdr>\n");
    std::size_t t = 0;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      int64_t sum = 0;
      for (int i = 0; i < blocks[b]; ++i) sum += cents[t + static_cast<std::size_t>(i)];
      block(out, b, blocks[b], sum);
      for (int i = 0; i < blocks[b]; ++i, ++t) transaction(out, t, cents[t]);
      out.put("    </PmtInf>\n");
    }
    out.put("  </CstmrCdtTrfInitn>\n</Document>\n");
    out.close();
    return out.bytes();
  }

  /// Records an earlier harvest wrote: the merge drops them.
  std::string oldharvested() {
    const Pair& p = u_.hot[rng_.below(kHot)];
    const char* cc = kCountries[p.country].code;
    return std::string("\"0\";\"") + cc + "\";\"\";\"\";\"" +
           makeiban(cc, p.bank, drawaccount(rng_, p.country)) + "\";\r\n";
  }

 private:
  void block(Output& out, std::size_t b, int n, int64_t sum) {
    const Party& d = debtors_[rng_.below(kDebtors)];
    const char* cc = kCountries[d.bank.country].code;
    out.put("    <PmtInf>\n      <PmtInfId>PMT-" + std::to_string(b + 1) + "</PmtInfId>\n");
    out.put("      <PmtMtd>TRF</PmtMtd>\n      <BtchBookg>true</BtchBookg>\n");
    out.put("      <NbOfTxs>" + std::to_string(n) + "</NbOfTxs>\n");
    out.put("      <CtrlSum>" + amount(sum) + "</CtrlSum>\n");
    out.put(
        "      <PmtTpInf>\n        <SvcLvl>\n          <Cd>SEPA</Cd>\n        </SvcLvl>\n"
        "      </PmtTpInf>\n      <ReqdExctnDt>2026-12-10</ReqdExctnDt>\n");
    out.put("      <Dbtr>\n        <Nm>" + xmltext(d.name.c_str()) + "</Nm>\n");
    out.put("        <PstlAdr>\n          <Ctry>" + std::string(cc) +
            "</Ctry>\n        </PstlAdr>\n      </Dbtr>\n");
    out.put("      <DbtrAcct>\n        <Id>\n          <IBAN>" + d.iban +
            "</IBAN>\n        </Id>\n      </DbtrAcct>\n");
    out.put("      <DbtrAgt>\n        <FinInstnId>\n          <BIC>" + bicof(d.bank) +
            "</BIC>\n        </FinInstnId>\n      </DbtrAgt>\n      <ChrgBr>SLEV</ChrgBr>\n");
  }

  // Mostly agent by BIC and account by IBAN; some in the older national form (clearing
  // member and proprietary account), some with a BIC but a proprietary account, a few IBANs
  // with a wrong check digit.
  void transaction(Output& out, std::size_t t, int64_t cents) {
    const Pair& p = creditors_                     ? (*creditors_)[t]
                    : rng_.permille(kPayNewPermille) ? u_.cold[rng_.below(kPayNew)]
                                                     : u_.hot[rng_.below(kHot)];
    const char* cc = kCountries[p.country].code;
    std::string acct = drawaccount(rng_, p.country);
    uint32_t kind = rng_.below(1000);
    bool national = kind < 80;
    bool prtry = kind < 120;
    out.put("      <CdtTrfTxInf>\n        <PmtId>\n          <EndToEndId>E2E-" +
            std::to_string(t + 1) + "</EndToEndId>\n        </PmtId>\n");
    out.put("        <Amt>\n          <InstdAmt Ccy=\"EUR\">" + amount(cents) +
            "</InstdAmt>\n        </Amt>\n");
    out.put("        <CdtrAgt>\n          <FinInstnId>\n");
    if (national) {
      out.put("            <ClrSysMmbId>\n              <Id>" + p.bank +
              "</Id>\n            </ClrSysMmbId>\n");
    } else {
      out.put("            <BIC>" + bicof(p) + "</BIC>\n");
    }
    out.put("          </FinInstnId>\n        </CdtrAgt>\n");
    out.put("        <Cdtr>\n          <Nm>" + xmltext(kNames[rng_.below(10)]) + "</Nm>\n");
    out.put("          <PstlAdr>\n");
    if (rng_.permille(300)) {
      out.put("            <StrtNm>Hauptstrasse</StrtNm>\n            <BldgNb>" +
              std::to_string(1 + rng_.below(200)) +
              "</BldgNb>\n            <TwnNm>Musterstadt</TwnNm>\n");
    }
    out.put("            <Ctry>" + std::string(cc) +
            "</Ctry>\n          </PstlAdr>\n        </Cdtr>\n");
    out.put("        <CdtrAcct>\n          <Id>\n");
    if (prtry) {
      out.put("            <PrtryAcct>\n              <Id>" + acct +
              "</Id>\n            </PrtryAcct>\n");
    } else {
      std::string iban = makeiban(cc, p.bank, acct);
      // Only the account part is broken: the harvest still files the bank under its own code,
      // so the entries that a payment file adds are the banks its transactions name.
      if (rng_.permille(30)) iban = breakiban(rng_, iban, 4 + p.bank.size());
      out.put("            <IBAN>" + iban + "</IBAN>\n");
    }
    out.put("          </Id>\n        </CdtrAcct>\n");
    out.put("        <RmtInf>\n          <Ustrd>Invoice " + std::to_string(100000 + t) +
            "</Ustrd>\n        </RmtInf>\n      </CdtTrfTxInf>\n");
  }

  Rng& rng_;
  const Universe& u_;
  std::vector<Party> debtors_;
  const std::vector<Pair>* creditors_ = nullptr;
};

void linkorcopy(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::remove(to, ec);
  fs::create_hard_link(from, to, ec);
  if (ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

fs::path scenario(const fs::path& root, const char* name) {
  fs::path dir = root / name;
  fs::create_directories(dir);
  return dir;
}

// The payment file of about 1 GB, beside the inputs bench_gen OUTDIR wrote: harvest-100k's
// transactions, about fourteen times as many, with that scenario's data file and directory.
int writebig(const fs::path& root) {
  const fs::path from = root / "harvest-100k";
  if (!fs::exists(from / "data.csv") || !fs::exists(from / "BIC.csv")) {
    std::fprintf(stderr, "bench_gen: %s is missing: run bench_gen OUTDIR first\n",
                 from.c_str());
    return 1;
  }
  Rng rng(kSeed);
  Universe u(rng);
  const fs::path dir = scenario(root, "pay-1g");
  Rng brng(kSeed + 5);
  Payments pay(brng, u);
  uint64_t bytes = pay.write(dir / "pay.xml", kBigTx, "BENCH-1G");
  linkorcopy(from / "data.csv", dir / "data.csv");
  linkorcopy(from / "BIC.csv", dir / "BIC.csv");
  Output m(dir / "manifest.txt");
  char buf[128];
  std::snprintf(buf, sizeof buf, "pay1g_tx %d\npay1g_bytes %" PRIu64 "\n", kBigTx, bytes);
  m.put(buf);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--big") == 0) return writebig(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_gen OUTDIR\n       bench_gen --big OUTDIR\n");
    return 2;
  }
  const fs::path root = argv[1];
  fs::create_directories(root);

  Rng rng(kSeed);
  Universe u(rng);

  // Directories: each larger one holds the smaller ones' entries.
  std::vector<Pair> d100(u.hot.begin(), u.hot.begin() + 70);
  d100.insert(d100.end(), u.filler.begin(), u.filler.begin() + 30);
  std::vector<Pair> d10k = u.hot;
  d10k.insert(d10k.end(), u.filler.begin(), u.filler.begin() + 3000);
  std::vector<Pair> d100k = u.hot;
  d100k.insert(d100k.end(), u.filler.begin(), u.filler.end());

  const fs::path b0 = scenario(root, "batch-0"), b100 = scenario(root, "batch-100"),
                 b10k = scenario(root, "batch-10k"), b100k = scenario(root, "batch-100k"),
                 small = scenario(root, "batch-100krec"), h10k = scenario(root, "harvest-10k"),
                 h100k = scenario(root, "harvest-100k"), t0 = scenario(root, "batch10k-0"),
                 t10k = scenario(root, "batch10k-10k"), t100k = scenario(root, "batch10k-100k"),
                 hc = scenario(root, "harvest-compact");
  Output(b0 / "BIC.csv").close();
  writedir(b100 / "BIC.csv", rng, d100);
  writedir(b10k / "BIC.csv", rng, d10k);
  writedir(b100k / "BIC.csv", rng, d100k);
  for (const fs::path& d : {small, h10k, h100k, hc}) linkorcopy(b10k / "BIC.csv", d / "BIC.csv");
  linkorcopy(b0 / "BIC.csv", t0 / "BIC.csv");
  linkorcopy(b10k / "BIC.csv", t10k / "BIC.csv");
  linkorcopy(b100k / "BIC.csv", t100k / "BIC.csv");

  // The data file: the small and the tiny one are the first records of the big one.
  uint64_t bytes = 0, smallbytes = 0, tinybytes = 0;
  {
    Rng drng(kSeed + 1);
    Records recs(drng, u);
    Output big(b0 / "data.csv"), first(small / "data.csv"), tiny(t0 / "data.csv");
    for (long i = 1; i <= kRecords; ++i) {
      std::string s = format(recs.next(i));
      big.put(s);
      if (i <= kSmallRecords) first.put(s);
      if (i <= kTinyRecords) tiny.put(s);
    }
    big.close();
    first.close();
    tiny.close();
    bytes = big.bytes();
    smallbytes = first.bytes();
    tinybytes = tiny.bytes();
  }
  for (const fs::path& d : {b100, b10k, b100k}) linkorcopy(b0 / "data.csv", d / "data.csv");
  for (const fs::path& d : {t10k, t100k}) linkorcopy(t0 / "data.csv", d / "data.csv");

  // Payment files, and the user's own data file beside them: the records of an earlier
  // harvest first, then the user's records.
  Rng prng(kSeed + 2);
  Payments pay(prng, u);
  uint64_t pay10k = pay.write(h10k / "pay.xml", 10000, "BENCH-10K");
  uint64_t pay100k = pay.write(h100k / "pay.xml", 100000, "BENCH-100K");
  {
    Rng urng(kSeed + 3);
    Records recs(urng, u);
    Output user(h10k / "data.csv");
    for (int i = 0; i < kOldHarvested; ++i) user.put(pay.oldharvested());
    for (long i = 1; i <= kUserRecords; ++i) user.put(format(recs.next(i)));
  }
  linkorcopy(h10k / "data.csv", h100k / "data.csv");

  // The compact payment file: a generator of its own, so the files above stay as they were.
  // Its creditor banks are all different and new to every directory: a first harvest adds
  // an entry for every transaction that names its bank by BIC and IBAN.
  uint64_t compact = 0;
  {
    Rng crng(kSeed + 4);
    std::vector<Pair> fresh = freshpairs(crng, u, kCompactTx);
    Payments cpay(crng, u);
    compact = cpay.write(hc / "pay.xml", kCompactTx, "BENCH-COMPACT", &fresh, true);
  }
  linkorcopy(h10k / "data.csv", hc / "data.csv");

  Output m(root / "manifest.txt");
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "records %d\nbytes %" PRIu64 "\nsmall_records %d\nsmall_bytes %" PRIu64
                "\npay10k_tx %d\npay10k_bytes %" PRIu64 "\npay100k_tx %d\npay100k_bytes %" PRIu64
                "\nuser_records %d\ntiny_records %d\ntiny_bytes %" PRIu64
                "\ncompact_tx %d\ncompact_bytes %" PRIu64 "\n",
                kRecords, bytes, kSmallRecords, smallbytes, 10000, pay10k, 100000, pay100k,
                kUserRecords + kOldHarvested, kTinyRecords, tinybytes, kCompactTx, compact);
  m.put(buf);
  return 0;
}
