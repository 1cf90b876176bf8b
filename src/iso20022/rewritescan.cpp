#include "iso20022/rewritescan.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "batch/record.h"

const RewriteSide kCreditorRewrite = {kCreditorHarvest, false, false, true};
const RewriteSide kDebtorRewrite = {kDebtorHarvest, true, true, false};

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

namespace {

// The agent's national form, picked by the tens digit.
constexpr Form kNational = Form::Combined;

// The work of each units digit; kNational stands for the form the tens digit picks.
constexpr RewriteForms kByUnits[10] = {
    /* 0 */ {Form::Unchanged, Form::Unchanged},
    /* 1 */ {Form::Iban, Form::Unchanged},
    /* 2 */ {Form::PrtryAcct, Form::Unchanged},
    /* 3 */ {Form::Unchanged, Form::Bic},
    /* 4 */ {Form::Unchanged, kNational},
    /* 5 */ {Form::Iban, Form::Bic},
    /* 6 */ {Form::PrtryAcct, kNational},
    /* 7 */ {Form::Unchanged, Form::Unchanged},
    /* 8 */ {Form::Unchanged, Form::Unchanged},
    /* 9 */ {Form::Unchanged, Form::Unchanged},
};
constexpr Form kNationalByTens[3] = {Form::Combined, Form::ClrSysMmbId, Form::PrtryId};

}  // namespace

RewriteForms formsfor(int m) {
  const int units = m % 10, tens = m / 10;
  if (tens > 2) return {Form::Unchanged, Form::Unchanged};
  RewriteForms f = kByUnits[units];
  if (f.agent == kNational) f.agent = kNationalByTens[tens];
  return f;
}

void Stretches::note(unsigned events) {
  if ((events & (kRecordPoint | kPairBoundary)) == 0) return;
  if (count_ % 64 == 0) bits_.push_back(0);
  if (events & kRecordPoint) {
    bits_.back() |= std::uint64_t{1} << (count_ % 64);
    ++records_;
  }
  ++count_;
}

namespace {
NoRecords gNoRecords;  // the rewrite follows the harvest's scanner but takes no record
}  // namespace

void SideScan::feed(const char* p, std::size_t n) {
  unsigned ev;
  for (std::size_t i = 0; i < n;) {
    i += harvestuntil(scan, side, p + i, n - i, gNoRecords, ev);
    stretches.note(ev);
  }
}

namespace {

// Feeds n bytes to a copy of a scanner, for a look at what they would do. Returns whether
// they passed a record point or a pair boundary, or began a watched element.
bool tryfeed(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n) {
  unsigned all = 0, ev;
  for (std::size_t i = 0; i < n; all |= ev) i += harvestuntil(s, side, p + i, n - i, gNoRecords, ev);
  return (all & (kRecordPoint | kPairBoundary | kGroupStart)) != 0;
}

// Output of the pass: what goes out is also read by the later pass's scanner, if any.
void emit(const RewritePass& p, const char* data, std::size_t n) {
  if (p.later) p.later->feed(data, n);
  p.out.write(data, n);
}

// The element whose content a watched element's replacement takes the place of.
std::string_view heldlocal(HarvestGroup g) {
  return g == HarvestGroup::Account ? "Id" : "FinInstnId";
}

int slot(HarvestGroup g) {
  return g == HarvestGroup::Account ? 0 : 1;
}

void startholding(RewriteScan& s, HarvestGroup g) {
  s.holding = true;
  s.held = g;
  s.helddepth = s.track.depth;
  s.heldname = s.track.x.name;
  s.idlen = 0;
  s.idbuf[0] = '\0';
  s.spilled = false;
}

void stopholding(RewriteScan& s) {
  s.holding = false;
  s.held = HarvestGroup::None;
}

// The held content goes out as it was.
void keepheld(RewriteScan& s, const RewritePass& p) {
  if (!s.spilled) emit(p, s.idbuf, s.idlen);
}

// A held byte goes into idbuf while it fits. When it does not, what is held is written out
// unchanged and the rest of the element is copied straight through: the content is too long
// to be an identification worth replacing, and no byte of it may be lost.
void hold(RewriteScan& s, const RewritePass& p, char c) {
  if (s.spilled) {
    emit(p, &c, 1);
  } else if (!appendc(s.idbuf, sizeof s.idbuf, s.idlen, c)) {
    emit(p, s.idbuf, s.idlen);
    emit(p, &c, 1);
    s.spilled = true;
  }
}

// Makes the pending line the one of the current stretch: reads it when none is pending, and
// checks that it is a harvested record.
ScanResult take(RewriteScan& s, const RewritePass& p) {
  if (s.pending) return ScanResult::Ok;
  if (p.lines.next(s.buffer, kLineBuf) == 0) return ScanResult::NoLine;
  s.pending = true;
  ++s.taken;
  Record& r = s.rec;
  splitline(s.buffer, r);
  return isharvested(r) ? ScanResult::Ok : ScanResult::NotHarvested;
}

// Whether the line has what the form needs: an IBAN of more than 8 characters, an account
// of more than 3, a BIC of at least 8; for the national forms a country of exactly 2
// characters and a bank code of more than 3.
bool fits(const Record& r, Form form) {
  switch (form) {
    case Form::Unchanged: return false;
    case Form::Iban: return hasiban(r.iban);
    case Form::PrtryAcct: return std::strlen(r.konto) > 3;
    case Form::Bic: return std::strlen(r.bic) >= 8;
    case Form::Combined:
    case Form::ClrSysMmbId:
    case Form::PrtryId: return std::strlen(r.land) == 2 && std::strlen(r.blz) > 3;
  }
  return false;
}

const char* valueof(const Record& r, PieceValue v, const char* code) {
  switch (v) {
    case PieceValue::Iban: return r.iban;
    case PieceValue::Konto: return r.konto;
    case PieceValue::Bic: return r.bic;
    case PieceValue::Blz: return r.blz;
    case PieceValue::Land: return r.land;
    case PieceValue::ClearingCode: return code;
    case PieceValue::None: break;
  }
  return "";
}

// The replacement in a spelling, with the held element's prefix on every element, then the
// held element's end tag.
void spell(RewriteScan& s, Spelling sp, const char* code) {
  const std::string_view prefix = s.heldname.prefix();
  std::string& t = s.form;
  t.clear();
  for (; sp->op != PieceOp::End; ++sp) {
    switch (sp->op) {
      case PieceOp::Open: t.append("<").append(prefix).append(sp->text).append(">"); break;
      case PieceOp::Close: t.append("</").append(prefix).append(sp->text).append(">"); break;
      case PieceOp::Value: t.append(valueof(s.rec, sp->value, code)); break;
      case PieceOp::Literal: t.append(sp->text); break;
      case PieceOp::End: break;
    }
  }
  t.append("</").append(s.heldname.qname()).append(">");
}

// Writes the replacement, unless the later pass's scanner would read it otherwise than the
// content it replaces (another record point, a different place to be in afterwards): then
// the content stays, so that the later pass meets the record points the harvest met.
void writechecked(RewriteScan& s, const RewritePass& p) {
  if (!p.later) {
    p.out.write(s.form.data(), s.form.size());
    return;
  }
  const HarvestSide& side = p.later->side;
  HarvestScan asheld = p.later->scan;
  if (tryfeed(asheld, side, s.idbuf, s.idlen)) {
    ++p.notice.inway;
    emit(p, s.idbuf, s.idlen);  // its events are the later pass's to note
    return;
  }
  HarvestScan asform = p.later->scan;
  const bool same =
      !tryfeed(asform, side, s.form.data(), s.form.size()) && samecourse(asform, asheld);
  if (!same) ++p.notice.inway;
  p.later->scan = same ? asform : asheld;
  if (same) {
    p.out.write(s.form.data(), s.form.size());
  } else {
    p.out.write(s.idbuf, s.idlen);
  }
}

// The replacement point's form, or the held content when the mode wants none, the line lacks
// what it needs, or the version or the country has no place for it.
void writeform(RewriteScan& s, const RewritePass& p, HarvestGroup g) {
  const Form form = g == HarvestGroup::Account ? p.forms.account : p.forms.agent;
  if (!fits(s.rec, form)) return keepheld(s, p);
  const Spelling sp = (p.side.debtor ? p.version.debtor : p.version.creditor)[static_cast<int>(form)];
  if (!sp) {
    ++p.notice.noplace;
    return keepheld(s, p);
  }
  const char* code = nullptr;
  if (needsclearingcode(sp) && !(code = clearingcode(s.rec.land))) {
    ++p.notice.nocode;
    return keepheld(s, p);
  }
  spell(s, sp, code);
  writechecked(s, p);
}

// A replacement point: the end tag of the held element. The element is replaced only when its
// stretch ends at a record point, with the line of that record.
ScanResult replace(RewriteScan& s, const RewritePass& p) {
  const HarvestGroup g = s.held;
  stopholding(s);
  const bool recorded = p.stretches.recorded(s.stretch);
  if (recorded) {
    ScanResult r = take(s, p);
    if (r != ScanResult::Ok) return r;
  }
  if (g == HarvestGroup::Account ? p.side.leaveaccount : p.side.leaveagent) s.left[slot(g)] = true;
  // Spilled content has gone out unchanged already.
  if (s.spilled) return ScanResult::Ok;
  if (!recorded) {
    keepheld(s, p);
    return ScanResult::Ok;
  }
  writeform(s, p, g);
  return ScanResult::Ok;
}

// What the harvest's scanner found at a byte: a start tag within a watched element may begin
// held content, an end tag may end it; a record point takes its line; a pair boundary ends a
// stretch.
ScanResult onevents(RewriteScan& s, const RewritePass& p, unsigned ev) {
  if (ev & kGroupStart) s.left[0] = s.left[1] = false;
  if (s.holding && (ev & kEndTag) && s.track.depth < s.helddepth) {
    // The end tag closes the held element, or (in broken markup) something around it: then
    // the content stays as it was.
    if (s.track.depth == s.helddepth - 1 && s.track.x.name.is(heldlocal(s.held))) {
      ScanResult r = replace(s, p);
      if (r != ScanResult::Ok) return r;
    } else {
      keepheld(s, p);
      stopholding(s);
    }
  }
  if ((ev & kStartTag) && !s.holding) {
    const HarvestGroup g = s.track.tagin;
    if ((g == HarvestGroup::Account || g == HarvestGroup::Agent) && !s.left[slot(g)] &&
        s.track.x.name.is(heldlocal(g))) {
      startholding(s, g);
    }
  }
  if (ev & (kRecordPoint | kPairBoundary)) {
    // Only broken markup ends a pair within held content: the content stays as it was.
    if (s.holding) {
      keepheld(s, p);
      stopholding(s);
    }
    ++s.stretch;
    ScanResult r = ScanResult::Ok;
    if (ev & kRecordPoint) r = take(s, p);
    s.pending = false;
    return r;
  }
  return ScanResult::Ok;
}

}  // namespace

void rewritestart(RewriteScan& s, const HarvestScan& start) {
  s.track = start;
  harveststart(s.track);
}

ScanResult rewritebyte(RewriteScan& s, const RewritePass& p, char c) {
  // The byte is copied, or held, and then read by the harvest's scanner, which says where the
  // pass is: in which watched element, where held content ends, where the record points and
  // the pairs' boundaries are.
  if (!s.holding) {
    emit(p, &c, 1);
  } else {
    hold(s, p, c);
  }
  const unsigned ev = harvestbyte(s.track, p.side.track, c, gNoRecords);
  return ev == 0 ? ScanResult::Ok : onevents(s, p, ev);
}

namespace {

// Takes a run that harvestrun gave while holding, as rewritebyte would byte by byte.
void takeheldrun(RewriteScan& s, const RewritePass& p, const char* run, std::size_t k) {
  std::size_t fits = 0;
  if (!s.spilled) {
    fits = std::min(k, sizeof s.idbuf - 1 - s.idlen);
    std::memcpy(s.idbuf + s.idlen, run, fits);
    s.idlen += fits;
    s.idbuf[s.idlen] = '\0';
    if (fits < k) {  // what is held goes out as it was, and the rest straight after it
      emit(p, s.idbuf, s.idlen);
      s.spilled = true;
    }
  }
  if (k > fits) emit(p, run + fits, k - fits);
  harvesttakerun(s.track, run, k);
}

}  // namespace

// Outside held content every byte is copied: the harvest's scanner runs on to its next event,
// and the bytes go out in one write per stretch of copying. Held content is taken run by run.
// Performance-critical: `make bench` (full-*).
ScanResult rewritetext(RewriteScan& s, const RewritePass& p, const char* text, std::size_t n) {
  std::size_t i = 0, copy = 0;  // text[copy, i) copied and not yet written
  auto flush = [&]() {
    if (i > copy) emit(p, text + copy, i - copy);
    copy = i;
  };
  ScanResult r = ScanResult::Ok;
  while (i < n && r == ScanResult::Ok) {
    if (!s.holding) {
      unsigned ev;
      i += harvestuntil(s.track, p.side.track, text + i, n - i, gNoRecords, ev);
      if (ev != 0) {
        flush();
        r = onevents(s, p, ev);
      }
      continue;
    }
    flush();
    if (const std::size_t k = harvestrun(s.track, text + i, n - i)) {
      takeheldrun(s, p, text + i, k);
      i += k;
    } else {
      r = rewritebyte(s, p, text[i++]);
    }
    copy = i;
  }
  flush();
  return r;
}

void rewriteend(RewriteScan& s, const RewritePass& p) {
  // Content cut off by the end of the input is written as it was: the output must not end
  // earlier than the input.
  if (s.holding) keepheld(s, p);
  p.out.flush();
}
