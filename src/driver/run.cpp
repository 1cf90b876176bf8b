#include "driver/run.h"

#include <cstdio>
#include <string>

#include "batch/batch.h"
#include "common/files.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "iso20022/harvest.h"
#include "iso20022/rewrite.h"

namespace {

void console(const char* text) { std::fputs(text, stdout); }

// The one way a run ends in failure: console text (if any), the error box, status 1.
int fatal(const char* text, const std::string& box) {
  if (text) console(text);
  std::fflush(stdout);
  msgbox(box.c_str());
  return 1;
}

int usage(const std::string& box) {
  console(kUsageLine);
  console(kLegend);
  return fatal(nullptr, box);
}

}  // namespace

int run(int argc, char** argv) {
  initconsole();
  // The carried country starts as "AT", once per run; the batch passes it from record to record.
  char sland[kFieldSize] = "AT";

  int n = argc - 1;
  if (n < 1 || n > 3) return usage(usagebox());
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
  // Creating the result file must not empty a file of the user's: the payment file given as
  // "DATA.out", or a link to the data file. That counts as a result file that cannot be created.
  if (samefile(out, data) || (n >= 2 && samefile(out, argv[2]))) {
    return fatal(kOutputNotWritable, outputopenbox(out));
  }
  File fo = openfile(out, "wb");
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
      case RewriteResult::NoLine: console(kInternal01); return 1;
      case RewriteResult::NotHarvested: console(kInternal02); return 1;
      case RewriteResult::IoFailed: return fatal(kOutputNotWritable, outputopenbox(failed));
    }
  }

  std::fflush(stdout);
  msgbox(closingbox(data).c_str());
  return 0;
}
