#include "iso20022/rewrite.h"

#include <cstdio>

#include "bicdir/bicdir.h"
#include "common/files.h"
#include "common/fsys.h"
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

}  // namespace

// The creditor pass reads the payment file and writes the intermediate file; the debtor pass
// reads that and writes the rewritten payment file. Both take their lines from one reader of
// the result file, which is never rewound.
//
// Internal errors leave the intermediate file behind, as the run's only trace of how far the
// rewrite got. On an I/O failure it is removed: it is of no use then, and may be what filled
// the disk.
RewriteResult rewrite(const char* datapath, const char* paypath, const char* mode,
                      std::string& failedpath) {
  const std::string resultpath = std::string(datapath) + ".out";
  const std::string pay = paypath;
  const std::string interpath = pay + ".out";
  const std::string outpath = pay + ".out.xml";

  File fi = openfile(resultpath, "rb");
  if (!fi) {
    failedpath = resultpath;
    return RewriteResult::IoFailed;
  }
  ResultLines lines(fi.get());
  bool madeinter = false;
  auto iofailed = [&](const std::string& path) {
    if (madeinter) std::remove(interpath.c_str());
    failedpath = path;
    return RewriteResult::IoFailed;
  };
  // How a pass ended, with the close of its output, as the step's result (Done: go on).
  auto settle = [&](PassEnd e, bool closed, const std::string& in, const std::string& out) {
    if (e == PassEnd::ReadFailed) return iofailed(lines.failed() ? resultpath : in);
    if (e == PassEnd::WriteFailed || !closed) return iofailed(out);
    if (e == PassEnd::NoLine) return RewriteResult::NoLine;
    if (e == PassEnd::NotHarvested) return RewriteResult::NotHarvested;
    return RewriteResult::Done;
  };

  // The step's two outputs must not be a file of the user's under another name: a data file
  // called "p.xml.out" would be emptied as the intermediate file and then removed with it, one
  // called "p.xml.out.xml" overwritten. Such an output counts as one that cannot be created.
  const std::string theirs[] = {datapath, std::string(datapath) + ".old", resultpath, pay,
                                bicpath(datapath)};
  for (const std::string& path : {interpath, outpath}) {
    for (const std::string& keep : theirs) {
      if (samefile(path, keep)) return iofailed(path);
    }
  }

  // The outputs are made fresh, never written through a link or into someone else's file,
  // and are no more widely readable than the payment file they are made from.
  const int bits = filemode(pay);
  File fm = createfresh(interpath, bits);
  if (!fm) return iofailed(interpath);
  madeinter = true;

  const RewriteMode ii = readmode(mode);
  const RewriteForms forms = formsfor(ii.m);
  PassEnd e = PassEnd::Done;
  HarvestScan track;  // the harvest's scanner, carried from the creditor into the debtor pass
  if (ii.run) {
    // A payment file that cannot be opened is no error: the rewritten file stays empty.
    File fiso = openfile(pay, "rb");
    if (fiso) {
      File ahead = openfile(pay, "rb");
      if (!ahead) return iofailed(pay);
      e = runpass(kCreditorRewrite, forms, fiso.get(), ahead.get(), fm.get(), lines, track);
    }
  }
  RewriteResult r = settle(e, closefile(fm), pay, interpath);
  if (r != RewriteResult::Done) return r;

  File fo = createfresh(outpath, bits);
  if (!fo) return iofailed(outpath);
  if (ii.run) {
    File fiso = openfile(interpath, "rb");
    File ahead = openfile(interpath, "rb");
    if (!fiso || !ahead) return iofailed(interpath);
    e = runpass(kDebtorRewrite, forms, fiso.get(), ahead.get(), fo.get(), lines, track);
  }
  r = settle(e, closefile(fo), interpath, outpath);
  if (r != RewriteResult::Done) return r;
  if (lines.failed()) return iofailed(resultpath);
  fi.reset();
  // The rewritten file is complete; an intermediate file that cannot be removed stays.
  std::remove(interpath.c_str());
  return RewriteResult::Done;
}
