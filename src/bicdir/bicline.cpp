#include "bicdir/bicline.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/files.h"

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

bool appendbicline(std::FILE* f, const std::string& path, const std::string& text,
                   bool newlinefirst) {
  // The old length, known from the very file opened, is where a failed write is cut back to.
  long before = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1L;
  // One write of the whole text: a failure then leaves nothing or one cut-back piece.
  std::string out = newlinefirst ? "\r\n" + text : text;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (std::fflush(f) != 0) ok = false;
  if (!ok && before >= 0) {
    std::clearerr(f);
    std::error_code ec;
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(before), ec);
  }
  return ok;
}
