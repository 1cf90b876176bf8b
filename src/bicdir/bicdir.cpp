#include "bicdir/bicdir.h"

#include <cstring>

#include "bicdir/bicline.h"
#include "common/files.h"

namespace {

// Only the platform's own separator counts: no "/" on Windows, no drive colon, no "\"
// elsewhere.
#ifdef _WIN32
constexpr char kDirSep = '\\';
#else
constexpr char kDirSep = '/';
#endif

}  // namespace

std::string bicpath(const char* verz) {
  std::string path(verz);
  std::string::size_type sep = path.rfind(kDirSep);
  path.erase(sep == std::string::npos ? 0 : sep + 1);
  return path + "BIC.csv";
}

int getbic(const char* land, const char* blz, char* bic, const char* verz) {
  bic[0] = '\0';
  File f = openfile(bicpath(verz), "rb");
  if (!f) return 0;
  LineReader in(f.get());
  char text[kBicLineRead + 1];
  BicLine line;
  int found = 0;
  // No stop at the first match: a pair entered twice by hand gives the BIC of its last line.
  while (in.next(text, sizeof text) > 0) {
    if (splitbicline(text, line) && bicmatches(line, land, blz)) {
      std::memcpy(bic, line.bic, std::strlen(line.bic) + 1);
      found = 1;
    }
  }
  return found;
}

int putbic(const char* land, const char* blz, const char* bic, const char* verz) {
  const std::string path = bicpath(verz);
  bool open = false;  // the file ends inside a line
  if (File f = openfile(path, "rb")) {
    LineReader in(f.get());
    char text[kBicLineRead + 1];
    BicLine line;
    std::size_t len;
    while ((len = in.next(text, sizeof text)) > 0) {
      // The first BIC seen for a pair stays, even when bic differs.
      if (splitbicline(text, line) && bicmatches(line, land, blz)) return 1;
      open = text[len - 1] != '\n';
    }
    // Without the whole file read, the pair may be there already with another BIC, which a
    // line appended now would override for every later lookup.
    if (in.failed()) return 0;
  }
  std::string text;
  BicLine back;
  if (!makebicline(land, blz, bic, text, back)) return 0;
  // A last line without its line end would run on into the new one and both would be lost.
  return appendbicline(path, text, open) ? 1 : 0;
}
