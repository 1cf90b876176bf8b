// Buffer sizes shared by every subsystem, and the one bounded append that writes into them.
#pragma once

#include <cstddef>

constexpr int kFieldSize = 60;        ///< record fields: snr, land, blz, konto, iban, bic
constexpr int kFieldFill = 50;        ///< at most this many characters of a field come from a line
constexpr int kLineRead = 999;        ///< bytes taken by one line read
constexpr int kLineBuf = kLineRead + 1;
constexpr int kBicLineRead = 99;      ///< bytes taken by one read of a BIC directory line
constexpr int kNameSize = 500;        ///< XML tag-name accumulator
constexpr int kHoldSize = 1050;       ///< XML content held back by the rewrite

/// The length of the terminated text s, counted up to max. Counted inline: the record fields
/// are short, and on the batch's path a library call costs more than the count itself.
inline std::size_t shortlen(const char* s, std::size_t max) {
  std::size_t n = 0;
  while (n < max && s[n] != '\0') ++n;
  return n;
}

/// Appends c to the terminated text buf of capacity cap (terminator included) whose length is
/// len, if there is room. Returns false, changing nothing, when the text is full.
inline bool appendc(char* buf, std::size_t cap, std::size_t& len, char c) {
  if (len + 1 >= cap) return false;
  buf[len++] = c;
  buf[len] = '\0';
  return true;
}
