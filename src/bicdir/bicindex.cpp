#include "bicdir/bicindex.h"

#include <cstring>
#include <limits>

#include "bicdir/bicdir.h"
#include "bicdir/bicline.h"
#include "common/files.h"

namespace {

constexpr std::size_t kFirstSlots = 16;  // a power of two

// FNV-1a over the country, a marker, the bank code; then a final mix, since the table takes
// its slot from the low bits and the tag from the high ones.
std::uint32_t keyhash(const char* land, std::size_t nland, const char* blz, std::size_t nblz) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < nland; ++i) h = (h ^ static_cast<unsigned char>(land[i])) * 16777619u;
  h = (h ^ 0xffu) * 16777619u;
  for (std::size_t i = 0; i < nblz; ++i) h = (h ^ static_cast<unsigned char>(blz[i])) * 16777619u;
  h ^= h >> 16;
  h *= 0x85ebca6bu;
  h ^= h >> 13;
  h *= 0xc2b2ae35u;
  h ^= h >> 16;
  return h;
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
  path_ = bicpath(verz);
  return loadpath();
}

bool BicIndex::loadpath() {
  tags_.assign(kFirstSlots, 0);
  slots_.assign(kFirstSlots, Slot{});
  arena_.clear();
  count_ = 0;
  complete_ = false;
  open_ = false;
  File f = openfile(path_, "rb");
  if (!f) {
    complete_ = true;  // no file: no entries, and putbic would create it
    return true;
  }
  LineReader in(f.get());
  char text[kBicLineRead + 1];
  BicLine line;
  std::size_t len;
  bool ok = true;
  while ((len = in.next(text, sizeof text)) > 0) {
    if (splitbicline(text, line) && !insert(line)) ok = false;
    open_ = text[len - 1] != '\n';
  }
  complete_ = ok && !in.failed();
  return complete_;
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
    const char* key = keyof(s);
    if (std::memcmp(key, land, nland) == 0 && std::memcmp(key + nland, blz, nblz) == 0) return i;
  }
}

void BicIndex::grow() {
  std::vector<unsigned char> oldtags(tags_.size() * 2, 0);
  std::vector<Slot> oldslots(slots_.size() * 2);
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

// Enters the line's pair with its BIC; a pair already held takes the new BIC, as the later
// line wins in getbic. False when the arena has no room left for its offsets.
bool BicIndex::insert(const BicLine& line) {
  const std::uint32_t hash = keyhash(line.land, line.landlen, line.blz, line.blzlen);
  std::size_t i = find(line.land, line.landlen, line.blz, line.blzlen, hash);
  if (tags_[i] == 0) {
    if (!fits(line.landlen, line.blzlen) && arena_.size() + line.landlen + line.blzlen + kBicTake >=
                                                std::numeric_limits<std::uint32_t>::max())
      return false;
    if ((count_ + 1) * 5 > slots_.size() * 4) {
      grow();
      i = find(line.land, line.landlen, line.blz, line.blzlen, hash);
    }
    Slot& s = slots_[i];
    s.nland = static_cast<unsigned char>(line.landlen);
    s.nblz = static_cast<unsigned char>(line.blzlen);
    char* key = s.bytes;
    if (!fits(line.landlen, line.blzlen)) {
      const std::uint32_t at = static_cast<std::uint32_t>(arena_.size());
      std::memcpy(s.bytes, &at, sizeof at);
      arena_.resize(arena_.size() + line.landlen + line.blzlen + kBicTake);
      key = arena_.data() + at;
    }
    std::memcpy(key, line.land, line.landlen);
    std::memcpy(key + line.landlen, line.blz, line.blzlen);
    tags_[i] = tagof(hash);
    ++count_;
  }
  Slot& s = slots_[i];
  s.nbic = static_cast<unsigned char>(std::strlen(line.bic));
  std::memcpy(keyof(s) + s.nland + s.nblz, line.bic, s.nbic);
  return true;
}

int BicIndex::get(const char* land, const char* blz, char* bic) const {
  bic[0] = '\0';
  if (count_ == 0) return 0;
  // A field of a piece has fewer than kBicLineRead bytes; anything longer is never held.
  const std::size_t nland = strnlen(land, kBicLineRead);
  const std::size_t nblz = strnlen(blz, kBicLineRead);
  if (nland >= static_cast<std::size_t>(kBicLineRead) ||
      nblz >= static_cast<std::size_t>(kBicLineRead))
    return 0;
  const std::size_t i = find(land, nland, blz, nblz, keyhash(land, nland, blz, nblz));
  if (tags_[i] == 0) return 0;
  const Slot& s = slots_[i];
  std::memcpy(bic, keyof(s) + nland + nblz, s.nbic);
  bic[s.nbic] = '\0';
  return 1;
}

void BicIndex::prefetch(const char* land, const char* blz) const {
  if (count_ == 0) return;
  const std::size_t nland = strnlen(land, kBicLineRead);
  const std::size_t nblz = strnlen(blz, kBicLineRead);
  const std::size_t i = keyhash(land, nland, blz, nblz) & (slots_.size() - 1);
  __builtin_prefetch(&tags_[i]);
  __builtin_prefetch(&slots_[i]);
}

int BicIndex::put(const char* land, const char* blz, const char* bic) {
  char held[kBicTake + 1];
  if (get(land, blz, held) == 1) return 1;
  if (!complete_) return 0;
  std::string text;
  BicLine back;
  if (!makebicline(land, blz, bic, text, back)) return 0;
  if (!appendbicline(path_, text, open_)) return 0;
  if (open_) {
    // The CR LF put before the new line changed the old last line, which may have matched
    // as a two-field line without line end: read the file afresh, as getbic would.
    loadpath();
    return 1;
  }
  insert(back);
  return 1;
}
