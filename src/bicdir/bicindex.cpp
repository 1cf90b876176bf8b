#include "bicdir/bicindex.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "bicdir/bicline.h"
#include "common/bits.h"
#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "common/textbuf.h"

bool BicIndex::load(const char* verz) {
  if (append_) unlockfile(append_.get());
  append_.reset();
  path_ = bicdirof(verz);
  loaded_ = true;
  leftout_ = false;
  File f = openfile(path_, "rb");
  return loadfrom(f.get());
}

void BicIndex::clear() {
  pending_.clear();
  pendingcount_ = 0;
  table_.clear();
  size_ = 0;
  complete_ = false;
  open_ = false;
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
    if (end > at) table_.presize(static_cast<std::uintmax_t>(end - at));
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
    if (!table_.insert(v.land, v.landlen, v.blz, v.blzlen, v.bic, v.biclen, h.hash)) ok = false;
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
        h.hash = BicTable::hash(h.view.land, h.view.landlen, h.view.blz, h.view.blzlen);
        table_.prefetchslot(h.hash);
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

int BicIndex::get(const char* land, const char* blz, char* bic) const {
  return table_.get(BicTable::key(land, blz), bic);
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
bool BicIndex::newlines(const std::vector<BicEntry>& entries, BicTable& fresh,
                        std::string& text) const {
  fresh.clear();
  text.clear();
  std::string line;
  BicLine back;
  char known[kBicTake + 1];
  for (const BicEntry& e : entries) {
    const Key k = BicTable::key(e.land, e.blz);
    if (table_.get(k, known) == 1 || fresh.get(k, known) == 1) continue;
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
  BicTable fresh;
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
  added = fresh.size();
  if (open_) {
    // The CR LF put before the new lines changed the old last line, which may have matched
    // as a two-field line without line end: read the file afresh, as getbic would.
    std::rewind(append_.get());
    loadfrom(append_.get());
    return true;
  }
  fresh.each([this](const char* land, std::size_t nland, const char* blz, std::size_t nblz,
                    const char* bic, std::size_t nbic) {
    table_.insert(land, nland, blz, nblz, bic, nbic, BicTable::hash(land, nland, blz, nblz));
  });
  size_ += text.size();
  return true;
}

int BicIndex::add(const char* land, const char* blz, const char* bic) {
  char known[kBicTake + 1];
  const Key k = BicTable::key(land, blz);
  if (table_.get(k, known) == 1) return 1;
  bool reread;
  if (!complete_ || !lockforappend(reread)) return 0;
  // Read again under the lock: another run may have added the pair meanwhile.
  if (reread && table_.get(k, known) == 1) return 1;
  if (!complete_) return 0;
  // A file that ends inside a line gets its line end with the first new line, which may change
  // what that old line says: that one is written at once, and the index reads the file again.
  if (open_) {
    std::size_t added;
    return putall({{land, blz, bic}}, added) ? 1 : 0;
  }
  std::string line;
  BicLine back;
  if (!makebicline(land, blz, bic, line, back) || !table_.insert(back)) return 0;
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
  if (!all) leftout_ = true;
  return syncfile(append_.get()) && all;
}

void BicIndex::unlock() {
  if (append_) unlockfile(append_.get());
  append_.reset();
}

bool BicIndex::stale() const {
  if (!loaded_ || !complete_ || leftout_ || !pending_.empty()) return true;
  std::error_code ec;
  const std::uintmax_t now = std::filesystem::file_size(path_, ec);
  if (ec) return size_ != 0 || std::filesystem::exists(path_, ec);
  return now != size_;
}
