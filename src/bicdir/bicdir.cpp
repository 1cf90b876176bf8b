#include "bicdir/bicdir.h"

#include <cstring>

#include "bicdir/bicindex.h"

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
