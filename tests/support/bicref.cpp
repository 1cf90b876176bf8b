#include "support/bicref.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "bicdir/bicdir.h"
#include "bicdir/bicline.h"
#include "common/files.h"
#include "common/textbuf.h"

std::ostream& operator<<(std::ostream& os, const Lookup& l) {
  return os << l.found << " \"" << l.bic << "\"";
}

Lookup lookup(const std::string& land, const std::string& blz, const std::string& verz) {
  char bic[kFieldSize] = "left over";
  int found = getbic(land.c_str(), blz.c_str(), bic, verz.c_str());
  return {found, bic};
}

Lookup reflookup(const std::string& land, const std::string& blz, const std::string& verz) {
  Lookup l{0, ""};
  File f = openfile(bicpath(verz.c_str()), "rb");
  if (!f) return l;
  LineReader in(f.get());
  char text[kBicLineRead + 1];
  BicLine line;
  while (in.next(text, sizeof text) > 0) {
    if (splitbicline(text, line) && bicmatches(line, land.c_str(), blz.c_str())) {
      l = {1, line.bic};
    }
  }
  return l;
}

int refput(const std::string& land, const std::string& blz, const std::string& bic,
           const std::string& verz) {
  const std::string path = bicpath(verz.c_str());
  bool open = false;  // the file ends inside a line
  if (File f = openfile(path, "rb")) {
    LineReader in(f.get());
    char text[kBicLineRead + 1];
    BicLine line;
    std::size_t len;
    while ((len = in.next(text, sizeof text)) > 0) {
      if (splitbicline(text, line) && bicmatches(line, land.c_str(), blz.c_str())) return 1;
      open = text[len - 1] != '\n';
    }
    if (in.failed()) return 0;
  }
  std::string text;
  BicLine back;
  if (!makebicline(land.c_str(), blz.c_str(), bic.c_str(), text, back)) return 0;
  File f = openfile(path, "ab");
  if (!f) return 0;
  const std::string out = open ? "\r\n" + text : text;
  bool ok = std::fwrite(out.data(), 1, out.size(), f.get()) == out.size();
  return closefile(f) && ok ? 1 : 0;
}
