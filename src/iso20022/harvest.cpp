#include "iso20022/harvest.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "bicdir/bicdir.h"
#include "bicdir/bicindex.h"
#include "common/files.h"
#include "common/textbuf.h"
#include "driver/platform.h"
#include "iban/iban.h"

namespace {

constexpr std::size_t kIbanBlz = 25;  // characters of an IBAN behind its first four given to getblz

// Appends the text as one field of a data-file line: between quotes, then ";".
void putfield(char* line, std::size_t& len, const char* text) {
  appendc(line, kLineBuf, len, '"');
  for (const char* p = text; *p; ++p) appendc(line, kLineBuf, len, *p);
  appendc(line, kLineBuf, len, '"');
  appendc(line, kLineBuf, len, ';');
}

// Writes each record of a pass to the data file.
class DataSink final : public HarvestSink {
 public:
  DataSink(std::FILE* fo, BicIndex& bics) : fo_(fo), bics_(bics) {}
  void record(HarvestFields& f) override {
    char line[kLineBuf];
    std::size_t n = recordstep(f, bics_, line);
    std::fwrite(line, 1, n, fo_);
  }

 private:
  std::FILE* fo_;
  BicIndex& bics_;
};

// One pass over the payment file from its current position to its end. A read error ends the
// pass like the end of the file.
void runpass(std::FILE* fp, HarvestScan& s, const HarvestSide& side, DataSink& sink,
             std::FILE* fo) {
  startpass(s);
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0 && !std::ferror(fo)) {
    scanbytes(s, side, buf, n, sink);
  }
}

// A payment file that opens but cannot be read counts as one that cannot be opened: nothing is
// renamed for it. The byte read is given back, so the stream need not be seekable here.
bool readable(std::FILE* fp) {
  int c = std::getc(fp);
  if (c == EOF) return !std::ferror(fp);
  return std::ungetc(c, fp) != EOF;
}

// Puts the user's data file back as it was before the harvest: the backup this run made moves
// back over the new data file; without one, the new data file is removed.
HarvestResult restore(File& fo, const std::string& data, const std::string& old, bool backedup) {
  fo.reset();
  if (!backedup) {
    std::remove(data.c_str());
  } else if (!replacefile(old.c_str(), data.c_str())) {
    // Something the platform will not replace (a directory in a race, say): make room first.
    // The user's records are in the backup file in any case.
    std::remove(data.c_str());
    replacefile(old.c_str(), data.c_str());
  }
  return HarvestResult::WriteFailed;
}

}  // namespace

std::size_t recordstep(HarvestFields& f, BicIndex& bics, char* line) {
  const bool hasiban = std::strlen(f.iban) > 8;
  if (hasiban) {
    // The IBAN's bank code replaces one read from the agent. getblz's result does not matter:
    // the record goes on with whatever blz holds, the copied text for an unknown country.
    std::size_t n = strnlen(f.iban + 4, kIbanBlz);
    std::memcpy(f.blz, f.iban + 4, n);
    f.blz[n] = '\0';
    getblz(f.land, f.blz);
  }
  // The directory learns the pair under the country of the record point, which in the debtor
  // pass is the agent's rather than the IBAN's.
  if (f.bic[0] != '\0' && f.blz[0] != '\0') bics.put(f.land, f.blz, f.bic);

  std::size_t len = 0;
  line[0] = '\0';
  putfield(line, len, "0");
  if (hasiban) {
    std::memcpy(f.land, f.iban, 2);
    f.land[2] = '\0';
    putfield(line, len, f.land);
    putfield(line, len, "");
    putfield(line, len, "");
    putfield(line, len, f.iban);
  } else if (f.blz[0] != '\0' && f.konto[0] != '\0') {
    putfield(line, len, f.land);
    putfield(line, len, f.blz);
    putfield(line, len, f.konto);
    putfield(line, len, "");
  } else {
    putfield(line, len, f.land);
    putfield(line, len, "");
    putfield(line, len, "");
    putfield(line, len, "");
  }
  appendc(line, kLineBuf, len, '\r');
  appendc(line, kLineBuf, len, '\n');
  return len;
}

bool mergebackup(std::FILE* from, std::FILE* to) {
  LineReader in(from);
  char piece[kLineBuf];
  bool linestart = true, dropping = false;
  std::size_t n;
  // A line longer than a piece is decided by its beginning, so a piece inside a user's long
  // line is never mistaken for a harvested record.
  while ((n = in.next(piece, sizeof piece)) > 0) {
    if (linestart) dropping = n >= 3 && std::memcmp(piece, "\"0\"", 3) == 0;
    linestart = piece[n - 1] == '\n';
    if (!dropping) std::fwrite(piece, 1, n, to);
  }
  return !in.failed();
}

HarvestResult harvest(const char* datapath, const char* paypath) {
  File pay = openfile(paypath, "rb");
  if (!pay || !readable(pay.get())) return HarvestResult::Skipped;

  const std::string data = datapath;
  const std::string old = data + ".old";
  // The payment file must survive: it can be neither the data file (which is moved away and
  // created anew) nor the backup name (which the data file replaces). Nor can the backup name
  // be another name of the data file: the move would then do nothing, or replace the data with
  // a link to itself, and creating the data file anew would lose it.
  if (samefile(paypath, data) || samefile(paypath, old) || samefile(data, old)) {
    return HarvestResult::BackupFailed;
  }

  std::error_code ec;
  const std::filesystem::file_type type = std::filesystem::symlink_status(data, ec).type();
  // A directory is not a data file: leave it where it is rather than move it aside.
  if (type == std::filesystem::file_type::directory) return HarvestResult::WriteFailed;
  // Anything else that is there is the user's data file and goes to the backup name, replacing
  // a backup of an earlier run. Without it, nothing is harvested and nothing changes.
  const bool backedup = type != std::filesystem::file_type::not_found;
  if (backedup && !replacefile(data.c_str(), old.c_str())) return HarvestResult::BackupFailed;

  File fo = openfile(data, "wb");
  if (!fo) return restore(fo, data, old, backedup);

  // Deliberately one scanner state for both passes: the debtor pass starts where the creditor
  // pass ended, which matters only for a file that ends inside a tag or text.
  // "BIC.csv" is read once; every new pair is appended to it and to the index, which answers
  // the presence checks as reading the file each time would.
  // A payment file that is itself "BIC.csv" beside the data file is read, never written: the
  // index is then never loaded, and an index not read to its end adds nothing.
  BicIndex bics;
  if (!samefile(paypath, bicpath(datapath))) bics.load(datapath);
  HarvestScan s;
  DataSink sink(fo.get(), bics);
  runpass(pay.get(), s, kCreditorSide, sink, fo.get());
  std::rewind(pay.get());
  runpass(pay.get(), s, kDebtorSide, sink, fo.get());
  pay.reset();

  // Only a backup made by this run is merged: a stale one from an earlier run, left when there
  // was no data file this time, would bring back records the user has since removed.
  if (backedup) {
    File fb = openfile(old, "rb");
    if (!fb || !mergebackup(fb.get(), fo.get())) return restore(fo, data, old, backedup);
  }
  if (!closefile(fo)) return restore(fo, data, old, backedup);
  return HarvestResult::Done;
}
