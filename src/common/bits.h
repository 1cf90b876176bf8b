// Word-at-a-time helpers for the hot loops, with the compiler's builtins where it has them and
// plain C++ elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

/// The index (0 to 7) of the first zero byte of w in memory order, or 8 when it has none.
inline int firstzerobyte(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  // The high bit of each zero byte (bytes above a zero one may be flagged falsely; the
  // lowest flag is always right).
  const std::uint64_t zero = (w - kOnes) & ~w & kHighs;
  if (zero == 0) return 8;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && defined(__GNUC__)
  return __builtin_ctzll(zero) / 8;
#else
  // In memory order, whatever the byte order of the machine.
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&w);
  for (int i = 0; i < 8; ++i)
    if (b[i] == 0) return i;
  return 8;
#endif
}

/// Starts fetching the cache line at p for reading; changes nothing the program can see.
inline void prefetchread(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

/// The index of the first byte c among the n bytes at p, or n when there is none. Runs
/// between two bytes a scanner reacts to are mostly short (an indentation, a tag's text): the
/// first 16 bytes are looked at one by one before the library's search takes over.
inline std::size_t findbyte(const char* p, std::size_t n, char c) {
  const std::size_t head = n < 16 ? n : 16;
  for (std::size_t i = 0; i < head; ++i)
    if (p[i] == c) return i;
  if (head == n) return n;
  const void* at = std::memchr(p + head, c, n - head);
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - p) : n;
}
