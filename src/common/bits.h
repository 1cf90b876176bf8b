// Block and word helpers for the hot loops, with the compiler's builtins where it has them and
// plain C++ elsewhere.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

/// Asks the compiler to inline a function of a hot loop even where it judges it too large.
#if defined(__GNUC__)
#define VELMORA_HOT_INLINE inline __attribute__((always_inline))
#else
#define VELMORA_HOT_INLINE inline
#endif

/// Starts fetching the cache line at p for reading; changes nothing the program can see.
inline void prefetchread(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

/// The bytes among the 16 at p that equal a, b, c or d, as bit i for p[i]. Reads all 16 bytes,
/// so the caller keeps 16 readable bytes behind wherever it looks.
inline unsigned matchbytes16(const char* p, char a, char b, char c, char d) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i ab = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(a)),
                                  _mm_cmpeq_epi8(v, _mm_set1_epi8(b)));
  const __m128i cd = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)),
                                  _mm_cmpeq_epi8(v, _mm_set1_epi8(d)));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(ab, cd)));
#else
  unsigned m = 0;
  for (int i = 0; i < 16; ++i)
    if (p[i] == a || p[i] == b || p[i] == c || p[i] == d) m |= 1u << i;
  return m;
#endif
}

/// The bytes among the 16 at p whose value, unsigned, is at most max, as bit i for p[i]. Reads
/// all 16 bytes, as matchbytes16 does.
inline unsigned bytesupto16(const char* p, unsigned char max) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(static_cast<char>(max))), v);
  return static_cast<unsigned>(_mm_movemask_epi8(low));
#else
  unsigned m = 0;
  for (int i = 0; i < 16; ++i)
    if (static_cast<unsigned char>(p[i]) <= max) m |= 1u << i;
  return m;
#endif
}

/// The index of the lowest bit set in m, which is not 0.
inline int lowestbit(unsigned m) {
#if defined(__GNUC__)
  return __builtin_ctz(m);
#else
  int i = 0;
  while ((m & 1u) == 0) m >>= 1, ++i;
  return i;
#endif
}

/// The index of the first byte c among the n bytes at p, or n when there is none. Reads only
/// those n bytes: sixteen at a time while as many are left, then the rest one by one.
inline std::size_t findbyte(const char* p, std::size_t n, char c) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16)
    if (const unsigned m = matchbytes16(p + i, c, c, c, c); m != 0) return i + lowestbit(m);
  for (; i < n; ++i)
    if (p[i] == c) return i;
  return n;
}
