// The files of one run, named once from its arguments, and the one rule for which file a run
// may never write over.
#pragma once

#include <string>

/// Every file of a run. Each name is an argument as given with a fixed suffix, but the BIC
/// directory's and the bank table's, which are "BIC.csv" and "BLZ.csv" in the data file's
/// folder.
struct RunFiles {
  std::string data;          ///< DATAFILE, the user's records
  std::string backup;        ///< DATAFILE.old, the data file before the last harvest
  std::string fresh;         ///< DATAFILE.tmp, the new data file while the harvest writes it
  std::string staged;        ///< DATAFILE.old.tmp, a hard link to the data file while the backup is made
  std::string lock;          ///< DATAFILE.lock, the run's lock on the data file
  std::string result;        ///< DATAFILE.out, the result file
  std::string bicdir;        ///< BIC.csv beside the data file
  std::string banktable;     ///< BLZ.csv beside the data file, the bank table
  std::string payment;       ///< PAYMENT, never written (empty in a batch run)
  std::string intermediate;  ///< PAYMENT.out, the rewrite's creditor pass output
  std::string rewritten;     ///< PAYMENT.out.xml, the rewritten payment file
};

/// The file set of a run on data file data and payment file payment (empty for none).
RunFiles runfiles(const std::string& data, const std::string& payment = "");

/// The BIC directory of data file data: "BIC.csv" in its folder (see folderend).
std::string bicdirof(const std::string& data);
/// The bank table of data file data: "BLZ.csv" in its folder.
std::string banktableof(const std::string& data);

/// The files a run writes.
enum class Output { Result, Intermediate, Rewritten, Data, Backup, Fresh, Staged };

/// True when the output out of the run f is another name of a file the run must keep (the
/// user's data file, its backup, the result file, the payment file, the BIC directory, the bank
/// table: which
/// of them for which output is one table). Writing it would destroy that file: such an output
/// counts as one that cannot be made.
bool clobbers(const RunFiles& f, Output out);
