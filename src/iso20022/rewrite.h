// The payment-file rewrite: account and agent identifications replaced as the mode selects.
#pragma once

#include <string>

#include "iso20022/rewritescan.h"

struct RunFiles;
struct HarvestReport;

enum class RewriteResult {
  Done,
  NoLine,        ///< a replacement point found no further result line ("Interner Fehler 01")
  NotHarvested,  ///< the pending line's record number does not begin with 0 ("Interner Fehler 02")
  /// A pass met another number of record points than the harvest wrote records for it
  /// ("Interner Fehler 03"): its lines would not belong to its pairs. No rewritten file is left.
  Mismatch,
  IoFailed,  ///< a file could not be opened, created, written or closed; see failedpath
};

/// What the rewrite has to tell the user besides its result.
struct RewriteReport {
  RewriteNotice left;   ///< elements left as they were, by reason
  std::string version;  ///< the payment file's version, as the notice names it
};

/// Writes the run's rewritten payment file from its payment file and its result file, by the
/// mode text. harvested: the records the harvest wrote in each pass, which the passes must
/// meet exactly. On IoFailed, failedpath names the file concerned.
RewriteResult rewrite(const RunFiles& f, const char* mode, const HarvestReport& harvested,
                      RewriteReport& report, std::string& failedpath);
