// The lines of "BIC.csv": how one is taken apart and how a new one is written. getbic, putbic
// and BicIndex all go through these, so the one-shot functions and the index cannot disagree.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/textbuf.h"

constexpr int kBicTake = 15;  ///< bytes of a line's rest examined for its BIC, quotes counted

/// One piece of "BIC.csv" (a read of at most kBicLineRead bytes) taken apart.
struct BicLine {
  char land[kBicLineRead + 1];  ///< field 1, quotes removed
  char blz[kBicLineRead + 1];   ///< field 2, quotes removed
  char bic[kBicTake + 1];       ///< the BIC text, quotes removed
  std::size_t landlen;
  std::size_t blzlen;
};

/// Takes apart the terminated text of one piece (the text ends at its first NUL).
/// Returns true when the piece has a field 2 and so can match a (country, bank code) pair;
/// false when field 1 is not followed by a separator (the piece matches nothing).
bool splitbicline(const char* text, BicLine& line);

/// One piece of "BIC.csv" taken apart as splitbicline does, its fields 1 and 2 pointing into
/// the piece where it writes them with no quotes or only around them (a file's usual lines),
/// else into scratch.
struct BicView {
  const char* land;
  const char* blz;
  std::size_t landlen;
  std::size_t blzlen;
  std::size_t biclen;
  char bic[kBicTake + 1];  ///< the BIC text, quotes removed
};

/// splitbicline for the piece of n bytes at p, which need not be terminated: a NUL in it ends
/// its text there, as it would the terminated copy's. Reading a directory goes through this.
bool splitbicpiece(const char* p, std::size_t n, BicView& view, BicLine& scratch);

/// True when the piece's fields 1 and 2 are exactly land and blz.
bool bicmatches(const BicLine& line, const char* land, const char* blz);

/// Composes into text the line putbic appends for (land, blz, bic), with its CR LF, and takes
/// it apart into back. Returns false when that line would not read back as one entry for
/// (land, blz): longer than one read, a LF inside, or a separator or quote in land or blz.
bool makebicline(const char* land, const char* blz, const char* bic, std::string& text,
                 BicLine& back);

/// Appends text, one line or several, to f, the file at path opened for appending, unbuffered
/// (and locked by the caller), after a CR LF when newlinefirst, in the pieces bicpiece gives,
/// then flushed, and forced to the disk when sync. Returns true when all of it reached the file
/// (and the disk); on failure the file is cut back to its old length so that no line or part of
/// one is left behind.
bool appendbicline(std::FILE* f, const std::string& path, const std::string& text,
                   bool newlinefirst, bool sync = false);

/// The length of the next piece of text to write from done on, when the file's end is at
/// offset: the lines up to the last line end before the next page boundary of the file, or,
/// when the first line crosses that boundary, that line alone; the rest of the text when it
/// ends within the page. A write that stays within one page is never cut short by a signal, so
/// a run killed between or during pieces leaves whole lines, as one write per line would.
std::size_t bicpiece(std::string_view text, std::size_t done, std::uintmax_t offset);
