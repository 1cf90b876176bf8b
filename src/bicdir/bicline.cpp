#include "bicdir/bicline.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/bits.h"
#include "common/files.h"
#include "common/fsys.h"

namespace {

bool isbicsep(char c) {
  return c == ';' || c == ',';
}

// Copies one field of text into field, dropping double quotes, up to the next separator or
// the end of the text. Returns where the walk stopped: at the separator or at the NUL.
const char* takefield(const char* p, char* field, std::size_t& len) {
  len = 0;
  field[0] = '\0';
  for (; *p != '\0' && !isbicsep(*p); ++p) {
    if (*p != '"') appendc(field, kBicLineRead + 1, len, *p);
  }
  return p;
}

}  // namespace

bool splitbicline(const char* text, BicLine& line) {
  const char* p = takefield(text, line.land, line.landlen);
  line.blz[0] = '\0';
  line.blzlen = 0;
  line.bic[0] = '\0';
  if (*p == '\0') return false;
  p = takefield(p + 1, line.blz, line.blzlen);
  // Field 2 running to the end of the text leaves an empty BIC; the line still matches. So a
  // two-field line matches only when it is the last one and has no line end: otherwise its
  // CR LF belongs to field 2.
  if (*p == '\0') return true;
  ++p;
  // The 15 bytes are counted before the quotes go: a quoted BIC of 11 characters with its
  // CR LF takes exactly 15, a longer quoted one comes back with 14.
  std::size_t len = 0;
  for (int i = 0; i < kBicTake && p[i] != '\0'; ++i) {
    char c = p[i];
    if (c == '"') continue;
    if (c == ';' || c == ',' || c == '\n' || c == '\r') break;
    appendc(line.bic, sizeof line.bic, len, c);
  }
  return true;
}

namespace {

// One field of the piece [p, end): up to the next separator, the end, or a NUL. The field is a
// view of the piece when it holds no quote, or quotes at its two ends only; otherwise its bytes
// without quotes go to copy. Returns where the walk stopped.
const char* viewfield(const char* p, const char* end, const char*& field, std::size_t& len,
                      char* copy) {
  const char* q = p;
  std::size_t quotes = 0;
  for (; q != end && *q != ';' && *q != ',' && *q != '\0'; ++q) quotes += *q == '"';
  if (quotes == 0) {
    field = p;
    len = static_cast<std::size_t>(q - p);
  } else if (quotes == 2 && q - p >= 2 && *p == '"' && q[-1] == '"') {
    field = p + 1;
    len = static_cast<std::size_t>(q - p) - 2;
  } else {
    len = 0;
    for (const char* c = p; c != q; ++c)
      if (*c != '"') copy[len++] = *c;
    copy[len] = '\0';
    field = copy;
  }
  return q;
}

}  // namespace

namespace {

// Bit i of a mask stands for byte i of a piece of at most 64 bytes.
struct PieceMasks {
  std::uint64_t quote = 0;  // '"'
  std::uint64_t sep = 0;    // ';', ',' and NUL: where a field ends
  std::uint64_t eol = 0;    // CR and LF: where a BIC ends besides a separator
};

void addmasks(PieceMasks& m, const char* p, std::size_t at) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  auto is = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  const auto bits = [](__m128i x) {
    return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(x))};
  };
  m.quote |= bits(is('"')) << at;
  m.sep |= bits(_mm_or_si128(_mm_or_si128(is(';'), is(',')), is('\0'))) << at;
  m.eol |= bits(_mm_or_si128(is('\r'), is('\n'))) << at;
#else
  m.quote |= std::uint64_t{matchbytes16(p, '"', '"', '"', '"')} << at;
  m.sep |= std::uint64_t{matchbytes16(p, ';', ',', '\0', '\0')} << at;
  m.eol |= std::uint64_t{matchbytes16(p, '\r', '\n', '\r', '\n')} << at;
#endif
}

inline std::uint64_t below(std::size_t i) {
  return i >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << i) - 1;
}

// The masks of the n (at most 64) bytes at p, sixteen at a time, reading nothing behind them.
PieceMasks maskpiece(const char* p, std::size_t n) {
  PieceMasks m;
  std::size_t at = 0;
  for (; at + 16 <= n; at += 16) addmasks(m, p + at, at);
  if (at < n && n >= 16) {
    addmasks(m, p + n - 16, n - 16);  // the last sixteen, overlapping bytes already seen
  } else if (at < n) {
    // A short piece in a word of its own, behind it no byte the masks look for.
    char tail[16] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    std::memcpy(tail, p, n);
    addmasks(m, tail, 0);
  }
  const std::uint64_t inside = below(n);
  m.quote &= inside;
  m.sep &= inside;
  m.eol &= inside;
  return m;
}

inline std::size_t firstbit(std::uint64_t m, std::size_t none) {
  return m == 0 ? none : static_cast<std::size_t>(__builtin_ctzll(m));
}

// The field [from, to) of the piece as a view: whole when it holds no quote, inside its quotes
// when it holds two, at its ends. False when it needs its quotes taken out of the middle.
inline bool viewmasked(const char* p, const PieceMasks& m, std::size_t from, std::size_t to,
                       const char*& field, std::size_t& len) {
  const std::uint64_t q = m.quote & below(to) & ~below(from);
  if (q == 0) {
    field = p + from;
    len = to - from;
    return true;
  }
  if (to - from >= 2 && q == ((std::uint64_t{1} << from) | (std::uint64_t{1} << (to - 1)))) {
    field = p + from + 1;
    len = to - from - 2;
    return true;
  }
  return false;
}

// splitbicpiece for a piece of at most 64 bytes whose fields need no quotes taken out of their
// middle: a directory's usual line. False when the piece is none such; nothing is decided then.
bool splitmasked(const char* p, std::size_t n, BicView& view, bool& ok) {
  const PieceMasks m = maskpiece(p, n);
  const std::size_t s1 = firstbit(m.sep, n);
  if (!viewmasked(p, m, 0, s1, view.land, view.landlen)) return false;
  view.blz = "";
  view.blzlen = 0;
  view.biclen = 0;
  view.bic[0] = '\0';
  if (s1 == n || p[s1] == '\0') {
    ok = false;
    return true;
  }
  const std::size_t s2 = firstbit(m.sep & ~below(s1 + 1), n);
  if (!viewmasked(p, m, s1 + 1, s2, view.blz, view.blzlen)) return false;
  ok = true;
  if (s2 == n || p[s2] == '\0') return true;
  // The BIC: at most kBicTake bytes behind the separator, up to a separator or a line end.
  const std::size_t from = s2 + 1;
  std::size_t to = from + kBicTake < n ? from + kBicTake : n;
  to = firstbit((m.sep | m.eol) & ~below(from) & below(to), to);
  std::size_t len = 0;
  const char* bic;
  if (viewmasked(p, m, from, to, bic, len)) {
    std::memcpy(view.bic, bic, len);
  } else {
    len = 0;
    for (std::size_t i = from; i < to; ++i)
      if (p[i] != '"') view.bic[len++] = p[i];
  }
  view.bic[len] = '\0';
  view.biclen = len;
  return true;
}

}  // namespace

bool splitbicpiece(const char* p, std::size_t n, BicView& view, BicLine& scratch) {
#if defined(__GNUC__)
  bool ok;
  if (n <= 64 && splitmasked(p, n, view, ok)) return ok;
#endif
  const char* end = p + n;
  const char* q = viewfield(p, end, view.land, view.landlen, scratch.land);
  view.blz = "";
  view.blzlen = 0;
  view.biclen = 0;
  view.bic[0] = '\0';
  if (q == end || *q == '\0') return false;
  q = viewfield(q + 1, end, view.blz, view.blzlen, scratch.blz);
  if (q == end || *q == '\0') return true;
  ++q;
  std::size_t len = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(kBicTake) && q + i != end; ++i) {
    const char c = q[i];
    if (c == '\0' || c == ';' || c == ',' || c == '\n' || c == '\r') break;
    if (c != '"') view.bic[len++] = c;
  }
  view.bic[len] = '\0';
  view.biclen = len;
  return true;
}

bool bicmatches(const BicLine& line, const char* land, const char* blz) {
  return std::strcmp(line.land, land) == 0 && std::strcmp(line.blz, blz) == 0;
}

bool makebicline(const char* land, const char* blz, const char* bic, std::string& text,
                 BicLine& back) {
  text.clear();
  text.append("\"").append(land).append("\";\"").append(blz).append("\";\"").append(bic);
  text.append("\"\r\n");
  // A line written here must read back as this entry. A longer one would be read in pieces
  // and a LF would end it early; the later piece could then be taken as an entry of its own.
  if (text.size() > static_cast<std::size_t>(kBicLineRead)) return false;
  if (text.find('\n') != text.size() - 1) return false;
  return splitbicline(text.c_str(), back) && bicmatches(back, land, blz);
}

std::size_t bicpiece(std::string_view text, std::size_t done, std::uintmax_t offset) {
  constexpr std::uintmax_t kPage = 4096;
  const std::size_t room = static_cast<std::size_t>(kPage - offset % kPage);
  const std::size_t left = text.size() - done;
  if (left <= room) return left;
  std::size_t end = text.rfind('\n', done + room - 1);
  if (end == std::string_view::npos || end < done) end = text.find('\n', done + room);
  return end == std::string_view::npos ? left : end + 1 - done;
}

bool appendbicline(std::FILE* f, const std::string& path, const std::string& text,
                   bool newlinefirst, bool sync) {
  // The old length, known from the very file opened, is where a failed write is cut back to.
  const long before = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1L;
  const std::string out = newlinefirst ? "\r\n" + text : text;
  const std::uintmax_t at = before >= 0 ? static_cast<std::uintmax_t>(before) : 0;
  bool ok = true;
  for (std::size_t done = 0; ok && done < out.size();) {
    const std::size_t n = bicpiece(out, done, at + done);
    ok = std::fwrite(out.data() + done, 1, n, f) == n;
    done += n;
  }
  if (std::fflush(f) != 0) ok = false;
  if (ok && sync && !syncfile(f)) ok = false;
  if (!ok && before >= 0) {
    std::clearerr(f);
    std::error_code ec;
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(before), ec);
  }
  return ok;
}
