// The batch: every data-file line becomes one result line.
#pragma once

#include <cstdio>

#include "batch/record.h"

class BankTable;
class BicIndex;
struct RunFiles;

/// What the evaluation of a record found. The result code of each is its row in kCodes: two
/// codes where the BIC lookup decides (a BIC found, none found), one where it does not run.
enum class Finding : unsigned char {
  IbanBuilt,      ///< "10" with a BIC, "00" without
  IbanValid,      ///< "11" with a BIC, "01" without: country, bank code and account taken
  IbanWrong,      ///< "02"
  NoIbanBuilt,    ///< "90": the account number fits, no country's bank code rule does
  AccountBroken,  ///< "91": the account number breaks the country's rule
  FieldsMissing,  ///< "92": bank code or account number missing (or an empty line)
  Unreadable,     ///< "99": the line or one of its fields is longer than a record holds
  // The findings of the national check digits, and of the bank table (for German bank codes
  // only, and only where there is one).
  IbanBankUnknown,   ///< "03": a valid IBAN whose bank code the table does not hold
  IbanAccountFails,  ///< "04": a valid IBAN whose national check digits fail (for Germany:
                     ///< its account number by its bank's method)
  IbanBankDeleted,   ///< "05": a valid IBAN of a bank code marked for deletion
  BankUnknown,       ///< "93": a bank code the table does not hold
  AccountFails,      ///< "94": an account number that fails as for "04"
  BankDeleted,       ///< "95": an IBAN built for a bank code marked for deletion
};

/// The result codes, each with its meaning as the legend and the closing message give it.
struct ResultCode {
  const char* code;
  const char* meaning;  ///< Windows-1252
};
constexpr int kResultCodes = 15;
extern const ResultCode kResultCodeTable[kResultCodes];

/// How many records of a batch got each result code, in the order of kResultCodeTable.
struct BatchCounts {
  unsigned long long records = 0;
  unsigned long long bycode[kResultCodes] = {};
};

/// The result code of a finding, with or without the BIC found.
const char* codetext(Finding f, bool bicfound);

/// What the evaluation of a record settles before its BIC lookup.
struct Outcome {
  Finding finding;
  bool lookup;    ///< the code depends on the BIC lookup, still to be made
  bool bicfound;  ///< when no lookup is left: whether a BIC was found
};

/// The carried country: the country a record without one of its own is taken to be in, the
/// last country a record settled on; "AT" at the start of a run. One per run, handed from
/// record to record.
class CarriedCountry {
 public:
  CarriedCountry() = default;
  explicit CarriedCountry(const char* land) { set(land); }
  const char* code() const { return code_; }
  /// Becomes land (what fits a field of it).
  void set(const char* land);

 private:
  char code_[kFieldSize] = "AT";
};

/// The evaluation of one record up to its BIC lookup: the fields hold the texts of the result
/// line but the BIC. The lookup itself is lookupbic, which may be called later, as long as the
/// index does not change meanwhile. banks, when given, is the bank table beside the data file,
/// by which German bank codes and account numbers are judged; without it they are not.
Outcome evalsteps(Record& r, CarriedCountry& sland, const BicIndex& bics, const BankTable* banks = nullptr);

/// Looks up the BIC of a record evaluated by evalsteps, when it needs one; returns its code.
const char* lookupbic(Record& r, const Outcome& o, const BicIndex& bics);

/// Evaluates one record in place: on return its fields are the texts of its result line.
/// sland is the carried country, read and updated; bics is the BIC
/// directory beside the data file, banks the bank table beside it, if there is one. Returns the
/// two-digit result code.
const char* evalrec(Record& r, CarriedCountry& sland, const BicIndex& bics, const BankTable* banks = nullptr);

/// Reads the data file fi line by line (DataLines) and writes one result line per line to fo,
/// in the same order, whatever the line holds: an empty line gives empty fields and "92", a
/// line or a field longer than a record holds gives its fields as read and "99". The BIC
/// directory beside the data file verz is read once, before the first record. counts, if
/// given, receives the records per code; banks, if given, is the bank table to judge German
/// records by; known, if given and not stale, is the BIC directory already read (by the
/// harvest before) and is used in its place. Returns false when reading fi or writing fo failed.
/// Performance-critical: `make bench` (batch-*).
bool runbatch(std::FILE* fi, std::FILE* fo, const char* verz, CarriedCountry& sland,
              BatchCounts* counts = nullptr, const BankTable* banks = nullptr,
              const BicIndex* known = nullptr);

/// How the batch stage of a run ended.
enum class BatchResult {
  Done,
  NoDataFile,        ///< the data file cannot be opened: nothing is written
  ResultNotCreated,  ///< the result file cannot be made (or would be an input of the run)
  ResultNotWritten,  ///< reading the data file or writing the result file failed
};

/// The batch stage of a run: runbatch from the run's data file into its result file, made
/// fresh and no more widely readable than the data file. sland, counts, banks and known as
/// runbatch.
BatchResult batchstage(const RunFiles& f, CarriedCountry& sland, BatchCounts& counts,
                       const BankTable* banks, const BicIndex* known = nullptr);
