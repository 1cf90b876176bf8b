#include "iso20022/harvest.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "batch/record.h"
#include "bicdir/bicdir.h"
#include "bicdir/bicindex.h"
#include "common/bytesink.h"
#include "common/files.h"
#include "common/fsys.h"
#include "common/textbuf.h"
#include "iban/iban.h"

namespace {


// Writes each record of a pass to the data file.
class DataSink final : public HarvestSink {
 public:
  DataSink(ByteSink& out, BicIndex& bics) : out_(out), bics_(bics) {}
  void record(HarvestFields& f) override {
    out_.commit(recordstep(f, bics_, out_.reserve(kDataLine)));
  }

 private:
  ByteSink& out_;
  BicIndex& bics_;
};

// One pass over the payment file from its current position to its end. A read error ends the
// pass like the end of the file.
void runpass(std::FILE* fp, HarvestScan& s, const HarvestSide& side, DataSink& sink,
             const ByteSink& out) {
  harveststart(s);
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0 && !out.failed()) {
    harvesttext(s, side, buf, n, sink);
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
// data file too: a second name first, moved over the backup in one step. Where the file system
// has no second names, the data file itself moves; moved then says so, and the caller must
// bring it back should the new data file not take its place.
bool keepbackup(const std::string& data, const std::string& old, const std::string& staged,
                bool& moved) {
  moved = false;
  if (linkfile(data.c_str(), staged.c_str())) {
    const bool ok = replacefile(staged.c_str(), old.c_str());
    // Both names of one file (a backup left as a second name by a run that died) leave the
    // staged name in place.
    removeentry(staged);
    return ok;
  }
  moved = replacefile(data.c_str(), old.c_str());
  return moved;
}

}  // namespace

std::size_t recordstep(HarvestFields& f, BicIndex& bics, char* line) {
  const bool iban = hasiban(f.iban);
  if (iban) {
    // The IBAN's bank code replaces one read from the agent. getblz's result does not matter:
    // the record goes on with whatever blz holds, the copied text for an unknown country.
    std::size_t n = strnlen(f.iban + 4, kIbanBlzTake);
    std::memcpy(f.blz, f.iban + 4, n);
    f.blz[n] = '\0';
    getblz(f.land, f.blz);
  }
  // The directory learns the pair under the country of the record point, which in the debtor
  // pass is the agent's rather than the IBAN's.
  if (f.bic[0] != '\0' && f.blz[0] != '\0') bics.put(f.land, f.blz, f.bic);

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
HarvestResult harvest(const char* datapath, const char* paypath) {
  File pay = openfile(paypath, "rb");
  if (!pay || !readable(pay.get())) return HarvestResult::Skipped;

  const std::string data = datapath;
  const std::string old = data + ".old";
  const std::string fresh = data + kFreshSuffix;
  const std::string staged = old + kFreshSuffix;
  // The payment file must survive: it can be neither the data file (which is replaced), nor
  // the backup name (which the data file replaces), nor a name this step writes.
  for (const std::string& path : {data, old, fresh, staged}) {
    if (samefile(paypath, path)) return HarvestResult::BackupFailed;
  }

  std::error_code ec;
  const std::filesystem::file_type type = std::filesystem::symlink_status(data, ec).type();
  // A directory is not a data file: leave it where it is rather than move it aside.
  if (type == std::filesystem::file_type::directory) return HarvestResult::WriteFailed;
  // Anything else that is there is the user's data file: its lines follow the harvested ones,
  // and it becomes the backup. Without it, nothing is merged and no backup is made.
  const bool exists = type != std::filesystem::file_type::not_found;
  // Nor is a directory a backup a data file can replace: known before anything is written.
  if (exists && std::filesystem::symlink_status(old, ec).type() ==
                    std::filesystem::file_type::directory) {
    return HarvestResult::BackupFailed;
  }

  // What a run that died left behind goes; the new data file keeps the old one's permissions.
  removeentry(staged);
  File fo = createfresh(fresh, exists ? filemode(data) : kNoMode, exists);
  if (!fo) return HarvestResult::WriteFailed;
  auto fail = [&](HarvestResult r) {
    fo.reset();
    removeentry(fresh);
    return r;
  };

  // Deliberately one scanner state for both passes: the debtor pass starts where the creditor
  // pass ended, which matters only for a file that ends inside a tag or text.
  // "BIC.csv" is read once; every new pair is appended to it and to the index, which answers
  // the presence checks as reading the file each time would.
  // A payment file that is itself "BIC.csv" beside the data file is read, never written: the
  // index is then never loaded, and an index not read to its end adds nothing.
  BicIndex bics;
  if (!samefile(paypath, bicpath(datapath))) bics.load(datapath);
  HarvestScan s;
  FileSink out(fo.get());
  DataSink sink(out, bics);
  runpass(pay.get(), s, kCreditorHarvest, sink, out);
  std::rewind(pay.get());
  runpass(pay.get(), s, kDebtorHarvest, sink, out);
  pay.reset();

  if (exists) {
    File fb = openfile(data, "rb");
    if (!fb || !mergebackup(fb.get(), out)) return fail(HarvestResult::WriteFailed);
  }
  if (!out.flush() || !syncfile(fo.get()) || !closefile(fo)) {
    return fail(HarvestResult::WriteFailed);
  }

  bool moved = false;
  if (exists && !keepbackup(data, old, staged, moved)) return fail(HarvestResult::BackupFailed);
  if (!replacefile(fresh.c_str(), data.c_str())) {
    if (moved) replacefile(old.c_str(), data.c_str());
    return fail(HarvestResult::WriteFailed);
  }
  return HarvestResult::Done;
}
