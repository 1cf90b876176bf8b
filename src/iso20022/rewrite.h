// The payment-file rewrite: account and agent identifications replaced as the mode selects.
#pragma once

#include <string>

struct RunFiles;

enum class RewriteResult {
  Done,
  NoLine,        ///< a replacement point found no further result line ("Interner Fehler 01")
  NotHarvested,  ///< the pending line's record number does not begin with 0 ("Interner Fehler 02")
  IoFailed,      ///< a file could not be opened, created, written or closed; see failedpath
};

/// Writes the run's rewritten payment file from its payment file and its result file, by the
/// mode text. On IoFailed, failedpath names the file concerned.
RewriteResult rewrite(const RunFiles& f, const char* mode, std::string& failedpath);
