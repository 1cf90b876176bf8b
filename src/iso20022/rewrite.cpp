#include "iso20022/rewrite.h"

#include <cstdio>

#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "iso20022/harvest.h"
#include "iso20022/rewritescan.h"

namespace {

// The result file, read forward once across both passes.
class ResultLines : public LineSource {
 public:
  explicit ResultLines(std::FILE* f) : reader_(f) {}
  std::size_t next(char* buf, std::size_t cap) override { return reader_.next(buf, cap); }
  bool failed() const { return reader_.failed(); }

 private:
  LineReader reader_;
};

constexpr std::size_t kBlock = 1 << 16;

// Reads the payment file's first bytes for its version. false: it cannot be read.
bool readversion(const std::string& path, PaymentVersion& v) {
  File f = openfile(path, "rb");
  if (!f) return false;
  std::string head(kVersionHead, '\0');
  head.resize(std::fread(&head[0], 1, head.size(), f.get()));
  if (std::ferror(f.get())) return false;
  v = painversion(head);
  return true;
}

// How the rewrite ends early, with what it leaves behind.
struct Failure {
  const RunFiles& f;
  ResultLines& lines;
  std::string& failedpath;
  bool madeinter = false;

  // A file could not be read, made, written or closed. The intermediate file is removed: it is
  // of no use then, and may be what filled the disk.
  RewriteResult io(const std::string& path) {
    if (madeinter) std::remove(f.intermediate.c_str());
    failedpath = path;
    return RewriteResult::IoFailed;
  }
  // Lines that would not belong to their pairs: nothing rewritten is left. The files are
  // closed first, as Windows removes no open file.
  RewriteResult mismatch(File& in, File& out) {
    in.reset();
    out.reset();
    if (madeinter) std::remove(f.intermediate.c_str());
    std::remove(f.rewritten.c_str());
    return RewriteResult::Mismatch;
  }
};

// One pass over in (the file at inpath), written through sink to out (the file at outpath).
// Done with out still open, for the caller to hold the pass against the harvest first; else
// how the rewrite ends, out closed.
RewriteResult runpass(const RewritePass& pass, std::FILE* in, const std::string& inpath,
                      File& out, const std::string& outpath, FileSink& sink, ResultLines& lines,
                      RewriteScan& scan, Failure& failure) {
  char block[kBlock];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
    const ScanResult r = rewritetext(scan, pass, block, n);
    if (r != ScanResult::Ok) {
      // What was written up to the error stays on disk.
      sink.flush();
      const bool closed = closefile(out);
      if (lines.failed()) return failure.io(failure.f.result);
      if (!closed) return failure.io(outpath);
      return r == ScanResult::NoLine ? RewriteResult::NoLine : RewriteResult::NotHarvested;
    }
    if (sink.failed()) {
      closefile(out);
      return failure.io(outpath);
    }
  }
  if (std::ferror(in)) {
    closefile(out);
    return failure.io(lines.failed() ? failure.f.result : inpath);
  }
  rewriteend(scan, pass);
  if (sink.failed()) {
    closefile(out);
    return failure.io(outpath);
  }
  return RewriteResult::Done;
}

}  // namespace

// The harvest's creditor pass has noted which stretches of the creditor pass end at a record
// point. The creditor pass reads the payment file and writes the intermediate file, carrying
// the harvest's debtor scanner over what it writes, to know the same of the debtor pass; the
// debtor pass reads the intermediate file and writes the rewritten payment file. Both take their
// lines from one reader of the result file, which is never rewound. Every pass must meet as many
// record points as the harvest wrote records in it; otherwise its lines would go to other pairs,
// and it ends with nothing rewritten. The other internal errors leave the intermediate file behind,
// as the run's only trace of how far the rewrite got.
RewriteResult rewrite(const RunFiles& f, const char* mode, const HarvestReport& harvested,
                      RewriteReport& report, std::string& failedpath) {
  File fi = openfile(f.result, "rb");
  if (!fi) {
    failedpath = f.result;
    return RewriteResult::IoFailed;
  }
  ResultLines lines(fi.get());
  Failure failure{f, lines, failedpath};
  // A data file called "p.xml.out" would be emptied as the intermediate file and then removed
  // with it, one called "p.xml.out.xml" overwritten: such an output cannot be created.
  for (Output out : {Output::Intermediate, Output::Rewritten}) {
    if (clobbers(f, out)) {
      return failure.io(out == Output::Intermediate ? f.intermediate : f.rewritten);
    }
  }
  // The outputs are made fresh, never written through a link or into someone else's file,
  // and are no more widely readable than the payment file they are made from.
  const int bits = filemode(f.payment);
  File fm = createfresh(f.intermediate, bits);
  if (!fm) return failure.io(f.intermediate);
  failure.madeinter = true;

  const RewriteMode ii = readmode(mode);
  const RewriteForms forms = formsfor(ii.m);
  // A payment file that cannot be opened is no error: the rewritten file stays empty.
  PaymentVersion version;
  const bool run = ii.run && readversion(f.payment, version);
  report.version = version.name;

  // The debtor scanner starts where the creditor scanner ended, as in the harvest.
  HarvestFollower later{kDebtorHarvest, harvested.creditorend, {}};
  harveststart(later.scan);
  // A file that ends inside markup starts the debtor pass there; the creditor pass reads its
  // first bytes from outside: the debtor scanner must read them with its own lexer.
  later.ownlexer = later.scan.x.state != XmlState::Text;

  if (run) {
    File in = openfile(f.payment, "rb");
    if (!in) return failure.io(f.payment);
    FileSink sink(fm.get());
    RewriteScan scan;
    rewritestart(scan, HarvestScan());
    const RewritePass pass = {
        kCreditorRewrite, forms,      *version.row, sink, lines, harvested.creditorstretches,
        &later,           report.left};
    const RewriteResult r =
        runpass(pass, in.get(), f.payment, fm, f.intermediate, sink, lines, scan, failure);
    if (r != RewriteResult::Done) return r;
    // The payment file the pass read is the one the harvest read, pair for pair.
    if (scan.stretch != harvested.creditorstretches.count() || scan.taken != harvested.creditor ||
        later.stretches.records() != harvested.debtor) {
      return failure.mismatch(in, fm);
    }
  }
  if (!closefile(fm)) return failure.io(f.intermediate);

  File fo = createfresh(f.rewritten, bits);
  if (!fo) return failure.io(f.rewritten);
  if (run) {
    File in = openfile(f.intermediate, "rb");
    if (!in) return failure.io(f.intermediate);
    FileSink sink(fo.get());
    RewriteScan debtor;
    rewritestart(debtor, harvested.creditorend);
    const RewritePass pass = {kDebtorRewrite, forms,           *version.row, sink,
                              lines,          later.stretches, nullptr,      report.left};
    const RewriteResult r =
        runpass(pass, in.get(), f.intermediate, fo, f.rewritten, sink, lines, debtor, failure);
    if (r != RewriteResult::Done) return r;
    if (debtor.stretch != later.stretches.count() || debtor.taken != harvested.debtor) {
      return failure.mismatch(in, fo);
    }
  }
  if (!closefile(fo)) return failure.io(f.rewritten);
  if (lines.failed()) return failure.io(f.result);
  fi.reset();
  // The rewritten file is complete; an intermediate file that cannot be removed stays.
  std::remove(f.intermediate.c_str());
  return RewriteResult::Done;
}
