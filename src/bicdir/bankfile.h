// The Deutsche Bundesbank's bank code file: one fixed-width record of 168 characters a line
// (174 in the extended edition, whose IBAN-rule field is not read). Taken from it: the bank
// code and BIC of each main record for the BIC directory, and the check method, deletion mark
// and successor of each bank code for the bank table. The whole file is checked before any of
// it is used, so that a damaged or converted file adds nothing at all.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

constexpr std::size_t kBankRecord = 168;  ///< characters of a record; more are ignored
constexpr std::size_t kBankBlz = 8;       ///< bank code, positions 1-8
constexpr std::size_t kBankBic = 11;      ///< BIC field, positions 140-150
constexpr std::size_t kBankMethod = 2;    ///< check method, positions 151-152

/// The first fault of a bank code file, in the order the checks run.
enum class BankFault {
  None,
  TooShort,      ///< a line shorter than a record; an empty line too, unless only empty ones follow
  BadBlz,        ///< the bank code is not 8 digits
  BadBic,        ///< the BIC is neither blank nor 8 or 11 upper-case letters and digits
  BadMethod,     ///< the check method is not a digit or a letter A-Z followed by a digit
  BadChange,     ///< the change code is not A, D, M or U
  BadDeletion,   ///< the deletion mark is not 0 or 1
  BadSuccessor,  ///< the successor bank code is not 8 digits
  Unreadable,    ///< the stream failed before its end
};

/// What one record gives the BIC directory and the bank table.
struct BankRecord {
  char blz[kBankBlz + 1];  ///< the bank code
  char bic[kBankBic + 1];  ///< the BIC without its padding blanks; empty when the record has none
  char method[kBankMethod + 1];  ///< the check method of the bank code's account numbers
  char successor[kBankBlz + 1];  ///< the successor bank code, "00000000" for none
  bool main;                     ///< the bank code's main record (the others are branches)
  bool entry;                    ///< a main record with a BIC that is not marked deleted
  /// The bank code is going: marked for deletion, or deleted with this edition (change code D).
  /// Its accounts work on for a while, and its successor, if named, takes them over.
  bool deleted;
};

/// Checks the record text[0..len), its line end not included, of which at most kBankRecord
/// bytes are read. Returns BankFault::None for a sound record, and rec then holds its fields;
/// otherwise the first fault, and rec is undefined.
BankFault readbankrecord(const char* text, std::size_t len, BankRecord& rec);

/// A bank code file read so far: the state carried from one piece of input into the next, so
/// that the caller chooses how the bytes arrive. Start it with bankscanstart.
struct BankScan {
  char rec[kBankRecord];            ///< the first bytes of the line being read
  std::size_t len;                  ///< bytes of the line so far, including those not kept
  std::size_t line;                 ///< number of the line being read, from 1
  std::size_t emptyline;            ///< first of the empty lines just read (0: none)
  bool cr;                          ///< the last byte was a CR: a LF now ends no further line
  BankFault fault;                  ///< the first fault; once set, nothing more is read
  std::size_t faultline;            ///< the line of the fault
  std::vector<BankRecord> entries;  ///< the records that are entries, in file order
  std::vector<BankRecord> banks;    ///< the main records, in file order
};

/// Sets s to the start of a file: line 1, no fault, no entries, no banks.
void bankscanstart(BankScan& s);

/// Reads the n bytes at p as the next part of the file. Lines end at CR LF, LF or CR.
/// Returns false once s holds a fault (the rest of the file need not be fed).
bool bankscanfeed(BankScan& s, const char* p, std::size_t n);

/// Ends the file: a last line without line end counts as a record; empty lines at the end are
/// no fault. After this s.fault, s.entries and s.banks are final.
void bankscanend(BankScan& s);

/// Starts s afresh and reads the stream f into it, from where f stands to its end; a read
/// error gives BankFault::Unreadable on the line being read. Returns true when s.fault is
/// BankFault::None. Does not close f.
bool readbankfile(std::FILE* f, BankScan& s);
