#include "bicdir/bictable.h"

#include <cstring>
#include <limits>

#include "bicdir/bicline.h"
#include "common/bits.h"
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

std::uint32_t BicTable::hash(const char* land, std::size_t nland, const char* blz,
                             std::size_t nblz) {
  return keyhash(land, nland, blz, nblz);
}

void BicTable::clear() {
  tags_.assign(kFirstSlots, 0);
  slots_.clear();
  slots_.resize(kFirstSlots);
  arena_.clear();
  count_ = 0;
}

// Every normalised pair fits: "IT" with its 11 characters is the longest.
bool BicTable::fits(std::size_t nland, std::size_t nblz) {
  return nland + nblz + kBicTake <= sizeof(Slot::bytes);
}

const char* BicTable::keyof(const Slot& s) const {
  if (fits(s.nland, s.nblz)) return s.bytes;
  std::uint32_t at;
  std::memcpy(&at, s.bytes, sizeof at);
  return arena_.data() + at;
}

char* BicTable::keyof(Slot& s) {
  return const_cast<char*>(static_cast<const BicTable*>(this)->keyof(s));
}

// Room for the entries a file of this many bytes is likely to hold, so that loading a large
// directory does not grow the table step by step. Lines of the directory are about 30 bytes
// long, and the estimate errs low; it stops at kMaxPresize entries, and a table that needs
// more grows as they come. New slots are not written until an entry goes in.
void BicTable::presize(std::uintmax_t bytes) {
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

void BicTable::prefetchslot(std::uint32_t hash) const {
  const std::size_t i = hash & (slots_.size() - 1);
  prefetchread(&tags_[i]);
  prefetchread(&slots_[i]);
}

// The slot that holds (land, blz), or the empty slot where it would go.
std::size_t BicTable::find(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
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

void BicTable::grow() {
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

bool BicTable::insert(const BicLine& line) {
  return insert(line.land, line.landlen, line.blz, line.blzlen, line.bic, std::strlen(line.bic),
                keyhash(line.land, line.landlen, line.blz, line.blzlen));
}

// Enters the pair with its BIC (at most kBicTake bytes); a pair already held takes the new
// BIC, as the later line wins in getbic. False when the arena has no room left for its offsets.
bool BicTable::insert(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
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

BicTable::Key BicTable::key(const char* land, const char* blz) {
  Key k{land, blz, shortlen(land, kBicLineRead), shortlen(blz, kBicLineRead), 0};
  k.hash = keyhash(land, k.nland, blz, k.nblz);
  return k;
}

int BicTable::get(const Key& k, char* bic) const {
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


void BicTable::prefetch(const Key& k) const {
  if (count_ != 0) prefetchslot(k.hash);
}
