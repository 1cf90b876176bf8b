#include "driver/run.h"

#include <cstdio>
#include <optional>
#include <string>

#include "batch/batch.h"
#include "bicdir/banktable.h"
#include "bicdir/bicindex.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "iso20022/harvest.h"
#include "iso20022/paymentfile.h"
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
  bool usage = false;       ///< the usage line and the legend go out first
};

Ending fatal(const char* console, const std::string& box) {
  return {console, box, 1};
}

// A command line the run cannot work with: the usage line and legend, then the box.
Ending usage(const std::string& box) {
  return {nullptr, box, 1, "", true};
}

// What is wrong with a payment file for a harvest, if anything.
std::optional<ArgError> paymenterror(const char* path) {
  switch (checkpayment(path)) {
    case PaymentFileCheck::CreditTransfer: return std::nullopt;
    case PaymentFileCheck::Missing: return ArgError::PaymentMissing;
    case PaymentFileCheck::Folder: return ArgError::PaymentFolder;
    case PaymentFileCheck::Unreadable: return ArgError::PaymentUnreadable;
    case PaymentFileCheck::NotCreditTransfer: return ArgError::NotCreditTransfer;
  }
  return std::nullopt;
}

// What is wrong with a mode text, if anything.
std::optional<ArgError> modeerror(const char* text) {
  switch (checkmode(text)) {
    case ModeCheck::Ok: return std::nullopt;
    case ModeCheck::NotNumber: return ArgError::ModeNotNumber;
    case ModeCheck::NotPositive: return ArgError::ModeNotPositive;
  }
  return std::nullopt;
}

// The arguments that a run cannot work with, found before any file is touched: too many of
// them, a payment file that is none, a mode that is no number above 0. False with end set
// then.
bool checkargs(int n, char** argv, Ending& end) {
  std::optional<ArgError> e;
  const char* text = "";
  if (n > 3) {
    e = ArgError::TooMany;
  } else if (n >= 2 && (e = paymenterror(argv[2]))) {
    text = argv[2];
  } else if (n == 3 && (e = modeerror(argv[3]))) {
    text = argv[3];
  }
  if (e) end = usage(argerrorbox(*e, text));
  return !e;
}

// The stages of a run that has its data file to itself.
Ending stages(int n, char** argv, const RunFiles& f, CarriedCountry& sland) {
  // The bank table is read before anything is done: a run that cannot judge by it stops.
  BankTable banks;
  const BankTable::Load table = banks.load(f.banktable);
  if (table == BankTable::Load::Faulty)
    return fatal(kBankTableFaulty, banktablebox(f.banktable, banks.faultline()));

  HarvestReport harvested;
  RunNotice notice;
  RunSummary summary;
  BicIndex bics;  // the harvest's BIC directory, which the batch takes over while it holds
  if (n >= 2) {
    switch (harvest(f, harvested, bics)) {
      case HarvestResult::Skipped: break;
      case HarvestResult::Done:
        summary.harvested = true;
        summary.creditors = harvested.creditor;
        summary.debtors = harvested.debtor;
        summary.bicslearnt = harvested.bicslearnt;
        break;
      case HarvestResult::BackupFailed: return fatal(kDataNotWritable, backupfailbox(f.data));
      case HarvestResult::WriteFailed: return fatal(kDataNotWritable, datawritebox(f.data));
    }
  }

  BatchCounts counts;
  switch (batchstage(f, sland, counts, table == BankTable::Load::Loaded ? &banks : nullptr,
                     &bics)) {
    case BatchResult::Done: break;
    case BatchResult::NoDataFile: return usage(datanotfoundbox(f.data));
    case BatchResult::ResultNotCreated: return fatal(kOutputNotWritable, outputopenbox(f.result));
    case BatchResult::ResultNotWritten: return fatal(kOutputNotWritable, outputwritebox(f.result));
  }
  summary.records = counts.records;
  for (int i = 0; i < kResultCodes; ++i) {
    const ResultCode& c = kResultCodeTable[i];
    if (counts.bycode[i] > 0) summary.codes.push_back({c.code, c.meaning, counts.bycode[i]});
  }

  notice.quoted = harvested.quoted;
  if (n == 3) {
    std::string failed;
    RewriteReport report;
    switch (rewrite(f, argv[3], harvested, report, failed)) {
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
    const RewriteForms forms = formsfor(readmode(argv[3]).m);
    summary.rewritten = true;
    summary.modereplacesnothing =
        forms.account == Form::Unchanged && forms.agent == Form::Unchanged;
    summary.mode = argv[3];
    summary.asked = report.left.asked;
    summary.replaced = report.left.replaced;
  }
  const std::string lines = noticelines(notice);
  return {nullptr, closingbox(f.data, summarylines(summary) + lines), 0,
          lines.empty() ? "" : "\r\n" + lines};
}

}  // namespace

int run(int argc, char** argv) {
  initconsole();
  // The carried country starts as "AT", once per run; the batch passes it from record to record.
  CarriedCountry sland;

  const int n = argc - 1;
  Ending end;
  if (n < 1) {
    end = usage(usagebox());
  } else if (checkargs(n, argv, end)) {
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

  if (end.usage) {
    std::fputs(kUsageLine, stdout);
    // The legend has umlauts: in the console's own terms, as the notice.
    consoletext(stdout, legend().c_str());
  }
  if (end.console) std::fputs(end.console, stdout);
  // Unlike the error lines, the notice has umlauts: it goes out in the console's own terms.
  if (!end.notice.empty()) consoletext(stdout, end.notice.c_str());
  std::fflush(stdout);
  if (!end.box.empty()) msgbox(end.box.c_str());
  return end.status;
}
