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

ModeCheck checkmode(const char* text) {
  auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  const char* p = text;
  while (blank(*p)) ++p;
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  const bool number = p > digits;
  while (blank(*p)) ++p;
  if (!number || *p != '\0') return ModeCheck::NotNumber;
  return readmode(text).run ? ModeCheck::Ok : ModeCheck::NotPositive;
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

namespace {
NoRecords gNoRecords;  // the rewrite follows the harvest's scanner but takes no record
}  // namespace

namespace {

// What the later pass's scanner would do with n bytes: t becomes that scanner as it would be
// after them, from start. Returns whether they pass a record point or a pair boundary, or
// begin a watched element.
bool tryread(HarvestScan& t, const HarvestSide& side, const HarvestScan& start, const char* p,
             std::size_t n) {
  t = start;
  unsigned all = 0, ev;
  for (std::size_t i = 0; i < n; all |= ev)
    i += harvestuntil(t, side, p + i, n - i, gNoRecords, ev);
  return (all & (kRecordPoint | kPairBoundary | kGroupStart)) != 0;
}

// A later pass's scanner that reads with its own lexer, not following the pass's.
bool ownlexer(const RewritePass& p) {
  return p.later && p.later->ownlexer;
}

// Copied bytes go out; a later pass's scanner with a lexer of its own reads them too.
void emit(const RewritePass& p, const char* data, std::size_t n) {
  p.out.write(data, n);
  if (ownlexer(p)) p.later->read(p.later->scan.x, data, n);
}

// The element whose content a watched element's replacement takes the place of.
std::string_view heldlocal(HarvestGroup g) {
  return g == HarvestGroup::Account ? "Id" : "FinInstnId";
}

int slot(HarvestGroup g) {
  return g == HarvestGroup::Account ? 0 : 1;
}

void startholding(RewriteScan& s, const RewritePass& p, HarvestGroup g) {
  s.heldlex = ownlexer(p) ? p.later->scan.x : s.track.x;
  if (p.later && !p.later->ownlexer) {
    // The later pass's scanner follows the held content as it follows everything; where the
    // content is replaced, it must be set to where the replacement leaves it instead.
    HarvestFollower& later = *p.later;
    later.seen = 0;
    s.lateroutside = later.scan.state == HarvestState::Outside;
    s.laterdepth = later.scan.depth;
    if (!s.lateroutside) {
      s.laterstart = later.scan;
      s.laterstart.x = s.heldlex;
    }
  }
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
  if (s.spilled) return;
  p.out.write(s.idbuf, s.idlen);
  if (ownlexer(p)) p.later->read(s.heldlex, s.idbuf, s.idlen);
}

// Held content that outgrows idbuf goes out as it is.
void spill(RewriteScan& s, const RewritePass& p) {
  keepheld(s, p);
  s.spilled = true;
}

// A held byte goes into idbuf while it fits. When it does not, what is held is written out
// unchanged and the rest of the element is copied straight through: the content is too long
// to be an identification worth replacing, and no byte of it may be lost.
void hold(RewriteScan& s, const RewritePass& p, char c) {
  if (s.spilled) {
    emit(p, &c, 1);
  } else if (!appendc(s.idbuf, sizeof s.idbuf, s.idlen, c)) {
    spill(s, p);
    emit(p, &c, 1);
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

// The replacement in a spelling, with the held element's prefix on every element, then the
// held element's end tag.
void spell(RewriteScan& s, Spelling sp, const char* code) {
  const std::string_view prefix = s.heldname.prefix();
  const Record& r = s.rec;
  const SpellingValues values = {r.iban, r.konto, r.bic, r.blz, r.land, code};
  std::string& t = s.form;
  t.clear();
  s.formmarkup = false;
  for (const char* c = sp; *c != '\0'; ++c) {
    if (*c == '<') {
      t += '<';
      if (c[1] == '/') t += *++c;
      t.append(prefix);
    } else if (*c == '{') {
      const char* end = std::strchr(c, '}');
      const char* v = spellingvalue(values, std::string_view(c + 1, end - c - 1));
      if (std::strchr(v, '<')) s.formmarkup = true;
      t.append(v);
      c = end;
    } else {
      t += *c;
    }
  }
  t.append("</").append(s.heldname.qname()).append(">");
}

// Whether the later pass's scanner reads the replacement the way it read the content it
// replaces: no record point, no pair boundary, no watched element, and on to the same course.
// If so, the scanner is set to where the replacement leaves it.
bool samereading(RewriteScan& s, const RewritePass& p) {
  HarvestFollower& later = *p.later;
  const HarvestSide& side = later.side;
  constexpr unsigned kMoves = kRecordPoint | kPairBoundary | kGroupStart;
  HarvestScan asform;
  if (later.ownlexer) {
    HarvestScan asheld;
    if (tryread(asheld, side, later.scan, s.idbuf, s.idlen)) return false;
    if (tryread(asform, side, later.scan, s.form.data(), s.form.size())) return false;
    if (!samecourse(asform, asheld)) return false;
    later.scan = asform;
    return true;
  }
  // The scanner has followed the content itself.
  if (later.seen & kMoves) return false;
  const bool outside =
      later.scan.state == HarvestState::Outside && later.scan.x.state == XmlState::Text;
  // Outside its elements throughout, the scanner stays there over any replacement whose values
  // hold no markup: it reads only the spelling's tags, none of them a watched one.
  if (s.lateroutside && outside && !s.formmarkup) return true;
  HarvestScan start;
  if (s.lateroutside) {  // it never left, so it was as it is, but for its lexer and depth
    start = later.scan;
    start.x = s.heldlex;
    start.depth = s.laterdepth;
  } else {
    start = s.laterstart;
  }
  if (tryread(asform, side, start, s.form.data(), s.form.size())) return false;
  if (!samecourse(asform, later.scan)) return false;
  later.scan = asform;
  return true;
}

// Writes the replacement, unless the later pass's scanner would read it otherwise than the
// content it replaces (another record point, a different place to be in afterwards): then
// the content stays, so that the later pass meets the record points the harvest met.
void writechecked(RewriteScan& s, const RewritePass& p) {
  if (!p.later || samereading(s, p)) {
    p.out.write(s.form.data(), s.form.size());
    ++p.notice.replaced;
    return;
  }
  ++p.notice.inway;
  keepheld(s, p);
}

// The replacement point's form, or the held content when the mode wants none, the line lacks
// what it needs, or the version or the country has no place for it.
void writeform(RewriteScan& s, const RewritePass& p, HarvestGroup g) {
  const Form form = g == HarvestGroup::Account ? p.forms.account : p.forms.agent;
  if (!fits(s.rec, form)) return keepheld(s, p);
  const Spelling sp =
      (p.side.debtor ? p.version.debtor : p.version.creditor)[static_cast<int>(form)];
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
  s.holding = false;
  s.held = HarvestGroup::None;
  if ((g == HarvestGroup::Account ? p.forms.account : p.forms.agent) != Form::Unchanged) {
    ++p.notice.asked;
  }
  const bool recorded = p.stretches.recorded(s.stretch);
  if (recorded) {
    ScanResult r = take(s, p);
    if (r != ScanResult::Ok) return r;
  }
  if (g == HarvestGroup::Account ? p.side.leaveaccount : p.side.leaveagent) s.left[slot(g)] = true;
  // Spilled content has gone out unchanged already.
  if (!s.spilled) {
    if (recorded) {
      writeform(s, p, g);
    } else {
      keepheld(s, p);
    }
  }
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
      startholding(s, p, g);
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
  s.holding = false;
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
  const unsigned ev = harvestbyte(s.track, p.side.track, c, gNoRecords, p.later);
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
    if (fits < k) spill(s, p);  // what is held goes out as it was, the rest straight after it
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
      // End tags matter only within held content.
      i += harvestuntil(s.track, p.side.track, text + i, n - i, gNoRecords, ev, p.later,
                        kRecordPoint | kPairBoundary | kGroupStart | kStartTag);
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
