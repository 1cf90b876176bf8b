#include "driver/run.h"

#include <cstdio>
#include <string>

#include "batch/batch.h"
#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "iso20022/harvest.h"
#include "iso20022/rewrite.h"

namespace {

// How a run ends: its console text (if any), its box (if any), its exit status. The texts are
// shown only after the run has let go of its files, so that a box waiting for the user on
// Windows keeps no other run from the data file.
struct Ending {
  const char* console;
  std::string box;
  int status;
  std::string notice = "";  ///< console lines of a completed run
};

Ending fatal(const char* console, const std::string& box) {
  return {console, box, 1};
}

Ending usage(const std::string& box) {
  return {nullptr, box, -1};  // the usage line and legend, then the box, status 1
}

// The stages of a run that has its data file to itself.
Ending stages(int n, char** argv, const RunFiles& f, char* sland) {
  HarvestReport counts;
  RunNotice notice;
  if (n >= 2) {
    switch (harvest(f, counts)) {
      case HarvestResult::Skipped:
      case HarvestResult::Done: break;
      case HarvestResult::BackupFailed: return fatal(kDataNotWritable, backupfailbox(f.data));
      case HarvestResult::WriteFailed: return fatal(kDataNotWritable, datawritebox(f.data));
    }
  }

  File fi = openfile(f.data, "rb");
  if (!fi) return usage(datanotfoundbox(f.data));
  // Made fresh, and no more widely readable than the data file it is made from.
  File fo;
  if (!clobbers(f, Output::Result)) fo = createfresh(f.result, filemode(f.data));
  if (!fo) return fatal(kOutputNotWritable, outputopenbox(f.result));
  // A result file that could not be written completely must not be reported as a success.
  bool ok = runbatch(fi.get(), fo.get(), f.data.c_str(), sland);
  if (!closefile(fo)) ok = false;
  fi.reset();
  if (!ok) return fatal(kOutputNotWritable, outputwritebox(f.result));

  notice.quoted = counts.quoted;
  if (n == 3) {
    std::string failed;
    RewriteReport report;
    switch (rewrite(f, argv[3], counts, report, failed)) {
      case RewriteResult::Done: break;
      case RewriteResult::NoLine: return {kInternal01, "", 1};
      case RewriteResult::NotHarvested: return {kInternal02, "", 1};
      case RewriteResult::Mismatch: return {kInternal03, "", 1};
      case RewriteResult::IoFailed: return fatal(kOutputNotWritable, outputopenbox(failed));
    }
    notice.noplace = report.left.noplace;
    notice.nocode = report.left.nocode;
    notice.inway = report.left.inway;
    notice.version = report.version;
  }
  const std::string lines = noticelines(notice);
  return {nullptr, closingbox(f.data, lines), 0, lines.empty() ? "" : "\r\n" + lines};
}

}  // namespace

int run(int argc, char** argv) {
  initconsole();
  // The carried country starts as "AT", once per run; the batch passes it from record to record.
  char sland[kFieldSize] = "AT";

  const int n = argc - 1;
  Ending end;
  if (n < 1 || n > 3) {
    end = usage(usagebox());
  } else {
    // One run at a time on a data file, from before its first file is touched to after its
    // last: a second run leaves everything as it is.
    const RunFiles files = runfiles(argv[1], n >= 2 ? argv[2] : "");
    RunLock lock;
    if (lock.take(files.lock, files.data) == RunLock::Take::Busy) {
      end = fatal(kDataBusy, databusybox(files.data));
    } else {
      end = stages(n, argv, files, sland);
    }
  }

  if (end.status < 0) {
    std::fputs(kUsageLine, stdout);
    std::fputs(kLegend, stdout);
    end.status = 1;
  }
  if (end.console) std::fputs(end.console, stdout);
  // Unlike the error lines, the notice has umlauts: it goes out in the console's own terms.
  if (!end.notice.empty()) consoletext(stdout, end.notice.c_str());
  std::fflush(stdout);
  if (!end.box.empty()) msgbox(end.box.c_str());
  return end.status;
}
