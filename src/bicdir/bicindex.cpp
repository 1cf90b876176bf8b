#include "bicdir/bicindex.h"

#include <cstring>
#include <limits>

#include "bicdir/bicdir.h"
#include "bicdir/bicline.h"
#include "common/files.h"

namespace {

constexpr std::size_t kFirstSlots = 1024;  // a power of two
constexpr std::size_t kHead = 3;           // the entry's three length bytes

// FNV-1a over the country, a marker, the bank code; then a final mix, since the table takes
// its slot from the low bits.
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

}  // namespace

bool BicIndex::load(const char* verz) {
  path_ = bicpath(verz);
  return loadpath();
}

bool BicIndex::loadpath() {
  arena_.clear();
  slots_.assign(kFirstSlots, Slot{0, 0});
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

std::size_t BicIndex::find(const char* land, std::size_t nland, const char* blz, std::size_t nblz,
                           std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.at == 0) return i;
    if (s.hash != hash) continue;
    const char* e = arena_.data() + (s.at - 1);
    if (static_cast<unsigned char>(e[0]) == nland && static_cast<unsigned char>(e[1]) == nblz &&
        std::memcmp(e + kHead, land, nland) == 0 && std::memcmp(e + kHead + nland, blz, nblz) == 0)
      return i;
  }
}

void BicIndex::grow() {
  std::vector<Slot> old(slots_.size() * 2, Slot{0, 0});
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.at == 0) continue;
    std::size_t i = s.hash & mask;
    while (slots_[i].at != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

// Enters the line's pair with its BIC; a pair already held takes the new BIC, as the later
// line wins in getbic. False when the arena has no room left for its offsets.
bool BicIndex::insert(const BicLine& line) {
  const std::uint32_t hash = keyhash(line.land, line.landlen, line.blz, line.blzlen);
  std::size_t i = find(line.land, line.landlen, line.blz, line.blzlen, hash);
  const std::size_t nbic = std::strlen(line.bic);
  if (slots_[i].at == 0) {
    const std::size_t need = kHead + line.landlen + line.blzlen + kBicTake;
    if (arena_.size() + need >= std::numeric_limits<std::uint32_t>::max()) return false;
    if ((count_ + 1) * 4 > slots_.size() * 3) {
      grow();
      i = find(line.land, line.landlen, line.blz, line.blzlen, hash);
    }
    slots_[i] = Slot{hash, static_cast<std::uint32_t>(arena_.size() + 1)};
    arena_.push_back(static_cast<char>(line.landlen));
    arena_.push_back(static_cast<char>(line.blzlen));
    arena_.push_back(0);
    arena_.insert(arena_.end(), line.land, line.land + line.landlen);
    arena_.insert(arena_.end(), line.blz, line.blz + line.blzlen);
    arena_.resize(arena_.size() + kBicTake);
    ++count_;
  }
  char* e = arena_.data() + (slots_[i].at - 1);
  e[2] = static_cast<char>(nbic);
  std::memcpy(e + kHead + line.landlen + line.blzlen, line.bic, nbic);
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
  const Slot& s = slots_[find(land, nland, blz, nblz, keyhash(land, nland, blz, nblz))];
  if (s.at == 0) return 0;
  const char* e = arena_.data() + (s.at - 1);
  const std::size_t nbic = static_cast<unsigned char>(e[2]);
  std::memcpy(bic, e + kHead + nland + nblz, nbic);
  bic[nbic] = '\0';
  return 1;
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
