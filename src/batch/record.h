// The data-file and result-file line formats, and the tests on a record's fields that more
// than one stage makes: every format and rule of a record line lives here.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "common/textbuf.h"

/// The six fields of one record, as splitrec fills them and the evaluation leaves them.
struct Record {
  char snr[kFieldSize];
  char land[kFieldSize];
  char blz[kFieldSize];
  char konto[kFieldSize];
  char iban[kFieldSize];
  char bic[kFieldSize];
};

/// Splits one terminated line into the six record fields, each a buffer of kFieldSize
/// characters. Every field is emptied first. Fields are separated by ';' or ',' outside double
/// quotes; a double quote toggles quoting and is never stored; each field keeps its first
/// kFieldFill characters; text behind the sixth field is dropped. The line end is not a
/// separator: its bytes go to the field that is current when they are read.
void splitrec(const char* line, char* snr, char* land, char* blz, char* konto, char* iban,
              char* bic);

/// Bytes behind a line's terminator that splitline reads.
constexpr int kSplitSlack = 16;

/// splitrec into r, for a line with kSplitSlack readable bytes behind its terminator: it looks
/// at sixteen bytes at a time. Field bytes behind each terminator are scratch.
/// Returns true when a field had more than kFieldFill characters: the field holds its first
/// kFieldFill, and the record does not fit. Text behind the sixth field does not count.
/// Performance-critical (once per record of the batch): `make bench`.
bool splitline(const char* line, Record& r);

/// The lines of a data file as records: CR, LF and CR LF each end a line, and the line end is
/// no part of the line. A UTF-8 byte-order mark at the start of the file ("CSV UTF-8" of the
/// spreadsheets) is no part of the first line; a file that begins with the mark of UTF-16
/// ("Unicode-Text") is read as its characters, each the byte of Windows-1252 it is ("?" where
/// there is none). A line longer than a read takes is read to its
/// end all the same, so that it stays one record.
class DataLines {
 public:
  explicit DataLines(std::FILE* f) : f_(f) {}
  DataLines(const DataLines&) = delete;
  DataLines& operator=(const DataLines&) = delete;

  /// Reads the next line into buf: at most cap - 1 bytes, terminated; len is their number, and
  /// overlong says the line had more, which are passed over. Returns false at the end of the
  /// file (or on a read error, see failed()).
  bool next(char* buf, std::size_t cap, std::size_t& len, bool& overlong);
  /// True when the end came from a read error rather than the end of the file.
  bool failed() const { return failed_; }

 private:
  bool fill();
  std::size_t fromutf16(std::size_t from);
  std::FILE* f_;
  std::size_t pos_ = 0, end_ = 0;
  bool started_ = false;  ///< the byte-order mark has been looked for
  bool aftercr_ = false;  ///< the last line ended with CR: a LF right behind it belongs to it
  bool utf16_ = false;    ///< the file is UTF-16, low byte first
  bool odd_ = false;      ///< a read ended in the middle of a character, whose first byte is
  char held_ = 0;
  bool failed_ = false;
  char ahead_[1 << 16];
};

/// True when an IBAN field holds an IBAN: more than 8 characters. Shorter texts are no IBAN to
/// the batch (the record is built from bank code and account instead), to the harvest (the
/// record keeps its bank code and account) and to the rewrite (the IBAN form is not written).
inline bool hasiban(const char* iban) {
  return shortlen(iban, 9) > 8;
}

/// The record number of every harvested record.
constexpr char kHarvestedSnr[] = "0";

/// True when a line of the data file, as read (piece of n bytes), is a record an earlier
/// harvest wrote: it begins with the three characters quote, 0, quote, exactly as the harvest
/// writes its record number. The merge drops such lines and keeps every other one, so a
/// user's line numbered 0 without quotes, or "01", stays.
inline bool isharvestedline(const char* piece, std::size_t n) {
  return n >= 3 && std::memcmp(piece, "\"0\"", 3) == 0;
}

/// True when a split result line may stand for a harvested record: its record number begins
/// with 0. The rewrite refuses any other line; it cannot tell a user's record numbered 0 or
/// "01" from a harvested one, and need not, as it reads only as many lines as were harvested.
inline bool isharvested(const Record& r) {
  return r.snr[0] == '0';
}

/// Room a data line of the harvest needs: five fields of at most kFieldSize - 1 characters,
/// their quotes and separators, CR LF and a terminator.
constexpr int kDataLine = 5 * (kFieldSize + 2) + 3;

/// Composes the data-file line of a harvested record into line (kDataLine bytes), terminated:
/// the record number "0", land, blz, konto and iban, each between double quotes and followed
/// by ';', then CR LF (the sixth field, the BIC, stays empty). Returns its length.
std::size_t makedataline(char* line, const char* land, const char* blz, const char* konto,
                         const char* iban);

/// Room a result line needs: seven fields of at most kFieldSize - 1 characters, their quotes
/// and separators, CR LF, and 16 bytes that makeresult may write behind the line.
constexpr int kResultLine = 7 * (kFieldSize + 2) + 2 + 16;

/// Composes the result line of r and its code (at most kFieldSize - 1 characters of it) into
/// line (kResultLine bytes), as
/// putresult writes it, without a terminator; the bytes behind the line are scratch. Returns
/// its length. Performance-critical (once per record of the batch): `make bench`.
std::size_t makeresult(char* line, const Record& r, const char* code);

/// Writes one result line to fo: the seven texts (at most kFieldSize - 1 characters each are
/// taken), each between double quotes, separated by ';', ended by CR LF. Write errors are left
/// in the stream's error flag for the caller.
void putresult(std::FILE* fo, const char* snr, const char* land, const char* blz,
               const char* konto, const char* iban, const char* bic, const char* code);
