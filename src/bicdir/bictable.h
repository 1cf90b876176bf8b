// The BIC directory's pairs in memory: a hash table from (country, bank code) to BIC, whose
// work per lookup does not grow with the entries. It knows nothing of the file: BicIndex fills
// it from "BIC.csv" as the file's reading rules take it apart, and keeps it in step with the
// lines it appends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/bigalloc.h"

struct BicLine;

class BicTable {
 public:
  BicTable() { clear(); }

  /// A pair to look up, measured and hashed once for a prefetch and the get that follows.
  /// It points into the caller's texts, which must not change while it is used.
  struct Key {
    const char* land;
    const char* blz;
    std::size_t nland, nblz;
    std::uint32_t hash;
  };
  static Key key(const char* land, const char* blz);
  /// The hash key() gives (land, blz) of these lengths.
  static std::uint32_t hash(const char* land, std::size_t nland, const char* blz,
                            std::size_t nblz);

  /// Empties the table.
  void clear();
  /// Makes room for the entries a file of this many bytes is likely to hold, so that loading
  /// a large directory does not grow the table step by step. Call on an empty table.
  void presize(std::uintmax_t bytes);

  /// Returns 1 when (land, blz) has an entry and bic (kFieldSize buffer) then holds its BIC; 0
  /// otherwise, bic empty.
  int get(const Key& k, char* bic) const;
  /// Starts fetching the memory that get(k) will read. Changes nothing.
  void prefetch(const Key& k) const;
  /// Starts fetching the slot of a pair with this hash, for an insert a little later.
  void prefetchslot(std::uint32_t hash) const;

  /// Enters the pair with its BIC (at most kBicTake bytes); a pair already there takes the new
  /// BIC, as a later line of the file wins. False when the pair cannot be held.
  bool insert(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
              const char* bic, std::size_t nbic, std::uint32_t hash);
  bool insert(const BicLine& line);  ///< the same for a line taken apart

  /// Calls f(land, nland, blz, nblz, bic, nbic) for every entry, in no particular order.
  template <class F>
  void each(F f) const {
    for (std::size_t j = 0; j < slots_.size(); ++j) {
      if (tags_[j] == 0) continue;
      const Slot& s = slots_[j];
      const char* at = keyof(s);
      f(at, s.nland, at + s.nland, s.nblz, at + s.nland + s.nblz, s.nbic);
    }
  }

  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }  ///< distinct pairs held

 private:
  // Open addressing with linear probing over two parallel arrays. tags_ holds a byte per slot
  // (0: empty, else 0x80 and seven bits of the key's hash): small enough to stay in the
  // cache, it spares a lookup every slot whose tag differs, so a miss rarely leaves the cache
  // and a hit reads one slot. A slot holds the entry itself: the three lengths, the country
  // and bank code bytes, then room for a BIC of full length, so that a later line for the same
  // pair overwrites the BIC in place. A pair too long for that (never one of the normalised
  // bank codes) lives in arena_, and the slot's bytes hold its offset there.
  // A slot is read only where its tag is set, so a new table is not filled: its memory is
  // first written by the inserts.
  struct alignas(32) Slot {
    Slot() {}  // NOLINT: leaves the bytes unset on purpose
    unsigned char nland, nblz, nbic;
    char bytes[29];
  };
  std::size_t find(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
                   std::uint32_t hash) const;
  static bool fits(std::size_t nland, std::size_t nblz);
  const char* keyof(const Slot& s) const;
  char* keyof(Slot& s);
  void grow();

  std::vector<unsigned char> tags_;
  std::vector<Slot, BigAlloc<Slot>> slots_;
  std::vector<char> arena_;
  std::size_t count_ = 0;
};
