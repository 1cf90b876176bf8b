#include "iso20022/rewrite.h"

#include <cstdio>

#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
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

// The pass's input read a second time, ahead of the scanner. A read error counts as the end:
// the stretches not yet decided are then written unchanged, and the pass reports the error.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* f) : f_(f) {}
  std::size_t read(char* buf, std::size_t cap) override { return std::fread(buf, 1, cap, f_); }
  bool seek(std::uint64_t offset) override { return seekfile(f_, offset); }
  bool failed() const { return std::ferror(f_) != 0; }

 private:
  std::FILE* f_;
};

enum class PassEnd { Done, NoLine, NotHarvested, ReadFailed, WriteFailed };

// One pass over in, written to out, with ahead a second reader of the same file. track is the
// harvest scanner's state where the pass begins, and where it ended afterwards: the debtor
// pass starts where the creditor pass ended, as in the harvest.
PassEnd runpass(const RewriteSide& side, RewriteForms forms, std::FILE* in, std::FILE* ahead,
                std::FILE* out, ResultLines& lines, HarvestScan& track) {
  FileSink sink(out);
  FileSource src(ahead);
  PairAhead pairs(side.track, src, track);
  RewriteScan scan;
  rewritestart(scan, track);
  const RewritePass pass = {side, forms, sink, lines, pairs};
  char block[1 << 14];
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
  if (std::ferror(in) || src.failed()) return PassEnd::ReadFailed;
  rewriteend(scan, pass);
  track = scan.track;
  return sink.failed() ? PassEnd::WriteFailed : PassEnd::Done;
}

// How a pass ended, with the close of its output, as the step's result (Done: go on).
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
  RewriteResult settle(PassEnd e, bool closed, const std::string& in, const std::string& out) {
    if (e == PassEnd::ReadFailed) return iofailed(lines.failed() ? f.result : in);
    if (e == PassEnd::WriteFailed || !closed) return iofailed(out);
    if (e == PassEnd::NoLine) return RewriteResult::NoLine;
    if (e == PassEnd::NotHarvested) return RewriteResult::NotHarvested;
    return RewriteResult::Done;
  }
  // One pass from in to out; with run false (no mode, or no input) out stays empty.
  RewriteResult pass(const RewriteSide& side, RewriteForms forms, bool run, const std::string& in,
                     File& out, const std::string& outpath, HarvestScan& track) {
    PassEnd e = PassEnd::Done;
    if (run) {
      File fin = openfile(in, "rb");
      File ahead = openfile(in, "rb");
      if (!fin || !ahead) return iofailed(in);
      e = runpass(side, forms, fin.get(), ahead.get(), out.get(), lines, track);
    }
    return settle(e, closefile(out), in, outpath);
  }
};

}  // namespace

// The creditor pass reads the payment file and writes the intermediate file; the debtor pass
// reads that and writes the rewritten payment file. Both take their lines from one reader of
// the result file, which is never rewound. Internal errors leave the intermediate file behind,
// as the run's only trace of how far the rewrite got.
RewriteResult rewrite(const RunFiles& f, const char* mode, std::string& failedpath) {
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
  HarvestScan track;  // the harvest's scanner, carried from the creditor into the debtor pass
  // A payment file that cannot be opened is no error: the rewritten file stays empty.
  const bool paymentreadable = static_cast<bool>(openfile(f.payment, "rb"));
  RewriteResult r = step.pass(kCreditorRewrite, forms, ii.run && paymentreadable, f.payment, fm,
                              f.intermediate, track);
  if (r != RewriteResult::Done) return r;

  File fo = createfresh(f.rewritten, bits);
  if (!fo) return step.iofailed(f.rewritten);
  r = step.pass(kDebtorRewrite, forms, ii.run, f.intermediate, fo, f.rewritten, track);
  if (r != RewriteResult::Done) return r;
  if (lines.failed()) return step.iofailed(f.result);
  fi.reset();
  // The rewritten file is complete; an intermediate file that cannot be removed stays.
  std::remove(f.intermediate.c_str());
  return RewriteResult::Done;
}
