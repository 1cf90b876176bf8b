#include "bicdir/bicline.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

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
