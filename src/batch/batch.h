// The batch: every data-file line becomes one result line.
#pragma once

#include <cstdio>

#include "common/textbuf.h"

class BicIndex;

/// The six fields of one record, as splitrec fills them and the evaluation leaves them.
struct Record {
  char snr[kFieldSize];
  char land[kFieldSize];
  char blz[kFieldSize];
  char konto[kFieldSize];
  char iban[kFieldSize];
  char bic[kFieldSize];
};

/// What the evaluation of a record settles before its BIC lookup: the result code, or, when
/// the code depends on the lookup (miss not null), the code for a BIC found and for none.
struct Outcome {
  const char* code;
  const char* miss;
};

/// The evaluation of one record up to its BIC lookup: the fields hold the texts of the result
/// line but the BIC. The lookup itself is lookupbic, which may be called later, as long as the
/// index does not change meanwhile.
Outcome evalsteps(Record& r, char* sland, const BicIndex& bics);

/// Looks up the BIC of a record evaluated by evalsteps, when it needs one; returns its code.
const char* lookupbic(Record& r, const Outcome& o, const BicIndex& bics);

/// Evaluates one record in place: on return its fields are the texts of its result line.
/// sland (kFieldSize buffer) is the carried country, read and updated; bics is the BIC
/// directory beside the data file. Returns the two-digit result code.
const char* evalrec(Record& r, char* sland, const BicIndex& bics);

/// Reads the data file fi line by line (pieces of at most kLineRead bytes) and writes one
/// result line per piece to fo. The BIC directory beside the data file verz is read once,
/// before the first record. Returns false when reading fi or writing fo failed.
bool runbatch(std::FILE* fi, std::FILE* fo, const char* verz, char* sland);
