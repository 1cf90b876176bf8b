#include "iso20022/harvest.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "batch/record.h"
#include "bicdir/bicindex.h"
#include "common/bytesink.h"
#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "common/textbuf.h"
#include "iban/iban.h"

namespace {

// Writes each record of a pass to the data file.
class DataSink final : public HarvestSink {
 public:
  DataSink(ByteSink& out, BicIndex& bics) : out_(out), bics_(bics) {}
  void record(HarvestFields& f) override {
    out_.commit(recordstep(f, bics_, out_.reserve(kDataLine)));
    ++records;
  }
  std::uint64_t records = 0;

 private:
  ByteSink& out_;
  BicIndex& bics_;
};

// One pass over the payment file from its current position to its end, noting its stretches
// when asked. A read error ends the pass like the end of the file.
void runpass(std::FILE* fp, HarvestScan& s, const HarvestSide& side, DataSink& sink,
             const ByteSink& out, Stretches* stretches) {
  harveststart(s);
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0 && !out.failed()) {
    if (stretches) {
      harvestnote(s, side, buf, n, sink, *stretches);
    } else {
      harvesttext(s, side, buf, n, sink);
    }
  }
}

// A payment file that opens but cannot be read counts as one that cannot be opened: nothing is
// renamed for it. The byte read is given back, so the stream need not be seekable here.
bool readable(std::FILE* fp) {
  int c = std::getc(fp);
  if (c == EOF) return !std::ferror(fp);
  return std::ungetc(c, fp) != EOF;
}

// The user's data file becomes the backup, replacing one of an earlier run, while it stays the
// data file too: a hard link first, moved over the backup in one step. Where the file system
// has no hard links, the data file itself moves; moved then says so, and the caller must
// bring it back should the new data file not take its place.
bool keepbackup(const RunFiles& f, bool& moved) {
  moved = false;
  if (linkfile(f.data.c_str(), f.staged.c_str())) {
    const bool ok = replacefile(f.staged.c_str(), f.backup.c_str());
    // Both names of one file (a backup left as a hard link by a run that died) leave the
    // staged name in place.
    removeentry(f.staged);
    return ok;
  }
  moved = replacefile(f.data.c_str(), f.backup.c_str());
  return moved;
}

// What is at the data file's name before the harvest: nothing, the user's data file, or
// something that is none (a directory, there or at the backup's name).
enum class Before { None, DataFile, Refused, BackupRefused };

Before lookbefore(const RunFiles& f) {
  std::error_code ec;
  using std::filesystem::file_type;
  const file_type type = std::filesystem::symlink_status(f.data, ec).type();
  // A directory is not a data file: leave it where it is rather than move it aside.
  if (type == file_type::directory) return Before::Refused;
  // Anything else that is there is the user's data file: its lines follow the harvested ones,
  // and it becomes the backup. Without it, nothing is merged and no backup is made.
  if (type == file_type::not_found) return Before::None;
  // Nor is a directory a backup a data file can replace: known before anything is written.
  if (std::filesystem::symlink_status(f.backup, ec).type() == file_type::directory) {
    return Before::BackupRefused;
  }
  return Before::DataFile;
}

// Both passes over the payment file into out, then the user's lines of the data file (when
// there is one). False when the data file could not be read.
//
// Deliberately one scanner state for both passes: the debtor pass starts where the creditor
// pass ended, which matters only for a file that ends inside a tag or text. "BIC.csv" is read
// once; every new pair goes into the index at once, which answers the presence checks as
// reading the file each time would, and into the file in one append behind both passes. A payment file that is itself "BIC.csv" beside the
// data file is read, never written: the index is then never loaded, and an index not read to
// its end adds nothing.
bool writerecords(const RunFiles& f, std::FILE* pay, bool merge, FileSink& out,
                  HarvestReport& counts, BicIndex& bics) {
  if (!samefile(f.payment, f.bicdir)) bics.load(f.data.c_str());
  HarvestScan s;
  DataSink sink(out, bics);
  runpass(pay, s, kCreditorHarvest, sink, out, &counts.creditorstretches);
  counts.creditor = sink.records;
  counts.creditorend = s;
  std::rewind(pay);
  runpass(pay, s, kDebtorHarvest, sink, out, nullptr);
  counts.debtor = sink.records - counts.creditor;
  counts.quoted = s.quoted;
  // The pairs learnt reach the directory here, all at once, while the lock is still held.
  std::size_t learnt = 0;
  bics.commit(learnt);
  bics.unlock();
  counts.bicslearnt = learnt;
  if (!merge) return true;
  File fb = openfile(f.data, "rb");
  return fb && mergebackup(fb.get(), out);
}

}  // namespace

std::size_t recordstep(HarvestFields& f, BicIndex& bics, char* line) {
  const bool iban = hasiban(f.iban);
  if (iban) {
    // The IBAN's bank code replaces one read from the agent. ibanblz's result does not matter:
    // the record goes on with whatever blz holds, the copied text for an unknown country.
    std::size_t n = strnlen(f.iban + 4, kIbanBlzTake);
    std::memcpy(f.blz, f.iban + 4, n);
    f.blz[n] = '\0';
    ibanblz(f.land, f.blz);
  }
  // The directory learns the pair under the country of the record point, which in the debtor
  // pass is the agent's rather than the IBAN's.
  if (f.bic[0] != '\0' && f.blz[0] != '\0') bics.add(f.land, f.blz, f.bic);

  // The first of these forms whose case applies: an IBAN, whose country becomes land; a bank
  // code with an account number; the country alone.
  if (iban) {
    std::memcpy(f.land, f.iban, 2);
    f.land[2] = '\0';
    return makedataline(line, f.land, "", "", f.iban);
  }
  if (f.blz[0] != '\0' && f.konto[0] != '\0') return makedataline(line, f.land, f.blz, f.konto, "");
  return makedataline(line, f.land, "", "", "");
}

bool mergebackup(std::FILE* from, ByteSink& to) {
  LineReader in(from);
  char piece[kLineBuf];
  bool linestart = true, dropping = false;
  std::size_t n;
  // A line longer than a piece is decided by its beginning, so a piece inside a user's long
  // line is never mistaken for a harvested record.
  while ((n = in.next(piece, sizeof piece)) > 0) {
    if (linestart) dropping = isharvestedline(piece, n);
    linestart = piece[n - 1] == '\n';
    if (!dropping) to.write(piece, n);
  }
  return !in.failed();
}

// The new data file is written completely under a name of its own beside the data file and
// forced to the disk before it takes the data file's place, so that a run that dies at any
// moment leaves either the user's data file as it was (and perhaps the unfinished new one,
// which the next run removes) or the backup beside a complete new data file.
HarvestResult harvest(const RunFiles& f, HarvestReport& counts) {
  BicIndex bics;
  return harvest(f, counts, bics);
}

HarvestResult harvest(const RunFiles& f, HarvestReport& counts, BicIndex& bics) {
  counts = HarvestReport();
  File pay = openfile(f.payment, "rb");
  if (!pay || !readable(pay.get())) return HarvestResult::Skipped;
  // The payment file must survive: it can be neither the data file (which is replaced), nor
  // the backup name (which the data file replaces), nor a name this step writes.
  for (Output out : {Output::Data, Output::Backup, Output::Fresh, Output::Staged}) {
    if (clobbers(f, out)) return HarvestResult::BackupFailed;
  }
  const Before before = lookbefore(f);
  if (before == Before::Refused) return HarvestResult::WriteFailed;
  if (before == Before::BackupRefused) return HarvestResult::BackupFailed;
  const bool exists = before == Before::DataFile;

  // What a run that died left behind goes; the new data file keeps the old one's permissions.
  removeentry(f.staged);
  File fo = createfresh(f.fresh, exists ? filemode(f.data) : kNoMode, exists);
  if (!fo) return HarvestResult::WriteFailed;
  auto fail = [&](HarvestResult r) {
    fo.reset();
    removeentry(f.fresh);
    return r;
  };
  FileSink out(fo.get());
  HarvestReport written;
  const bool read = writerecords(f, pay.get(), exists, out, written, bics);
  pay.reset();
  if (!read || !out.flush() || !syncfile(fo.get()) || !closefile(fo)) {
    return fail(HarvestResult::WriteFailed);
  }

  bool moved = false;
  if (exists && !keepbackup(f, moved)) return fail(HarvestResult::BackupFailed);
  if (!replacefile(f.fresh.c_str(), f.data.c_str())) {
    if (moved) replacefile(f.backup.c_str(), f.data.c_str());
    return fail(HarvestResult::WriteFailed);
  }
  counts = std::move(written);
  return HarvestResult::Done;
}
