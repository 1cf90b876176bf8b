#include "bicdir/bicdir.h"

#include <cstring>

#include "bicdir/bicindex.h"

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

// The one-shot lookup and addition are the index's, over a file read for the one call.
int getbic(const char* land, const char* blz, char* bic, const char* verz) {
  BicIndex index;
  index.load(verz);
  return index.get(land, blz, bic);
}

int putbic(const char* land, const char* blz, const char* bic, const char* verz) {
  BicIndex index;
  index.load(verz);
  return index.put(land, blz, bic);
}
