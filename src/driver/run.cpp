#include "driver/run.h"

#include <cstdio>
#include <string>

#include "batch/batch.h"
#include "common/files.h"
#include "common/fsys.h"
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
};

Ending fatal(const char* console, const std::string& box) {
  return {console, box, 1};
}

Ending usage(const std::string& box) {
  return {nullptr, box, -1};  // the usage line and legend, then the box, status 1
}

// The stages of a run that has its data file to itself.
Ending stages(int n, char** argv, char* sland) {
  const std::string data = argv[1];
  if (n >= 2) {
    switch (harvest(argv[1], argv[2])) {
      case HarvestResult::Skipped:
      case HarvestResult::Done: break;
      case HarvestResult::BackupFailed: return fatal(kDataNotWritable, backupfailbox(data));
      case HarvestResult::WriteFailed: return fatal(kDataNotWritable, datawritebox(data));
    }
  }

  File fi = openfile(data, "rb");
  if (!fi) return usage(datanotfoundbox(data));
  const std::string out = data + ".out";
  // Creating the result file must not remove a file of the user's: the payment file given as
  // "DATA.out", or a link to the data file. That counts as a result file that cannot be created.
  if (samefile(out, data) || (n >= 2 && samefile(out, argv[2]))) {
    return fatal(kOutputNotWritable, outputopenbox(out));
  }
  // Made fresh, and no more widely readable than the data file it is made from.
  File fo = createfresh(out, filemode(data));
  if (!fo) return fatal(kOutputNotWritable, outputopenbox(out));
  // A result file that could not be written completely must not be reported as a success.
  bool ok = runbatch(fi.get(), fo.get(), argv[1], sland);
  if (!closefile(fo)) ok = false;
  fi.reset();
  if (!ok) return fatal(kOutputNotWritable, outputwritebox(out));

  if (n == 3) {
    std::string failed;
    switch (rewrite(argv[1], argv[2], argv[3], failed)) {
      case RewriteResult::Done: break;
      case RewriteResult::NoLine: return {kInternal01, "", 1};
      case RewriteResult::NotHarvested: return {kInternal02, "", 1};
      case RewriteResult::IoFailed: return fatal(kOutputNotWritable, outputopenbox(failed));
    }
  }
  return {nullptr, closingbox(data), 0};
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
    RunLock lock;
    if (lock.take(std::string(argv[1]) + ".lock", argv[1]) == RunLock::Take::Busy) {
      end = fatal(kDataBusy, databusybox(argv[1]));
    } else {
      end = stages(n, argv, sland);
    }
  }

  if (end.status < 0) {
    std::fputs(kUsageLine, stdout);
    std::fputs(kLegend, stdout);
    end.status = 1;
  }
  if (end.console) std::fputs(end.console, stdout);
  std::fflush(stdout);
  if (!end.box.empty()) msgbox(end.box.c_str());
  return end.status;
}
