// The rewrite's scanner: copies a payment text and replaces the content of account "Id" and
// agent "FinInstnId" elements by the forms the mode selects, in the spelling of the file's
// version, from the result line of the element's own pair. File I/O stays outside: bytes come
// in as they are read, output goes to a ByteSink, result lines come from a LineSource.
//
// Pairing. The harvest wrote one record at each record point of a pass (the end of a creditor
// account, the end of a debtor agent). The rewrite follows the pass with the harvest's own
// scanner, so it meets exactly those record points, and consumes exactly one result line at
// each. Record points and the start and end tags of the pair element (a transaction, a
// payment block) cut the text into stretches. A replacement point is served by the line of
// its stretch when the stretch ends at a record point; otherwise its element is written
// unchanged. Which stretches end at a record point is known before the pass: for the creditor
// pass from the harvest's creditor pass over the payment file, for the debtor pass from the
// debtor scanner that the creditor pass carries over its own output. A replacement is made only
// where that scanner reads it exactly as it would read the content it replaces, so the debtor pass
// meets in the intermediate file the record points that the harvest met in the payment file. That
// scanner follows the tags the pass reads, and reads for itself what goes out in place of held
// content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/record.h"
#include "common/bytesink.h"
#include "common/textbuf.h"
#include "iso20022/harvestscan.h"
#include "iso20022/painversion.h"

/// The mode argument: run is whether it reads as a number above 0, m that number modulo 100.
struct RewriteMode {
  bool run;
  int m;
};

/// Reads the mode text the way atoi does (leading blanks, an optional sign, digits; anything
/// else gives 0), but for any number of digits: a positive number acts by its last two digits.
RewriteMode readmode(const char* text);

/// Whether a mode text is one a run takes: a whole number (blanks around it and a sign
/// allowed, nothing else) above 0. The values that replace nothing (7, 100) are modes too.
enum class ModeCheck { Ok, NotNumber, NotPositive };
ModeCheck checkmode(const char* text);

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
  bool debtor;               ///< whose spellings of the version it writes
  /// After its replacement point the rest of the element is passed over: a further "Id" or
  /// "FinInstnId" in it is copied. Each pass keeps watching the element its pair ends with.
  bool leaveaccount;
  bool leaveagent;
};
extern const RewriteSide kCreditorRewrite;
extern const RewriteSide kDebtorRewrite;

/// What a byte or a pass ended with.
enum class ScanResult {
  Ok,
  NoLine,        ///< a record point needed a line and there was none
  NotHarvested,  ///< the line's record number does not begin with "0"
};

/// What the rewrite did with the elements the mode asked it to replace: how many it replaced,
/// and why those it could fill from their line stay as they were.
struct RewriteNotice {
  std::uint64_t asked = 0;     ///< elements the mode asked to replace
  std::uint64_t replaced = 0;  ///< of them, replaced
  std::uint64_t noplace = 0;   ///< the file's version has no place for the form
  std::uint64_t nocode = 0;    ///< the country has no clearing-system code
  std::uint64_t inway = 0;     ///< markup in the content or the values would move a pair
};

/// The scanner's state: everything that lives for one pass.
struct RewriteScan {
  HarvestScan track;                       ///< where the pass is, as the harvest sees it
  std::uint64_t stretch = 0;               ///< record points and pair start and end tags passed
  std::uint64_t taken = 0;                 ///< result lines taken
  bool holding = false;                    ///< in the content of an element that may be replaced
  HarvestGroup held = HarvestGroup::None;  ///< whose content is held
  long helddepth = 0;  ///< the held element's depth: its end tag brings track.depth below it
  TagName heldname;    ///< the held element's name as written, prefix included
  XmlLexer heldlex;    ///< the lexer where the held content begins
  /// The later pass's scanner where the held content begins: outside its elements (the rest
  /// is known from where it is after the content) or, otherwise, as it was then.
  bool lateroutside = true;
  long laterdepth = 0;
  HarvestScan laterstart;
  bool left[2] = {};           ///< account, agent: passed over after their replacement point
  char idbuf[kHoldSize] = "";  ///< held-back content
  std::size_t idlen = 0;
  /// The held-back content outgrew idbuf: it has been written out unchanged and the rest of
  /// the element goes straight through; the replacement point then writes nothing.
  bool spilled = false;
  char buffer[kLineBuf + kSplitSlack] = "";  ///< the pending result line, with splitline's room
  bool pending = false;
  Record rec = {};          ///< the pending line's fields
  std::string form;         ///< the replacement being written
  bool formmarkup = false;  ///< a value in it holds a "<"
};

/// The result lines, read strictly forward.
class LineSource {
 public:
  virtual ~LineSource() = default;
  /// Reads the next piece (at most cap - 1 bytes, up to and including a LF) into buf and
  /// terminates it. Returns its length, 0 when there is no further line.
  virtual std::size_t next(char* buf, std::size_t cap) = 0;
};

/// One pass's fixed parameters.
struct RewritePass {
  const RewriteSide& side;
  RewriteForms forms;
  const PainVersion& version;
  ByteSink& out;
  LineSource& lines;
  const Stretches& stretches;  ///< of this pass's input
  HarvestFollower* later;      ///< the next pass's scanner, following this pass's output
  RewriteNotice& notice;
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
