#include "bicdir/bicindex.h"

#include <cstring>
#include <limits>

#include "bicdir/bicline.h"
#include "common/bits.h"
#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "common/textbuf.h"

namespace {

constexpr std::size_t kFirstSlots = 16;  // a power of two

// Folds w into h: a multiply that spreads every bit of w over the high half, folded back.
inline std::uint64_t mix(std::uint64_t h, std::uint64_t w) {
  h = (h ^ w) * 0x9e3779b97f4a7c15u;
  return h ^ (h >> 32);
}

// Folds n bytes into h, eight at a time: lookups hash every key, so this is on the batch's path.
std::uint64_t mixbytes(std::uint64_t h, const char* p, std::size_t n) {
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = mix(h, w);
  }
  // The last 1 to 7 bytes as one word. With the length known (it went into the hash first),
  // the first and last four bytes, overlapping, stand for all of 4 to 7; the first, middle
  // and last stand for all of 1 to 3.
  std::uint64_t w = 0;
  if (n >= 4) {
    std::uint32_t lo, hi;
    std::memcpy(&lo, p, 4);
    std::memcpy(&hi, p + n - 4, 4);
    w = (std::uint64_t{hi} << 32) | lo;
  } else if (n > 0) {
    w = (std::uint64_t{static_cast<unsigned char>(p[0])} << 16) |
        (std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
        static_cast<unsigned char>(p[n - 1]);
  }
  return mix(h, w);
}

// The hash of a (country, bank code) pair. Both lengths go in first, so that no other split of
// the same bytes hashes alike by construction; the table takes its slot from the low bits and
// the tag from the high ones, so a last multiply spreads the bits over both.
std::uint32_t keyhash(const char* land, std::size_t nland, const char* blz, std::size_t nblz) {
  std::uint64_t h = mix(0x243f6a8885a308d3u, (std::uint64_t{nland} << 32) | nblz);
  h = mixbytes(mixbytes(h, land, nland), blz, nblz);
  h *= 0xc2b2ae3d27d4eb4fu;
  return static_cast<std::uint32_t>(h >> 32);
}

// True when the n1 + n2 bytes at key are those of a followed by those of b. The texts are
// short (a country code and a bank code): compared inline, without a library call each.
bool samekey(const char* key, const char* a, std::size_t n1, const char* b, std::size_t n2) {
  for (std::size_t i = 0; i < n1; ++i)
    if (key[i] != a[i]) return false;
  key += n1;
  for (std::size_t i = 0; i < n2; ++i)
    if (key[i] != b[i]) return false;
  return true;
}

unsigned char tagof(std::uint32_t hash) {
  return static_cast<unsigned char>(0x80u | (hash >> 25));
}

}  // namespace

// Every normalised pair fits: "IT" with its 11 characters is the longest.
bool BicIndex::fits(std::size_t nland, std::size_t nblz) {
  return nland + nblz + kBicTake <= sizeof(Slot::bytes);
}

const char* BicIndex::keyof(const Slot& s) const {
  if (fits(s.nland, s.nblz)) return s.bytes;
  std::uint32_t at;
  std::memcpy(&at, s.bytes, sizeof at);
  return arena_.data() + at;
}

char* BicIndex::keyof(Slot& s) {
  return const_cast<char*>(static_cast<const BicIndex*>(this)->keyof(s));
}

bool BicIndex::load(const char* verz) {
  if (append_) unlockfile(append_.get());
  append_.reset();
  path_ = bicdirof(verz);
  File f = openfile(path_, "rb");
  return loadfrom(f.get());
}

void BicIndex::clear() {
  pending_.clear();
  pendingcount_ = 0;
  tags_.assign(kFirstSlots, 0);
  slots_.clear();
  slots_.resize(kFirstSlots);
  arena_.clear();
  count_ = 0;
  size_ = 0;
  complete_ = false;
  open_ = false;
}

// Room for the entries a file of this many bytes is likely to hold, so that loading a large
// directory does not grow the table step by step. Lines of the directory are about 30 bytes
// long, and the estimate errs low; it stops at kMaxPresize entries, and a table that needs
// more grows as they come. New slots are not written until an entry goes in.
void BicIndex::presize(std::uintmax_t bytes) {
  constexpr std::uintmax_t kMaxPresize = std::uintmax_t{1} << 20;
  std::uintmax_t entries = bytes / 32;
  if (entries > kMaxPresize) entries = kMaxPresize;
  std::size_t slots = kFirstSlots;
  while ((entries + 1) * 5 > slots * 4) slots *= 2;
  if (slots <= slots_.size()) return;
  tags_.assign(slots, 0);
  slots_.clear();
  slots_.resize(slots);
}

bool BicIndex::loadfrom(std::FILE* f) {
  clear();
  if (!f) {
    complete_ = true;  // no file: no entries, and putbic would create it
    return true;
  }
  const long at = std::ftell(f);
  if (at >= 0 && std::fseek(f, 0, SEEK_END) == 0) {
    const long end = std::ftell(f);
    if (end > at) presize(static_cast<std::uintmax_t>(end - at));
    std::fseek(f, at, SEEK_SET);
  }
  // The file is read in large blocks and taken apart in place, piece by piece as getbic reads
  // it (a line, or kBicLineRead bytes of a longer one). Each piece's slot is fetched while the
  // next few are taken apart, so that the inserts of a directory larger than the cache find
  // their memory there; the pieces go in in the file's order all the same.
  // Performance-critical: `make bench` (batch10k-100k, batch-100k).
  constexpr std::size_t kAhead = 8;
  constexpr std::size_t kBlock = std::size_t{1} << 17;
  struct Piece {
    BicView view;
    BicLine scratch;  // fields that are not views of the block
    std::uint32_t hash;
  };
  std::vector<char> block(kBlock + kBicLineRead);
  std::vector<Piece> ahead(kAhead);
  std::size_t taken = 0, waiting = 0;  // pieces taken apart, and of those not yet inserted
  bool ok = true;
  auto insertoldest = [&]() {
    const Piece& h = ahead[(taken - waiting--) % kAhead];
    const BicView& v = h.view;
    if (!insert(v.land, v.landlen, v.blz, v.blzlen, v.bic, v.biclen, h.hash)) ok = false;
  };
  std::size_t have = 0;  // bytes in block, a piece begun in the last read first
  bool end = false, failed = false;
  while (!end) {
    const std::size_t got = std::fread(block.data() + have, 1, kBlock, f);
    if (got == 0) {
      end = true;
      failed = std::ferror(f) != 0;
    }
    have += got;
    std::size_t from = 0;
    for (;;) {
      const std::size_t left = have - from;
      if (left == 0) break;
      const std::size_t look = left < static_cast<std::size_t>(kBicLineRead) ? left : kBicLineRead;
      const char* piece = block.data() + from;
      const void* lf = std::memchr(piece, '\n', look);
      std::size_t len;
      if (lf) {
        len = static_cast<std::size_t>(static_cast<const char*>(lf) - piece) + 1;
      } else if (look == static_cast<std::size_t>(kBicLineRead) || end) {
        len = look;
      } else {
        break;  // the rest of a piece is still to be read
      }
      if (waiting == kAhead) insertoldest();
      Piece& h = ahead[taken % kAhead];
      if (splitbicpiece(piece, len, h.view, h.scratch)) {
        h.hash = keyhash(h.view.land, h.view.landlen, h.view.blz, h.view.blzlen);
        prefetchslot(h.hash);
        ++taken;
        ++waiting;
      }
      open_ = piece[len - 1] != '\n';
      size_ += len;
      from += len;
    }
    // The waiting pieces point into the block: in before its rest moves to the front.
    while (waiting > 0) insertoldest();
    std::memmove(block.data(), block.data() + from, have - from);
    have -= from;
  }
  complete_ = ok && !failed;
  return complete_;
}

void BicIndex::prefetchslot(std::uint32_t hash) const {
  const std::size_t i = hash & (slots_.size() - 1);
  prefetchread(&tags_[i]);
  prefetchread(&slots_[i]);
}

// The slot that holds (land, blz), or the empty slot where it would go.
std::size_t BicIndex::find(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
                           std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const unsigned char tag = tagof(hash);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    if (tags_[i] == 0) return i;
    if (tags_[i] != tag) continue;
    const Slot& s = slots_[i];
    if (s.nland != nland || s.nblz != nblz) continue;
    if (samekey(keyof(s), land, nland, blz, nblz)) return i;
  }
}

void BicIndex::grow() {
  std::vector<unsigned char> oldtags(tags_.size() * 2, 0);
  std::vector<Slot, BigAlloc<Slot>> oldslots(slots_.size() * 2);
  oldtags.swap(tags_);
  oldslots.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t j = 0; j < oldslots.size(); ++j) {
    if (oldtags[j] == 0) continue;
    const Slot& s = oldslots[j];
    const char* key = keyof(s);
    std::uint32_t hash = keyhash(key, s.nland, key + s.nland, s.nblz);
    std::size_t i = hash & mask;
    while (tags_[i] != 0) i = (i + 1) & mask;
    tags_[i] = oldtags[j];
    slots_[i] = s;
  }
}

bool BicIndex::insert(const BicLine& line) {
  return insert(line.land, line.landlen, line.blz, line.blzlen, line.bic, std::strlen(line.bic),
                keyhash(line.land, line.landlen, line.blz, line.blzlen));
}

// Enters the pair with its BIC (at most kBicTake bytes); a pair already held takes the new
// BIC, as the later line wins in getbic. False when the arena has no room left for its offsets.
bool BicIndex::insert(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
                      const char* bic, std::size_t nbic, std::uint32_t hash) {
  std::size_t i = find(land, nland, blz, nblz, hash);
  if (tags_[i] == 0) {
    if (!fits(nland, nblz) &&
        arena_.size() + nland + nblz + kBicTake >= std::numeric_limits<std::uint32_t>::max())
      return false;
    // At most four fifths full: a lookup that misses then stops after a few probes, most of
    // them within the tags' one cache line.
    if ((count_ + 1) * 5 > slots_.size() * 4) {
      grow();
      i = find(land, nland, blz, nblz, hash);
    }
    Slot& s = slots_[i];
    s.nland = static_cast<unsigned char>(nland);
    s.nblz = static_cast<unsigned char>(nblz);
    char* key = s.bytes;
    if (!fits(nland, nblz)) {
      const std::uint32_t at = static_cast<std::uint32_t>(arena_.size());
      std::memcpy(s.bytes, &at, sizeof at);
      arena_.resize(arena_.size() + nland + nblz + kBicTake);
      key = arena_.data() + at;
    }
    std::memcpy(key, land, nland);
    std::memcpy(key + nland, blz, nblz);
    tags_[i] = tagof(hash);
    ++count_;
  }
  Slot& s = slots_[i];
  s.nbic = static_cast<unsigned char>(nbic);
  std::memcpy(keyof(s) + s.nland + s.nblz, bic, nbic);
  return true;
}

BicIndex::Key BicIndex::key(const char* land, const char* blz) {
  Key k{land, blz, shortlen(land, kBicLineRead), shortlen(blz, kBicLineRead), 0};
  k.hash = keyhash(land, k.nland, blz, k.nblz);
  return k;
}

int BicIndex::get(const Key& k, char* bic) const {
  bic[0] = '\0';
  if (count_ == 0) return 0;
  // A field of a piece has fewer than kBicLineRead bytes; anything longer is never held.
  if (k.nland >= static_cast<std::size_t>(kBicLineRead) ||
      k.nblz >= static_cast<std::size_t>(kBicLineRead))
    return 0;
  const std::size_t i = find(k.land, k.nland, k.blz, k.nblz, k.hash);
  if (tags_[i] == 0) return 0;
  const Slot& s = slots_[i];
  std::memcpy(bic, keyof(s) + k.nland + k.nblz, s.nbic);
  bic[s.nbic] = '\0';
  return 1;
}

int BicIndex::get(const char* land, const char* blz, char* bic) const {
  return get(key(land, blz), bic);
}

void BicIndex::prefetch(const Key& k) const {
  if (count_ != 0) prefetchslot(k.hash);
}

// Another run may append to the same directory meanwhile: the first addition locks the file,
// and the lock is held until the index goes (an addition takes a moment; a harvest adds many).
// Under the lock the file is read again if it has grown since it was read (reread then says
// so), so that a pair is never entered twice.
bool BicIndex::lockforappend(bool& reread) {
  reread = false;
  if (append_) return true;
  File f = openfile(path_, "ab+");
  // Unbuffered: a write that fails leaves nothing behind in a buffer to reach the file after
  // it has been cut back.
  if (!f || std::setvbuf(f.get(), nullptr, _IONBF, 0) != 0 || !lockfile(f.get())) return false;
  append_ = std::move(f);
  const long size = std::fseek(append_.get(), 0, SEEK_END) == 0 ? std::ftell(append_.get()) : -1L;
  if (size < 0 || static_cast<std::uintmax_t>(size) != size_) {
    std::rewind(append_.get());
    loadfrom(append_.get());
    reread = true;
  }
  return true;
}

bool BicIndex::lock() {
  bool reread;
  return lockforappend(reread);
}

BicIndex::~BicIndex() {
  if (append_) unlockfile(append_.get());
}

int BicIndex::put(const char* land, const char* blz, const char* bic) {
  // Most pairs a harvest meets are there already: answered without building a batch.
  char known[kBicTake + 1];
  if (get(land, blz, known) == 1) return 1;
  std::size_t added;
  return putall({{land, blz, bic}}, added) ? 1 : 0;
}

// The lines of the entries whose pairs neither the index nor an earlier entry holds, in text,
// and those pairs in fresh. False when one cannot be added.
bool BicIndex::newlines(const std::vector<BicEntry>& entries, BicIndex& fresh,
                        std::string& text) const {
  fresh.clear();
  text.clear();
  std::string line;
  BicLine back;
  char known[kBicTake + 1];
  for (const BicEntry& e : entries) {
    const Key k = key(e.land, e.blz);
    if (get(k, known) == 1 || fresh.get(k, known) == 1) continue;
    // Without the whole file read, the pair may be there already with another BIC, which a
    // line appended now would override for every later lookup.
    if (!complete_) return false;
    if (!makebicline(e.land, e.blz, e.bic, line, back)) return false;
    if (!fresh.insert(back)) return false;
    text += line;
  }
  return true;
}

bool BicIndex::putall(const std::vector<BicEntry>& entries, std::size_t& added) {
  added = 0;
  // The pairs new to the file, held apart until their lines are written: a failed write then
  // leaves the index as the file is, and a pair given twice is found here the second time.
  BicIndex fresh;
  std::string text;
  if (!newlines(entries, fresh, text)) return false;
  if (text.empty()) return true;
  bool reread;
  if (!lockforappend(reread)) return false;
  // What another run has added meanwhile is not added again.
  if (reread && !newlines(entries, fresh, text)) return false;
  if (text.empty()) return true;
  // One write for all lines: a failure is cut back whole, never leaving some of them.
  if (!appendbicline(append_.get(), path_, text, open_)) return false;
  added = fresh.count_;
  if (open_) {
    // The CR LF put before the new lines changed the old last line, which may have matched
    // as a two-field line without line end: read the file afresh, as getbic would.
    std::rewind(append_.get());
    loadfrom(append_.get());
    return true;
  }
  for (std::size_t j = 0; j < fresh.slots_.size(); ++j) {
    if (fresh.tags_[j] == 0) continue;
    const Slot& s = fresh.slots_[j];
    const char* at = fresh.keyof(s);
    insert(at, s.nland, at + s.nland, s.nblz, at + s.nland + s.nblz, s.nbic,
           keyhash(at, s.nland, at + s.nland, s.nblz));
  }
  size_ += text.size();
  return true;
}

int BicIndex::add(const char* land, const char* blz, const char* bic) {
  char known[kBicTake + 1];
  const Key k = key(land, blz);
  if (get(k, known) == 1) return 1;
  bool reread;
  if (!complete_ || !lockforappend(reread)) return 0;
  // Read again under the lock: another run may have added the pair meanwhile.
  if (reread && get(k, known) == 1) return 1;
  if (!complete_) return 0;
  // A file that ends inside a line gets its line end with the first new line, which may change
  // what that old line says: that one is written at once, and the index reads the file again.
  if (open_) {
    std::size_t added;
    return putall({{land, blz, bic}}, added) ? 1 : 0;
  }
  std::string line;
  BicLine back;
  if (!makebicline(land, blz, bic, line, back) || !insert(back)) return 0;
  pending_ += line;
  ++pendingcount_;
  return 1;
}

bool BicIndex::commit(std::size_t& added) {
  added = 0;
  if (pending_.empty()) return true;
  std::string text;
  text.swap(pending_);
  const std::size_t count = pendingcount_;
  pendingcount_ = 0;
  if (appendbicline(append_.get(), path_, text, false, true)) {
    size_ += text.size();
    added = count;
    return true;
  }
  // Cut back whole (a full disk, say): each line on its own then, so that the lines there is
  // room for still reach the file, as they would have one by one.
  bool all = true;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find('\n', from) + 1;
    const std::string line = text.substr(from, end - from);
    from = end;
    if (appendbicline(append_.get(), path_, line, false)) {
      size_ += line.size();
      ++added;
    } else {
      all = false;
    }
  }
  return syncfile(append_.get()) && all;
}
