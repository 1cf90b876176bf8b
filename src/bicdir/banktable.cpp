#include "bicdir/banktable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bicdir/bankfile.h"
#include "common/files.h"
#include "common/fsys.h"
#include "iban/kontocheck.h"

const char kBankTableHead[] = "\"BLZ\";\"Methode\";\"Loeschung\";\"Nachfolger\"\r\n";

namespace {

// A line of the table without its line end: "12345678";"06";"0";"00000000".
constexpr std::size_t kLine = 30;
constexpr char kLayout[] = "\"bbbbbbbb\";\"mm\";\"d\";\"ssssssss\"";
static_assert(sizeof kLayout - 1 == kLine, "the layout is one line");

bool digit(char c) {
  return c >= '0' && c <= '9';
}

// The number of the n digits at p; false when one is no digit.
bool number(const char* p, std::size_t n, std::uint32_t& v) {
  v = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!digit(p[i])) return false;
    v = v * 10 + static_cast<std::uint32_t>(p[i] - '0');
  }
  return true;
}

// Reads one line of the table by its layout; false when it does not follow it.
bool readline(const char* p, std::size_t n, BankRow& row) {
  if (n != kLine) return false;
  for (std::size_t i = 0; i < kLine; ++i) {
    const char want = kLayout[i];
    if ((want == '"' || want == ';') && p[i] != want) return false;
  }
  const char* method = p + 12;
  const bool methodok =
      (digit(method[0]) || (method[0] >= 'A' && method[0] <= 'Z')) && digit(method[1]);
  const char deletion = p[17];
  if (!methodok || (deletion != '0' && deletion != '1')) return false;
  row.method[0] = method[0];
  row.method[1] = method[1];
  row.method[2] = '\0';
  row.slot = static_cast<short>(methodslot(row.method));
  row.deleted = deletion == '1';
  return number(p + 1, 8, row.blz) && number(p + 21, 8, row.successor);
}

bool byblz(const BankRow& a, const BankRow& b) {
  return a.blz < b.blz;
}

}  // namespace

BankTableText banktabletext(const std::vector<BankRecord>& banks) {
  std::vector<const BankRecord*> sorted;
  sorted.reserve(banks.size());
  for (const BankRecord& r : banks) sorted.push_back(&r);
  // Stable: of a bank code given twice, the first record stays in front and wins.
  std::stable_sort(sorted.begin(), sorted.end(), [](const BankRecord* a, const BankRecord* b) {
    return std::strcmp(a->blz, b->blz) < 0;
  });
  BankTableText table;
  std::string& text = table.text;
  text = kBankTableHead;
  text.reserve(text.size() + sorted.size() * (kLine + 2));
  const char* last = "";
  for (const BankRecord* r : sorted) {
    if (std::strcmp(r->blz, last) == 0) continue;
    last = r->blz;
    ++table.rows;
    if (r->deleted) ++table.deleted;
    text += '"';
    text += r->blz;
    text += "\";\"";
    text += r->method;
    text += "\";\"";
    text += r->deleted ? '1' : '0';
    text += "\";\"";
    text += r->successor;
    text += "\"\r\n";
  }
  return table;
}

bool writebanktable(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  // Made fresh, never through a link planted under the temporary name.
  File f = createfresh(tmp, filemode(path));
  bool ok =
      f && std::fwrite(text.data(), 1, text.size(), f.get()) == text.size() && syncfile(f.get());
  if (f && !closefile(f)) ok = false;
  if (ok) ok = replacefile(tmp.c_str(), path.c_str());
  if (!ok) removeentry(tmp);
  return ok;
}

BankTable::Load BankTable::load(const std::string& path) {
  rows_.clear();
  slots_.clear();
  faultline_ = 0;
  File f = openfile(path, "rb");
  if (!f) return samefile(path, path) ? Load::Faulty : Load::Absent;
  std::string text;
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) text.append(buf, n);
  if (std::ferror(f.get())) return Load::Faulty;
  return read(text);
}

BankTable::Load BankTable::read(std::string_view text) {
  rows_.clear();
  slots_.clear();
  faultline_ = 0;
  // Lines end in CR LF or LF; the first is the head, empty lines may only close the file.
  std::size_t line = 0, at = 0, emptyline = 0;
  while (at < text.size()) {
    ++line;
    std::size_t end = text.find('\n', at);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > at && text[end - 1] == '\r') --end;
    const char* p = text.data() + at;
    const std::size_t len = end - at;
    at = next;
    if (len == 0) {
      if (emptyline == 0) emptyline = line;
      continue;
    }
    if (emptyline != 0) {
      faultline_ = emptyline;
      break;
    }
    if (line == 1) {
      if (std::string_view(p, len) != std::string_view(kBankTableHead, sizeof kBankTableHead - 3))
        faultline_ = 1;
    } else {
      BankRow row;
      if (readline(p, len, row)) {
        rows_.push_back(row);
      } else {
        faultline_ = line;
      }
    }
    if (faultline_ != 0) break;
  }
  if (line == 0) faultline_ = 1;  // an empty file has not even the head
  if (faultline_ != 0) {
    rows_.clear();
    return Load::Faulty;
  }
  // The table is written in order; one put in order by hand is read the same, and of a bank
  // code given twice the first line wins, as it does when the table is written.
  std::stable_sort(rows_.begin(), rows_.end(), byblz);
  rows_.erase(std::unique(rows_.begin(), rows_.end(),
                          [](const BankRow& a, const BankRow& b) { return a.blz == b.blz; }),
              rows_.end());
  index();
  return Load::Loaded;
}

namespace {

std::uint32_t slotof(std::uint32_t blz, unsigned shift) {
  return (blz * 2654435761u) >> shift;  // Fibonacci hashing: the top bits of the product
}

}  // namespace

void BankTable::index() {
  unsigned bits = 4;
  while ((std::size_t{1} << bits) < 2 * rows_.size()) ++bits;
  shift_ = 32 - bits;
  slots_.assign(std::size_t{1} << bits, 0);
  const std::uint32_t mask = (std::uint32_t{1} << bits) - 1;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    std::uint32_t at = slotof(rows_[i].blz, shift_);
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = static_cast<std::uint32_t>(i + 1);
  }
}

const BankRow* BankTable::find(const char* blz, std::size_t n) const {
  std::uint32_t key;
  if (n != 8 || !number(blz, 8, key)) return nullptr;
  if (slots_.empty()) return nullptr;
  const std::uint32_t mask = static_cast<std::uint32_t>(slots_.size() - 1);
  for (std::uint32_t at = slotof(key, shift_);; at = (at + 1) & mask) {
    const std::uint32_t row = slots_[at];
    if (row == 0) return nullptr;
    if (rows_[row - 1].blz == key) return &rows_[row - 1];
  }
}
