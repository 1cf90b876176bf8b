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

enum class PassEnd { Done, NoLine, NotHarvested, ReadFailed, WriteFailed };

// One pass over in, written to out.
PassEnd runpass(const RewritePass& pass, std::FILE* in, FileSink& sink, ResultLines& lines,
                RewriteScan& scan) {
  char block[kBlock];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
    ScanResult r = rewritetext(scan, pass, block, n);
    if (r != ScanResult::Ok) {
      // What was written up to the error stays on disk.
      sink.flush();
      if (lines.failed()) return PassEnd::ReadFailed;
      return r == ScanResult::NoLine ? PassEnd::NoLine : PassEnd::NotHarvested;
    }
    if (sink.failed()) return PassEnd::WriteFailed;
  }
  if (std::ferror(in)) return PassEnd::ReadFailed;
  rewriteend(scan, pass);
  return sink.failed() ? PassEnd::WriteFailed : PassEnd::Done;
}

// The step's files and how it ends.
struct Step {
  const RunFiles& f;
  ResultLines& lines;
  std::string& failedpath;
  bool madeinter = false;

  // On an I/O failure the intermediate file is removed: it is of no use then, and may be
  // what filled the disk.
  RewriteResult iofailed(const std::string& path) {
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
  RewriteResult settle(PassEnd e, bool closed, const std::string& in, const std::string& out) {
    if (e == PassEnd::ReadFailed) return iofailed(lines.failed() ? f.result : in);
    if (e == PassEnd::WriteFailed || !closed) return iofailed(out);
    if (e == PassEnd::NoLine) return RewriteResult::NoLine;
    if (e == PassEnd::NotHarvested) return RewriteResult::NotHarvested;
    return RewriteResult::Done;
  }
};

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
  Step step{f, lines, failedpath};
  // A data file called "p.xml.out" would be emptied as the intermediate file and then removed
  // with it, one called "p.xml.out.xml" overwritten: such an output cannot be created.
  for (Output out : {Output::Intermediate, Output::Rewritten}) {
    if (clobbers(f, out)) {
      return step.iofailed(out == Output::Intermediate ? f.intermediate : f.rewritten);
    }
  }
  // The outputs are made fresh, never written through a link or into someone else's file,
  // and are no more widely readable than the payment file they are made from.
  const int bits = filemode(f.payment);
  File fm = createfresh(f.intermediate, bits);
  if (!fm) return step.iofailed(f.intermediate);
  step.madeinter = true;

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
    if (!in) return step.iofailed(f.payment);
    FileSink sink(fm.get());
    RewriteScan scan;
    rewritestart(scan, HarvestScan());
    const RewritePass pass = {
        kCreditorRewrite, forms,      *version.row, sink, lines, harvested.creditorstretches,
        &later,           report.left};
    const PassEnd e = runpass(pass, in.get(), sink, lines, scan);
    if (e != PassEnd::Done) return step.settle(e, closefile(fm), f.payment, f.intermediate);
    // The payment file the pass read is the one the harvest read, pair for pair.
    if (scan.stretch != harvested.creditorstretches.count() || scan.taken != harvested.creditor ||
        later.stretches.records() != harvested.debtor) {
      return step.mismatch(in, fm);
    }
  }
  RewriteResult r = step.settle(PassEnd::Done, closefile(fm), f.payment, f.intermediate);
  if (r != RewriteResult::Done) return r;

  File fo = createfresh(f.rewritten, bits);
  if (!fo) return step.iofailed(f.rewritten);
  if (run) {
    File in = openfile(f.intermediate, "rb");
    if (!in) return step.iofailed(f.intermediate);
    FileSink sink(fo.get());
    RewriteScan debtor;
    rewritestart(debtor, harvested.creditorend);
    const RewritePass pass = {kDebtorRewrite, forms,           *version.row, sink,
                              lines,          later.stretches, nullptr,      report.left};
    const PassEnd e = runpass(pass, in.get(), sink, lines, debtor);
    if (e != PassEnd::Done) return step.settle(e, closefile(fo), f.intermediate, f.rewritten);
    if (debtor.stretch != later.stretches.count() || debtor.taken != harvested.debtor) {
      return step.mismatch(in, fo);
    }
  }
  r = step.settle(PassEnd::Done, closefile(fo), f.intermediate, f.rewritten);
  if (r != RewriteResult::Done) return r;
  if (lines.failed()) return step.iofailed(f.result);
  fi.reset();
  // The rewritten file is complete; an intermediate file that cannot be removed stays.
  std::remove(f.intermediate.c_str());
  return RewriteResult::Done;
}
