#include "bicdir/bicdir.h"

#include <cstring>

#include "bicdir/bicline.h"
#include "common/files.h"

namespace {

// Where the data file's folder ends in verz: just past its last directory separator, or 0 for
// a bare file name. Windows takes "/" between folders as well as "\", and "C:konten.csv" names
// a file in the current folder of drive C:, whose BIC directory is then "C:BIC.csv"; elsewhere
// only "/" separates.
std::string::size_type folderend(const std::string& path) {
#ifdef _WIN32
  std::string::size_type sep = path.find_last_of("\\/");
  if (sep != std::string::npos) return sep + 1;
  bool drive = path.size() >= 2 && path[1] == ':' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive ? 2 : 0;
#else
  std::string::size_type sep = path.rfind('/');
  return sep == std::string::npos ? 0 : sep + 1;
#endif
}

}  // namespace

std::string bicpath(const char* verz) {
  std::string path(verz);
  path.erase(folderend(path));
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
