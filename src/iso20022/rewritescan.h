// The rewrite's scanner: copies a payment text byte by byte and replaces the content of
// account "Id" and agent "FinInstnId" elements by the forms the mode selects, from the result
// line of the element's own pair. File I/O stays outside: bytes come in one at a time, output
// goes to a ByteSink, result lines come from a LineSource, and a ByteSource reads the same
// text a second time, ahead of the scanner.
//
// Pairing. The harvest wrote one record at each record point of a pass (the end of a creditor
// account, the end of a debtor agent). The rewrite follows the pass with the harvest's own
// scanner, so it meets exactly those record points, and consumes exactly one result line at
// each. Record points and the start and end tags of the pair element (a transaction, a
// payment block) cut the text into stretches. A replacement point is served by the line of
// its stretch when the stretch ends at a record point; otherwise its element is written
// unchanged. Whether a stretch ends at a record point is learnt by reading ahead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "batch/record.h"
#include "common/bytesink.h"
#include "common/textbuf.h"
#include "iso20022/harvestscan.h"
#include "iso20022/scanrows.h"

/// States of the holding table: Copy outside held content, the others within it.
enum class HoldState : int {
  Copy = 0,         ///< not holding: bytes go straight to the output
  Content = 1,      ///< in the held content, between tags
  InTag = 2,        ///< in a tag within it, after "<"
  InAttrs = 3,      ///< in a start tag within it, after an attribute value
  InDquote = 4,     ///< in an attribute value in double quotes
  InSquote = 5,     ///< in an attribute value in single quotes
  InEndTag = 6,     ///< in an end tag within it
  AfterBang = 7,    ///< after "<!" within it
  InComment = 8,    ///< in a comment, up to "-->"
  InCData = 9,      ///< in a CDATA section, up to "]]>"
  InPi = 10,        ///< in a processing instruction, up to "?>"
  InDecl = 11,      ///< in other "<!" markup, up to ">"
};

/// The mode argument: run is whether it reads as a number above 0, m that number modulo 100.
struct RewriteMode {
  bool run;
  int m;
};

/// Reads the mode text the way atoi does (leading blanks, an optional sign, digits; anything
/// else gives 0), but for any number of digits: a positive number acts by its last two digits.
RewriteMode readmode(const char* text);

/// The replacement forms.
enum class Form : unsigned char { Unchanged, Iban, PrtryAcct, Bic, Combined, ClrSysMmbId, PrtryId };
struct RewriteForms {
  Form account;
  Form agent;
};
/// The forms for m (0 to 99): the units digit picks the work, the tens digit the agent's
/// national form (0 combined, 1 clearing member, 2 proprietary id; 3 to 9 nothing at all).
RewriteForms formsfor(int m);

/// What tells the creditor pass from the debtor pass.
struct RewriteSide {
  const HarvestSide& track;  ///< the harvest's pass whose record points the lines follow
  /// After its replacement point the rest of the element is passed over: a further "Id" or
  /// "FinInstnId" in it is copied. Each pass keeps watching the element its pair ends with.
  bool leaveaccount;
  bool leaveagent;
  /// The pass that runs over this pass's output, or none. Content that names one of its
  /// elements in a tag is never replaced, so that pass meets the same record points in the
  /// output as the harvest met in the payment file.
  const HarvestSide* later;
};
extern const RewriteSide kCreditorRewrite;
extern const RewriteSide kDebtorRewrite;

/// The result lines, read strictly forward.
class LineSource {
 public:
  virtual ~LineSource() = default;
  /// Reads the next piece (at most cap - 1 bytes, up to and including a LF) into buf and
  /// terminates it. Returns its length, 0 when there is no further line.
  virtual std::size_t next(char* buf, std::size_t cap) = 0;
};

/// A pass's input read a second time.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Reads up to cap bytes into buf. Returns how many; 0 at the end (or on a read error).
  virtual std::size_t read(char* buf, std::size_t cap) = 0;
  /// Goes to byte offset of the input. False when it cannot.
  virtual bool seek(std::uint64_t offset) = 0;
};

/// Reads a pass's input ahead of the scanner with a second harvest scanner, to tell for each
/// stretch whether it ends at a record point. It never holds more than one read block.
class PairAhead {
 public:
  /// start: the harvest scanner's state where the pass begins.
  PairAhead(const HarvestSide& side, ByteSource& src, const HarvestScan& start);
  PairAhead(const PairAhead&) = delete;
  PairAhead& operator=(const PairAhead&) = delete;

  /// True when stretch n (counted from 0) ends at a record point; false when it ends at a
  /// pair's start or end tag, or at the end of the input. The asker is at byte offset of the
  /// input, in stretch n, its harvest scanner in state here: when the reading ahead lags behind
  /// it, it starts again from there rather than read what the asker has read already. n must not
  /// fall below a stretch asked for before.
  bool recorded(std::uint64_t n, const HarvestScan& here, std::uint64_t offset);

 private:
  const HarvestSide& side_;
  ByteSource& src_;
  HarvestScan scan_;
  NoRecords none_;
  std::uint64_t passed_ = 0;  // stretches ended so far
  bool last_ = false;         // whether the last of them ended at a record point
  std::uint64_t offset_ = 0;  // bytes of the input scan_ has read
  std::size_t pos_ = 0, end_ = 0;
  char buf_[1 << 14];
};

/// What a byte or a pass ended with.
enum class ScanResult {
  Ok,
  NoLine,        ///< a record point needed a line and there was none
  NotHarvested,  ///< the line's record number does not begin with "0"
};

/// The scanner's state: everything that lives for one pass.
struct RewriteScan {
  HarvestScan track;          ///< where the pass is, as the harvest sees it
  std::uint64_t stretch = 0;  ///< record points and pair start and end tags passed
  std::uint64_t offset = 0;   ///< bytes of the input the harvest scanner has read
  scanrows::Lexer hold;       ///< the holding table's state (a HoldState)
  HarvestGroup held = HarvestGroup::None;  ///< whose content is held
  int depth = 0;    ///< elements open within the held content
  char prev = 0;    ///< the byte held before the current one
  bool left[2] = {};  ///< account, agent: passed over after their replacement point
  char idbuf[kHoldSize] = "";  ///< held-back content
  std::size_t idlen = 0;
  /// The held-back content outgrew idbuf: it has been written out unchanged and the rest of
  /// the element goes straight through; the replacement point then writes nothing.
  bool spilled = false;
  char buffer[kLineBuf + kSplitSlack] = "";  ///< the pending result line, with splitline's room
  bool pending = false;
  Record rec = {};  ///< the pending line's fields
};

/// One pass's fixed parameters.
struct RewritePass {
  const RewriteSide& side;
  RewriteForms forms;
  ByteSink& out;
  LineSource& lines;
  PairAhead& ahead;
};

/// Starts a pass from the harvest scanner's state start, as the harvest starts its pass: the
/// creditor pass from a fresh state, the debtor pass where the creditor pass ended.
void rewritestart(RewriteScan& s, const HarvestScan& start);

/// Feeds one byte. On an error the pass must stop; what was written so far stays written.
ScanResult rewritebyte(RewriteScan& s, const RewritePass& p, char c);

/// Feeds n bytes; stops at the first error.
ScanResult rewritetext(RewriteScan& s, const RewritePass& p, const char* text, std::size_t n);

/// Ends the input: content still held back is written out unchanged, so the output ends
/// exactly where the input ends. Flushes the sink.
void rewriteend(RewriteScan& s, const RewritePass& p);
