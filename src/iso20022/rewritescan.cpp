#include "iso20022/rewritescan.h"

#include <cstring>

#include "batch/record.h"

RewriteMode readmode(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Only the sign, whether any digit is non-zero, and the last two digits matter, so the
  // number is never built up and cannot overflow however long the text is.
  bool nonzero = false;
  int m = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (*p != '0') nonzero = true;
    m = (m * 10 + (*p - '0')) % 100;
  }
  if (negative || !nonzero) return {false, 0};
  return {true, m};
}

RewriteForms formsfor(int m) {
  static constexpr AgentForm kNational[3] = {AgentForm::Combined, AgentForm::ClrSysMmbId,
                                             AgentForm::PrtryId};
  int units = m % 10, tens = m / 10;
  if (tens > 2) return {AccountForm::Unchanged, AgentForm::Unchanged};
  switch (units) {
    case 1: return {AccountForm::Iban, AgentForm::Unchanged};
    case 2: return {AccountForm::PrtryAcct, AgentForm::Unchanged};
    case 3: return {AccountForm::Unchanged, AgentForm::Bic};
    case 4: return {AccountForm::Unchanged, kNational[tens]};
    case 5: return {AccountForm::Iban, AgentForm::Bic};
    case 6: return {AccountForm::PrtryAcct, kNational[tens]};
    default: return {AccountForm::Unchanged, AgentForm::Unchanged};
  }
}

void ByteSink::write(const char* s, std::size_t n) {
  while (n > 0) {
    if (len_ == sizeof buf_) flush();
    std::size_t take = sizeof buf_ - len_;
    if (take > n) take = n;
    std::memcpy(buf_ + len_, s, take);
    len_ += take;
    s += take;
    n -= take;
  }
}

void ByteSink::write(const char* s) {
  write(s, std::strlen(s));
}

void ByteSink::flush() {
  if (len_ > 0) emit(buf_, len_);
  len_ = 0;
}

namespace {

using S = RewriteState;

bool holding(S st) {
  switch (st) {
    case S::InAccountId:
    case S::AccountIdAfterLt:
    case S::InAccountIdEndTag:
    case S::AccountIdAfterLtI:
    case S::AccountIdAfterLtId:
    case S::InNestedId:
    case S::InFinInstnId:
    case S::FinInstnIdAfterLt:
    case S::InFinInstnIdEndTag: return true;
    default: return false;
  }
}

// Starts holding back the content of a recognised "Id" or "FinInstnId" element.
void startholding(RewriteScan& s) {
  s.idlen = 0;
  s.idbuf[0] = '\0';
  s.spilled = false;
}

// A held byte goes into idbuf while it fits. When it does not, what is held is written out
// unchanged and the rest of the element is copied straight through: the content is too long
// to be an identification worth replacing, and no byte of it may be lost.
void hold(RewriteScan& s, const RewritePass& p, char c) {
  if (s.spilled) {
    p.out.put(c);
  } else if (!appendc(s.idbuf, sizeof s.idbuf, s.idlen, c)) {
    p.out.write(s.idbuf, s.idlen);
    p.out.put(c);
    s.spilled = true;
  }
}

std::size_t len(const char* field) {
  return std::strlen(field);
}

// Writes the account form, or the held content when the form is not wanted or its field is
// too short. Conditions: an IBAN of more than 8 characters, an account of more than 3.
void writeaccount(const RewriteScan& s, const RewritePass& p) {
  const Record& r = s.rec;
  switch (p.forms.account) {
    case AccountForm::Iban:
      if (len(r.iban) > 8) {
        p.out.write("<IBAN>");
        p.out.write(r.iban);
        p.out.write("</IBAN></Id>");
        return;
      }
      break;
    case AccountForm::PrtryAcct:
      if (len(r.konto) > 3) {
        p.out.write("<PrtryAcct><Id>");
        p.out.write(r.konto);
        p.out.write("</Id></PrtryAcct></Id>");
        return;
      }
      break;
    case AccountForm::Unchanged: break;
  }
  p.out.write(s.idbuf, s.idlen);
}

// Writes the agent form, or the held content. Conditions: a BIC of at least 8 characters;
// for the three national forms a country of exactly 2 characters and a bank code of more
// than 3.
void writeagent(const RewriteScan& s, const RewritePass& p) {
  const Record& r = s.rec;
  bool national = len(r.land) == 2 && len(r.blz) > 3;
  switch (p.forms.agent) {
    case AgentForm::Bic:
      if (len(r.bic) >= 8) {
        p.out.write("<BIC>");
        p.out.write(r.bic);
        p.out.write("</BIC></FinInstnId>");
        return;
      }
      break;
    case AgentForm::Combined:
      if (national) {
        p.out.write("<CmbndId><ClrSysMmbId><Id>");
        p.out.write(r.blz);
        p.out.write("</Id></ClrSysMmbId><PstlAdr><Ctry>");
        p.out.write(r.land);
        p.out.write("</Ctry></PstlAdr><PrtryId><Id>");
        p.out.write(r.blz);
        p.out.write("</Id></PrtryId></CmbndId></FinInstnId>");
        return;
      }
      break;
    case AgentForm::ClrSysMmbId:
      if (national) {
        p.out.write("<ClrSysMmbId><Id>");
        p.out.write(r.blz);
        p.out.write("</Id></ClrSysMmbId></FinInstnId>");
        return;
      }
      break;
    case AgentForm::PrtryId:
      if (national) {
        p.out.write("<PrtryId><Id>");
        p.out.write(r.blz);
        p.out.write("</Id></PrtryId></FinInstnId>");
        return;
      }
      break;
    case AgentForm::Unchanged: break;
  }
  p.out.write(s.idbuf, s.idlen);
}

// A replacement point. The line is taken and checked whatever the mode, so the lines stay in
// step with the harvested records even where nothing is replaced.
ScanResult replace(RewriteScan& s, const RewritePass& p, bool account) {
  if (!s.pending) {
    if (p.lines.next(s.buffer, sizeof s.buffer) == 0) return ScanResult::NoLine;
    s.pending = true;
  }
  Record& r = s.rec;
  splitrec(s.buffer, r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
  if (r.snr[0] != '0') return ScanResult::NotHarvested;
  s.status = account ? p.side.afteraccount : p.side.afteragent;
  // Spilled content has gone out unchanged already.
  if (s.spilled) return ScanResult::Ok;
  if (account) {
    writeaccount(s, p);
  } else {
    writeagent(s, p);
  }
  return ScanResult::Ok;
}

}  // namespace

// The state table. Each state first disposes of c (copies or holds it), then tests its
// transitions in the documented order; a byte that meets no test leaves the state as it is.
ScanResult rewritebyte(RewriteScan& s, const RewritePass& p, char c) {
  if (holding(s.status)) {
    hold(s, p, c);
  } else {
    p.out.put(c);
  }
  TagName& name = s.zbuffer;
  switch (s.status) {
    case S::Outside:
      if (c == '<') {
        name.clear();
        s.status = S::InTag;
      }
      break;
    case S::InTag:
      if (c == '!' || c == '?' || c == '/') {
        s.status = S::InSkippedTag;
      } else if (c == '>') {
        s.status = name.is(p.side.account) ? S::InAccount
                   : name.is(p.side.agent) ? S::InAgent
                                           : S::Outside;
      } else {
        name.add(c);
      }
      break;
    case S::InSkippedTag:
      if (c == '>') s.status = S::Outside;
      break;

    case S::InAccount:
      if (c == '<') {
        name.clear();
        s.status = S::InAccountTag;
      }
      break;
    case S::InAccountTag:
      if (c == '/') {
        name.clear();
        s.status = S::InAccountEndTag;
      } else if (c == '>') {
        if (name.is("Id")) {
          startholding(s);
          s.status = S::InAccountId;
        } else {
          s.status = S::InAccount;
        }
      } else {
        name.add(c);
      }
      break;
    case S::InAccountEndTag:
      if (c == '>') {
        if (name.is(p.side.account)) {
          if (!p.side.dropatagent) s.pending = false;
          s.status = S::Outside;
        } else {
          s.status = S::InAccount;
        }
      } else {
        name.add(c);
      }
      break;
    // Inside the held "Id" content a nested "<Id>" is recognised byte by byte and skipped up
    // to its next ">", which for a nested element holding only text is the ">" of its own end
    // tag; so "</Id>" of the nested element is never taken for the outer one.
    case S::InAccountId:
      if (c == '<') s.status = S::AccountIdAfterLt;
      break;
    case S::AccountIdAfterLt:
      if (c == '/') {
        name.clear();
        s.status = S::InAccountIdEndTag;
      } else {
        s.status = c == 'I' ? S::AccountIdAfterLtI : S::InAccountId;
      }
      break;
    case S::AccountIdAfterLtI: s.status = c == 'd' ? S::AccountIdAfterLtId : S::InAccountId; break;
    case S::AccountIdAfterLtId:
      if (c == '>') {
        name.clear();
        s.status = S::InNestedId;
      } else {
        s.status = S::InAccountId;
      }
      break;
    case S::InNestedId:
      if (c == '>') {
        s.status = S::InAccountId;
      } else {
        name.add(c);
      }
      break;
    case S::InAccountIdEndTag:
      if (c == '>') {
        if (name.is("Id")) return replace(s, p, true);
        s.status = S::InAccountId;
      } else {
        name.add(c);
      }
      break;

    case S::InAgent:
      if (c == '<') {
        name.clear();
        s.status = S::InAgentTag;
      }
      break;
    case S::InAgentTag:
      if (c == '/') {
        name.clear();
        s.status = S::InAgentEndTag;
      } else if (c == '>') {
        if (name.is("FinInstnId")) {
          startholding(s);
          s.status = S::InFinInstnId;
        } else {
          s.status = S::InAgent;
        }
      } else {
        name.add(c);
      }
      break;
    case S::InAgentEndTag:
      if (c == '>') {
        if (name.is(p.side.agent)) {
          if (p.side.dropatagent) s.pending = false;
          s.status = S::Outside;
        } else {
          s.status = S::InAgent;
        }
      } else {
        name.add(c);
      }
      break;
    case S::InFinInstnId:
      if (c == '<') s.status = S::FinInstnIdAfterLt;
      break;
    case S::FinInstnIdAfterLt:
      if (c == '/') {
        name.clear();
        s.status = S::InFinInstnIdEndTag;
      } else {
        s.status = S::InFinInstnId;
      }
      break;
    case S::InFinInstnIdEndTag:
      if (c == '>') {
        if (name.is("FinInstnId")) return replace(s, p, false);
        s.status = S::InFinInstnId;
      } else {
        name.add(c);
      }
      break;
  }
  return ScanResult::Ok;
}

ScanResult rewritetext(RewriteScan& s, const RewritePass& p, const char* text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    ScanResult r = rewritebyte(s, p, text[i]);
    if (r != ScanResult::Ok) return r;
  }
  return ScanResult::Ok;
}

void rewriteend(RewriteScan& s, const RewritePass& p) {
  // Content cut off by the end of the input is written as it was: the output must not end
  // earlier than the input.
  if (holding(s.status) && !s.spilled) p.out.write(s.idbuf, s.idlen);
  p.out.flush();
}
