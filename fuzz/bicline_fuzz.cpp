// The BIC directory's line reader on arbitrary pieces: fields and BIC terminated within their
// buffers, the BIC never longer than the bytes it may take, a piece taken apart in place read
// as its terminated copy, and a line written for an entry always read back as that entry.
#include <cstdint>
#include <cstring>
#include <string>

#include "bicdir/bicline.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One read of the directory takes at most kBicLineRead bytes.
  std::string piece(reinterpret_cast<const char*>(data),
                    size < static_cast<std::size_t>(kBicLineRead) ? size : kBicLineRead);
  BicLine line;
  bool two = splitbicline(piece.c_str(), line);
  FUZZ_CHECK(strnlen(line.land, sizeof line.land) < sizeof line.land);
  FUZZ_CHECK(strnlen(line.bic, sizeof line.bic) <= static_cast<std::size_t>(kBicTake));
  FUZZ_CHECK(std::strlen(line.land) == line.landlen);
  if (two) {
    FUZZ_CHECK(strnlen(line.blz, sizeof line.blz) < sizeof line.blz);
    FUZZ_CHECK(std::strlen(line.blz) == line.blzlen);
    FUZZ_CHECK(bicmatches(line, line.land, line.blz));
    for (const char* p = line.bic; *p; ++p) {
      FUZZ_CHECK(*p != '"' && *p != ';' && *p != ',' && *p != '\n' && *p != '\r');
    }
  }

  // Reading a directory takes the piece apart where it lies, NULs and all: the same fields and
  // BIC as its terminated copy gives.
  BicView view;
  BicLine scratch;
  FUZZ_CHECK(splitbicpiece(piece.data(), piece.size(), view, scratch) == two);
  FUZZ_CHECK(std::string(view.land, view.landlen) == line.land);
  FUZZ_CHECK(std::string(view.blz, view.blzlen) == line.blz);
  FUZZ_CHECK(std::string(view.bic, view.biclen) == line.bic);

  // The same bytes cut into an entry: whatever makebicline accepts reads back as that entry.
  std::size_t a = size > 0 ? data[0] % 8 : 0, b = size > 1 ? data[1] % 24 : 0;
  std::string text(piece.c_str());
  std::string land = text.substr(0, a), blz = text.substr(a < text.size() ? a : text.size(), b);
  std::string bic = text.size() > a + b ? text.substr(a + b, 11) : "";
  std::string written;
  BicLine back;
  if (makebicline(land.c_str(), blz.c_str(), bic.c_str(), written, back)) {
    BicLine again;
    FUZZ_CHECK(written.size() <= static_cast<std::size_t>(kBicLineRead));
    FUZZ_CHECK(splitbicline(written.c_str(), again));
    FUZZ_CHECK(bicmatches(again, land.c_str(), blz.c_str()));
    FUZZ_CHECK(std::strcmp(again.bic, back.bic) == 0);
  }
  return 0;
}
