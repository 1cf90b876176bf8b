// The bank table "BLZ.csv" beside the BIC directory: one line for every German bank code the
// Bundesbank's bank code file named at its last import, with the method of its account check
// digits, whether it is going, and its successor. velmora-bic writes it whole; the batch reads
// it once and judges German bank codes and account numbers by it. A data file without one
// beside it is not judged at all.
//
// The file is plain text, one line per bank code in ascending order, each ending in CR LF,
// after a first line that names the columns:
//   "BLZ";"Methode";"Loeschung";"Nachfolger"
//   "10020890";"99";"1";"37060193"
// Methode: the check method, "00" to "E4" as the Bundesbank numbers them. Loeschung: "1" when
// the bank code is marked for deletion (or deleted with that edition of the file), else "0".
// Nachfolger: the successor bank code, "00000000" for none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BankRecord;

/// One bank code of the table.
struct BankRow {
  std::uint32_t blz;        ///< the bank code as a number (its eight digits)
  char method[3];           ///< the check method code
  short slot;               ///< the method resolved (methodslot), -1 for one the program lacks
  bool deleted;             ///< marked for deletion
  std::uint32_t successor;  ///< the successor bank code, 0 for none
};

/// The first line of the table.
extern const char kBankTableHead[];

/// A table's text and what it holds.
struct BankTableText {
  std::string text;
  std::size_t rows = 0;     ///< bank codes
  std::size_t deleted = 0;  ///< of them marked for deletion
};

/// The table for the main records banks of a bank code file: the head line, then one line per
/// bank code in ascending order (the first record of a bank code given twice wins).
BankTableText banktabletext(const std::vector<BankRecord>& banks);

/// Writes text as the file path in one step: into path + ".tmp" first, forced to the disk,
/// then moved over path. False when any step fails; path is then as it was, and the temporary
/// file is gone. The caller holds the directory's lock against other imports.
bool writebanktable(const std::string& path, const std::string& text);

/// The bank table as the batch reads it.
class BankTable {
 public:
  enum class Load {
    Absent,  ///< no such file: nothing is judged
    Loaded,
    Faulty,  ///< a line that is not one the table holds (faultline()), or a read error
  };

  /// Reads the table at path, replacing what was held.
  Load load(const std::string& path);
  /// Reads the table from the whole text of its file, replacing what was held: Loaded or
  /// Faulty.
  Load read(std::string_view text);
  /// The line of the fault after Load::Faulty, counted from 1 (0: the file could not be read).
  std::size_t faultline() const { return faultline_; }

  /// The row of the bank code blz (n characters); nullptr when the table has none, or blz is
  /// not eight digits. Performance-critical (once per German record): `make bench`
  /// (batch-de-table).
  const BankRow* find(const char* blz, std::size_t n) const;

  std::size_t size() const { return rows_.size(); }

 private:
  void index();

  std::vector<BankRow> rows_;  // ascending by bank code, one per code
  // Open addressing over the bank codes: each slot holds a row's number plus 1 (0: empty), at
  // least twice as many slots as rows, so that a lookup mostly reads one slot. A binary search
  // over the rows missed its branches on every other step.
  std::vector<std::uint32_t> slots_;
  unsigned shift_ = 32;  // 32 minus the bits of a slot number
  std::size_t faultline_ = 0;
};
