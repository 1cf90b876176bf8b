// The BIC directory held in memory for the length of a stage: "BIC.csv" is read once and
// every lookup is answered from a hash table, at the same cost for 10 or 100,000 entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BicLine;

/// Answers exactly what getbic and putbic would answer for the file as it stands, as long as
/// nothing but this index changes the file between load and the last call.
class BicIndex {
 public:
  /// Reads the BIC directory of data file verz, replacing what the index held. A missing file
  /// gives an empty index. Returns false when the file opened but could not be read to its end
  /// (lookups then answer from the lines read before the error, as getbic would).
  bool load(const char* verz);

  /// getbic from memory. Returns 1 when (land, blz) has an entry (the last matching line of
  /// the file wins) and bic (kFieldSize buffer) then holds its BIC; 0 otherwise, bic empty.
  int get(const char* land, const char* blz, char* bic) const;

  /// putbic through the index. Returns 1 when (land, blz) has an entry after the call: already
  /// there (left unchanged) or just appended to the file and added to the index; 0 when it
  /// could not be added (the file unwritable, not read to its end by load, or the entry not
  /// one that reads back as written). Call load first.
  int put(const char* land, const char* blz, const char* bic);

  /// Number of distinct (country, bank code) pairs held.
  std::size_t size() const { return count_; }

 private:
  // Open addressing with linear probing. A slot holds the key's hash and the offset of its
  // entry in the arena plus one (0: empty). An entry is three length bytes (country, bank
  // code, BIC), the country and bank code bytes, then kBicTake bytes of room for the BIC,
  // so that a later line for the same pair overwrites it in place.
  struct Slot {
    std::uint32_t hash;
    std::uint32_t at;
  };
  bool loadpath();
  bool insert(const BicLine& line);
  std::size_t find(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
                   std::uint32_t hash) const;
  void grow();

  std::string path_;
  std::vector<char> arena_;
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
  bool complete_ = false;  // the whole file was read (or there was none)
  bool open_ = false;      // the file ends inside a line, without its line end
};
