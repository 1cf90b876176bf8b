// The rewrite's scanner: copies a payment text byte by byte and replaces the content of
// account "Id" and agent "FinInstnId" elements by the forms the mode selects, from the
// pending result line. File I/O stays outside: bytes come in one at a time, output goes to a
// ByteSink, result lines come from a LineSource.
#pragma once

#include <cstddef>

#include "batch/batch.h"
#include "common/textbuf.h"
#include "iso20022/tagname.h"

/// Scanner states; the values are the documented state numbers.
enum class RewriteState : int {
  Outside = 0,              ///< outside the watched elements (copy)
  InTag = 1,                ///< in a tag begun in state 0 (copy)
  InAccount = 2,            ///< in the account element, between tags (copy)
  InAccountTag = 3,         ///< in a tag within the account element (copy)
  InAccountEndTag = 4,      ///< in an end tag within the account element (copy)
  InAccountId = 5,          ///< in the account's "Id" content (hold)
  AccountIdAfterLt = 6,     ///< just after a "<" in that content (hold)
  InAccountIdEndTag = 7,    ///< in an end tag within the "Id" content (hold)
  AccountIdAfterLtI = 8,    ///< after "<I" in that content (hold)
  InSkippedTag = 9,         ///< rest of an end tag, comment, declaration or PI (copy)
  AccountIdAfterLtId = 10,  ///< after "<Id" in that content (hold)
  InNestedId = 11,          ///< in a nested "Id" element, up to its next ">" (hold)
  InAgent = 12,             ///< in the agent element, between tags (copy)
  InAgentTag = 13,          ///< in a tag within the agent element (copy)
  InAgentEndTag = 14,       ///< in an end tag within the agent element (copy)
  InFinInstnId = 15,        ///< in the agent's "FinInstnId" content (hold)
  FinInstnIdAfterLt = 16,   ///< just after a "<" in that content (hold)
  InFinInstnIdEndTag = 17,  ///< in an end tag within the "FinInstnId" content (hold)
};

/// What tells the creditor pass from the debtor pass; nothing else differs.
struct RewriteSide {
  const char* account;  ///< account element name
  const char* agent;    ///< agent element name
  bool dropatagent;     ///< the pending line is dropped at the agent's end tag, else the account's
  RewriteState afteraccount;  ///< state after an account replacement point
  RewriteState afteragent;    ///< state after an agent replacement point
};

/// The creditor pair ends with its account, the debtor pair with its agent: each pass stays in
/// the last element of its pair after the replacement point, so that element's end tag drops
/// the line, and leaves the other element at once.
constexpr RewriteSide kCreditorRewrite = {"CdtrAcct", "CdtrAgt", false, RewriteState::InAccount,
                                          RewriteState::Outside};
constexpr RewriteSide kDebtorRewrite = {"DbtrAcct", "DbtrAgt", true, RewriteState::Outside,
                                        RewriteState::InAgent};

/// The mode argument: run is whether it reads as a number above 0, m that number modulo 100.
struct RewriteMode {
  bool run;
  int m;
};

/// Reads the mode text the way atoi does (leading blanks, an optional sign, digits; anything
/// else gives 0), but for any number of digits: a positive number acts by its last two digits.
RewriteMode readmode(const char* text);

/// The replacement forms, chosen per element kind from m.
enum class AccountForm { Unchanged, Iban, PrtryAcct };
enum class AgentForm { Unchanged, Bic, Combined, ClrSysMmbId, PrtryId };
struct RewriteForms {
  AccountForm account;
  AgentForm agent;
};
/// The forms for m (0 to 99): the units digit picks the work, the tens digit the agent's
/// national form (0 combined, 1 clearing member, 2 proprietary id; 3 to 9 nothing at all).
RewriteForms formsfor(int m);

/// Buffered byte output. put() is cheap; the bytes reach emit() in blocks.
class ByteSink {
 public:
  ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  virtual ~ByteSink() = default;

  void put(char c) {
    if (len_ == sizeof buf_) flush();
    buf_[len_++] = c;
  }
  void write(const char* s, std::size_t n);
  void write(const char* s);
  /// Hands everything put so far to emit().
  void flush();

 protected:
  virtual void emit(const char* p, std::size_t n) = 0;

 private:
  char buf_[1 << 14];
  std::size_t len_ = 0;
};

/// The result lines, read strictly forward.
class LineSource {
 public:
  virtual ~LineSource() = default;
  /// Reads the next piece (at most cap - 1 bytes, up to and including a LF) into buf and
  /// terminates it. Returns its length, 0 when there is no further line.
  virtual std::size_t next(char* buf, std::size_t cap) = 0;
};

/// What a byte or a pass ended with.
enum class ScanResult {
  Ok,
  NoLine,        ///< a replacement point needed a line and there was none
  NotHarvested,  ///< the pending line's record number does not begin with "0"
};

/// The scanner's state: everything that lives for one pass.
struct RewriteScan {
  RewriteState status = RewriteState::Outside;
  TagName zbuffer;
  char idbuf[kHoldSize] = "";  ///< held-back content
  std::size_t idlen = 0;
  /// The held-back content outgrew idbuf: it has been written out unchanged and the rest of
  /// the element goes straight through; the replacement point then writes nothing.
  bool spilled = false;
  char buffer[kLineBuf] = "";  ///< the pending result line
  bool pending = false;
  Record rec = {};  ///< the pending line's fields, split afresh at every replacement point
};

/// One pass's fixed parameters.
struct RewritePass {
  const RewriteSide& side;
  RewriteForms forms;
  ByteSink& out;
  LineSource& lines;
};

/// Feeds one byte. On an error the pass must stop; what was written so far stays written.
ScanResult rewritebyte(RewriteScan& s, const RewritePass& p, char c);

/// Feeds n bytes; stops at the first error.
ScanResult rewritetext(RewriteScan& s, const RewritePass& p, const char* text, std::size_t n);

/// Ends the input: content still held back is written out unchanged, so the output ends
/// exactly where the input ends. Flushes the sink.
void rewriteend(RewriteScan& s, const RewritePass& p);
