// The payment-file rewrite: account and agent identifications replaced as the mode selects.
#pragma once

#include <string>

enum class RewriteResult {
  Done,
  NoLine,        ///< a replacement point found no further result line ("Interner Fehler 01")
  NotHarvested,  ///< the pending line's record number does not begin with 0 ("Interner Fehler 02")
  IoFailed,      ///< a file could not be opened, created, written or closed; see failedpath
};

/// Writes paypath + ".out.xml" from the payment file paypath and the result file
/// datapath + ".out", by the mode text. On IoFailed, failedpath names the file concerned.
RewriteResult rewrite(const char* datapath, const char* paypath, const char* mode,
                      std::string& failedpath);
