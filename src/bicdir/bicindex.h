// The BIC directory "BIC.csv" for the length of a stage: the file is read once, by its reading
// rules (bicline.h), into a BicTable that answers every lookup; additions take the file's lock
// and are appended to the file and entered into the table alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bicdir/bictable.h"
#include "common/files.h"

/// One (country, bank code, BIC) entry to add. The texts are the caller's.
struct BicEntry {
  const char* land;
  const char* blz;
  const char* bic;
};

/// Answers exactly what getbic and putbic would answer for the file as it stands, as long as
/// nothing but this index changes the file between load and the last call.
class BicIndex {
 public:
  BicIndex() = default;
  BicIndex(const BicIndex&) = delete;
  BicIndex& operator=(const BicIndex&) = delete;
  /// Lets go of the file's lock, if an addition took it.
  ~BicIndex();

  /// Reads the BIC directory of data file verz, replacing what the index held. A missing file
  /// gives an empty index. Returns false when the file opened but could not be read to its end
  /// (lookups then answer from the lines read before the error, as getbic would).
  bool load(const char* verz);

  /// A pair to look up, measured and hashed once for a prefetch and the get that follows.
  using Key = BicTable::Key;
  static Key key(const char* land, const char* blz) { return BicTable::key(land, blz); }

  /// getbic from memory. Returns 1 when (land, blz) has an entry (the last matching line of
  /// the file wins) and bic (kFieldSize buffer) then holds its BIC; 0 otherwise, bic empty.
  int get(const char* land, const char* blz, char* bic) const;
  int get(const Key& k, char* bic) const { return table_.get(k, bic); }  ///< for a key()

  /// Starts fetching the memory that get(land, blz) will read, so that a get a little later
  /// finds it in the cache. Changes nothing.
  void prefetch(const Key& k) const { table_.prefetch(k); }

  /// putbic through the index. Returns 1 when (land, blz) has an entry after the call: already
  /// there (left unchanged) or just appended to the file and added to the index; 0 when it
  /// could not be added (the file unwritable, not read to its end by load, or the entry not
  /// one that reads back as written). Call load first. The first addition locks the file
  /// against other runs' additions until the index goes or loads again, and reads the file
  /// again if another run has added to it since it was read.
  int put(const char* land, const char* blz, const char* bic);

  /// put for every entry in order, with all the new lines appended in one write. The first
  /// entry for a pair wins, whether it was in the file or came earlier in entries, so a pair
  /// given twice is added once. Returns true when every pair has an entry after the call, and
  /// added then counts the lines appended (the other entries were there already); false when
  /// any of them could not be added (the file unwritable, not read to its end by load, or an
  /// entry not one that reads back as written): then nothing is left written, the file is as
  /// it was, the index unchanged and added 0. Call load first.
  bool putall(const std::vector<BicEntry>& entries, std::size_t& added);

  /// put, with the new line left pending for commit: the index answers for the pair at once,
  /// the file learns it at commit, with every other pending line, in one append. Returns 1
  /// when (land, blz) has an entry after the call (in the file or pending), 0 when it cannot be
  /// added (as put). The first addition locks the file as put's does; lines still pending when
  /// the index goes or loads again are dropped, never written.
  int add(const char* land, const char* blz, const char* bic);

  /// Appends the pending lines, in their order, and forces the file to the disk: one
  /// append for the lot, in pieces that end at line ends (see bicpiece), so that a run that
  /// dies meanwhile leaves whole lines only. Returns true when they all reached the disk (or
  /// there were none), and added then counts them. When that append fails, it is cut back and
  /// the lines are appended one by one, so that those there is room for still get there: false
  /// then when any of them did not, and added counts those that did. Either way no line is
  /// pending afterwards.
  bool commit(std::size_t& added);

  /// Takes the lock the first addition takes, now (the file is made when there is none), for
  /// work beside the directory that other runs' additions must not overlap. Held as that one
  /// is; false when the file cannot be opened or locked. Call load first.
  bool lock();

  /// Lets go of the lock an addition took; call after commit. Lookups go on as before.
  void unlock();

  /// True when the index may no longer answer as the file would: it holds nothing loaded, the
  /// file was not read to its end, a commit left lines out, lines are pending, or the file's
  /// length is no longer what the index read and appended (another run has added to it). A
  /// stage that takes an index over from another uses it only when this is false.
  bool stale() const;

  bool empty() const { return table_.empty(); }
  /// Number of distinct (country, bank code) pairs held.
  std::size_t size() const { return table_.size(); }

 private:
  void clear();
  bool loadfrom(std::FILE* f);
  bool lockforappend(bool& reread);
  bool newlines(const std::vector<BicEntry>& entries, BicTable& fresh, std::string& text) const;

  std::string path_;
  std::string pending_;  // the lines add made, waiting for commit
  std::size_t pendingcount_ = 0;
  BicTable table_;
  std::uintmax_t size_ = 0;  // bytes of the file read into the index, or appended by it
  File append_;  // the file, locked, once an addition needed it
  bool complete_ = false;  // the whole file was read (or there was none)
  bool open_ = false;      // the file ends inside a line, without its line end
  bool loaded_ = false;    // load has run
  bool leftout_ = false;   // a commit could not write every pending line
};
