#include "iso20022/rewritescan.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string_view>
#include <utility>

#include "batch/record.h"

const RewriteSide kCreditorRewrite = {kCreditorHarvest, false, true, &kDebtorHarvest};
const RewriteSide kDebtorRewrite = {kDebtorHarvest, true, false, nullptr};

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

PairAhead::PairAhead(const HarvestSide& side, ByteSource& src, const HarvestScan& start)
    : side_(side), src_(src), scan_(start) {
  harveststart(scan_);
}

bool PairAhead::recorded(std::uint64_t n, const HarvestScan& here, std::uint64_t offset) {
  assert(n + 1 >= passed_ && "a stretch already passed");
  if (offset_ < offset) {
    // The asker's scanner at offset is what this one would be there. Its byte is mostly in
    // the block read already, which is then taken up from there; otherwise the reading starts
    // again at offset.
    bool restart = false;
    if (offset - offset_ <= end_ - pos_) {
      pos_ += static_cast<std::size_t>(offset - offset_);
      restart = true;
    } else if (src_.seek(offset)) {
      pos_ = end_ = 0;
      restart = true;
    }
    if (restart) {
      scan_ = here;
      passed_ = n;
      offset_ = offset;
    }
  }
  while (passed_ <= n) {
    if (pos_ == end_) {
      end_ = src_.read(buf_, sizeof buf_);
      pos_ = 0;
      if (end_ == 0) return false;  // the input ends within the stretch
    }
    unsigned ev;
    const std::size_t k = harvestuntil(scan_, side_, buf_ + pos_, end_ - pos_, none_, ev);
    pos_ += k;
    offset_ += k;
    if (ev & (kRecordPoint | kPairBoundary)) {
      ++passed_;
      last_ = (ev & kRecordPoint) != 0;
    }
  }
  return last_;
}

namespace {

using H = HoldState;
namespace sr = scanrows;

NoRecords gNoRecords;  // the rewrite follows the harvest's scanner but takes no record

constexpr int n(H s) {
  return static_cast<int>(s);
}

// What ">" of a Tag row closes.
enum class Closes : unsigned char { Nothing, StartTag, EndTag };

struct HoldRow {
  sr::Lex lex;
  Closes closes;
};

// The holding table, indexed by state. Held content is followed element by element, so that
// its end is the end tag that closes the element it began in, however deep the same name is
// nested inside, whatever ">" stands in attribute values, comments or CDATA sections.
constexpr HoldRow kHold[12] = {
    /* Copy      */ {sr::idle(), Closes::Nothing},
    /* Content   */ {sr::between(n(H::InTag)), Closes::Nothing},
    /* InTag     */
    {sr::tag({{'/', true, n(H::InEndTag)},
              {'!', true, n(H::AfterBang)},
              {'?', true, n(H::InPi)},
              {'"', false, n(H::InDquote)},
              {'\'', false, n(H::InSquote)}},
             n(H::Content)),
     Closes::StartTag},
    /* InAttrs   */
    {sr::tag({{'"', false, n(H::InDquote)}, {'\'', false, n(H::InSquote)}}, n(H::Content)),
     Closes::StartTag},
    /* InDquote  */ {sr::quoted("\"", n(H::InAttrs)), Closes::Nothing},
    /* InSquote  */ {sr::quoted("'", n(H::InAttrs)), Closes::Nothing},
    /* InEndTag  */ {sr::tag({}, n(H::Content)), Closes::EndTag},
    /* AfterBang */ {sr::bang(n(H::InComment), n(H::InCData), n(H::InDecl)), Closes::Nothing},
    /* InComment */ {sr::skip(kCommentEnd, n(H::Content)), Closes::Nothing},
    /* InCData   */ {sr::skip(kCDataEnd, n(H::Content)), Closes::Nothing},
    /* InPi      */ {sr::skip(kPiEnd, n(H::Content)), Closes::Nothing},
    /* InDecl    */ {sr::skip(kTagEnd, n(H::Content)), Closes::Nothing},
};

constexpr bool isholdstate(int to) {
  return to >= 0 && to < 12;
}
constexpr bool holdtableisclosed() {
  for (const HoldRow& r : kHold)
    if (!sr::targetsvalid(r.lex, isholdstate)) return false;
  return true;
}
static_assert(holdtableisclosed(), "a transition leads to a state without a row");

// The element whose content a watched element's replacement takes the place of.
std::string_view heldname(HarvestGroup g) {
  return g == HarvestGroup::Account ? "Id" : "FinInstnId";
}

int slot(HarvestGroup g) {
  return g == HarvestGroup::Account ? 0 : 1;
}

bool holding(const RewriteScan& s) {
  return s.hold.status != n(H::Copy);
}

void startholding(RewriteScan& s, HarvestGroup g) {
  s.hold.status = n(H::Content);
  s.held = g;
  s.depth = 0;
  s.idlen = 0;
  s.idbuf[0] = '\0';
  s.spilled = false;
  s.prev = 0;
}

void stopholding(RewriteScan& s) {
  s.hold.status = n(H::Copy);
  s.held = HarvestGroup::None;
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

// Makes the pending line the one of the current stretch: reads it when none is pending, and
// checks that it is a harvested record.
ScanResult take(RewriteScan& s, const RewritePass& p) {
  if (s.pending) return ScanResult::Ok;
  if (p.lines.next(s.buffer, kLineBuf) == 0) return ScanResult::NoLine;
  s.pending = true;
  Record& r = s.rec;
  splitline(s.buffer, r);
  return isharvested(r) ? ScanResult::Ok : ScanResult::NotHarvested;
}

// The parts of a form: a fixed text, then a field of the line (or none).
enum class Field : unsigned char { None, Land, Blz, Konto, Iban, Bic };
// What a form needs of the line to be written.
enum class Needs : unsigned char { Nothing, IbanOver8, KontoOver3, BicOf8, National };

struct Piece {
  const char* text;
  Field field;
};
struct FormText {
  Needs needs;
  Piece piece[4];
};

// The forms, indexed by Form; each ends with the held element's end tag.
constexpr FormText kForms[7] = {
    /* Unchanged   */ {Needs::Nothing, {}},
    /* Iban        */ {Needs::IbanOver8, {{"<IBAN>", Field::Iban}, {"</IBAN></Id>", Field::None}}},
    /* PrtryAcct   */
    {Needs::KontoOver3,
     {{"<PrtryAcct><Id>", Field::Konto}, {"</Id></PrtryAcct></Id>", Field::None}}},
    /* Bic         */
    {Needs::BicOf8, {{"<BIC>", Field::Bic}, {"</BIC></FinInstnId>", Field::None}}},
    /* Combined    */
    {Needs::National,
     {{"<CmbndId><ClrSysMmbId><Id>", Field::Blz},
      {"</Id></ClrSysMmbId><PstlAdr><Ctry>", Field::Land},
      {"</Ctry></PstlAdr><PrtryId><Id>", Field::Blz},
      {"</Id></PrtryId></CmbndId></FinInstnId>", Field::None}}},
    /* ClrSysMmbId */
    {Needs::National,
     {{"<ClrSysMmbId><Id>", Field::Blz}, {"</Id></ClrSysMmbId></FinInstnId>", Field::None}}},
    /* PrtryId     */
    {Needs::National,
     {{"<PrtryId><Id>", Field::Blz}, {"</Id></PrtryId></FinInstnId>", Field::None}}},
};

const char* fieldof(const Record& r, Field f) {
  switch (f) {
    case Field::Land: return r.land;
    case Field::Blz: return r.blz;
    case Field::Konto: return r.konto;
    case Field::Iban: return r.iban;
    case Field::Bic: return r.bic;
    case Field::None: break;
  }
  return "";
}

// Whether the line has what the form needs: an IBAN of more than 8 characters, an account
// of more than 3, a BIC of at least 8; for the national forms a country of exactly 2
// characters and a bank code of more than 3.
bool fits(const Record& r, Needs needs) {
  switch (needs) {
    case Needs::Nothing: return false;
    case Needs::IbanOver8: return hasiban(r.iban);
    case Needs::KontoOver3: return std::strlen(r.konto) > 3;
    case Needs::BicOf8: return std::strlen(r.bic) >= 8;
    case Needs::National: return std::strlen(r.land) == 2 && std::strlen(r.blz) > 3;
  }
  return false;
}

// True when text holds a tag (start or end) named like one of the elements side watches.
// Comments, CDATA sections and processing instructions hold no tags.
bool nameswatched(std::string_view text, const HarvestSide& side) {
  const std::string_view names[] = {side.account, side.agent, side.party, side.pair};
  for (std::size_t at = text.find('<'); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    const std::string_view rest = text.substr(at);
    for (const auto& [from, to] : {std::pair<std::string_view, std::string_view>{"<!--", kCommentEnd},
                                   {"<![CDATA[", kCDataEnd},
                                   {"<?", kPiEnd}}) {
      if (rest.substr(0, from.size()) == from) {
        at = text.find(to, at + from.size());
        if (at == std::string_view::npos) return false;
        break;
      }
    }
    if (text[at] != '<') continue;
    std::size_t b = at + 1;
    if (b < text.size() && text[b] == '/') ++b;
    std::size_t e = b;
    while (e < text.size() && text[e] != '>' && text[e] != '/' && !isxmlspace(text[e])) ++e;
    for (std::string_view name : names)
      if (text.substr(b, e - b) == name) return true;
  }
  return false;
}

// Writes the form, or the held content when the form is not wanted, the line lacks what it
// needs, or the later pass would meet other record points afterwards.
void writeform(const RewriteScan& s, const RewritePass& p, Form form) {
  const FormText& f = kForms[static_cast<int>(form)];
  const std::string_view held(s.idbuf, s.idlen);
  bool write = fits(s.rec, f.needs);
  if (write && p.side.later) {
    write = !nameswatched(held, *p.side.later);
    for (const Piece& piece : f.piece)
      if (nameswatched(fieldof(s.rec, piece.field), *p.side.later)) write = false;
  }
  if (!write) {
    p.out.write(s.idbuf, s.idlen);
    return;
  }
  for (const Piece& piece : f.piece) {
    if (!piece.text) break;
    p.out.write(piece.text);
    p.out.write(fieldof(s.rec, piece.field));
  }
}

// A replacement point: the end tag of the held element. The element is replaced only when its
// stretch ends at a record point, with the line of that record.
ScanResult replace(RewriteScan& s, const RewritePass& p) {
  const HarvestGroup g = s.held;
  stopholding(s);
  const bool recorded = p.ahead.recorded(s.stretch, s.track, s.offset);
  if (recorded) {
    ScanResult r = take(s, p);
    if (r != ScanResult::Ok) return r;
  }
  if (g == HarvestGroup::Account ? p.side.leaveaccount : p.side.leaveagent) s.left[slot(g)] = true;
  // Spilled content has gone out unchanged already.
  if (s.spilled) return ScanResult::Ok;
  if (!recorded) {
    p.out.write(s.idbuf, s.idlen);
    return ScanResult::Ok;
  }
  writeform(s, p, g == HarvestGroup::Account ? p.forms.account : p.forms.agent);
  return ScanResult::Ok;
}

// The byte c of held content: kept, then followed through the holding table.
ScanResult holdbyte(RewriteScan& s, const RewritePass& p, char c) {
  hold(s, p, c);
  const HoldRow& r = kHold[s.hold.status];
  const char before = s.prev;
  s.prev = c;
  if (sr::lexbyte(s.hold, r.lex, c) != sr::Step::Close) return ScanResult::Ok;
  s.hold.status = n(H::Content);
  if (r.closes == Closes::StartTag) {
    if (before != '/') ++s.depth;  // "<x/>" opens nothing
  } else if (s.depth > 0) {
    --s.depth;
  } else if (s.hold.name.is(heldname(s.held))) {
    return replace(s, p);
  }
  return ScanResult::Ok;
}

// A start tag closed within a watched element, as the harvest's scanner read it.
void starttag(RewriteScan& s, HarvestGroup g) {
  if (g != HarvestGroup::Account && g != HarvestGroup::Agent) return;
  if (s.left[slot(g)] || !s.track.x.name.is(heldname(g))) return;
  startholding(s, g);
}

}  // namespace

void rewritestart(RewriteScan& s, const HarvestScan& start) {
  s.track = start;
  harveststart(s.track);
}

namespace {

// What the harvest's scanner found at a byte: a start tag within a watched element may begin
// held content; a record point takes its line; a pair boundary ends a stretch.
ScanResult onevents(RewriteScan& s, const RewritePass& p, unsigned ev) {
  if (ev & kGroupStart) s.left[0] = s.left[1] = false;
  if ((ev & kStartTag) && !holding(s)) starttag(s, s.track.closedin);
  if (ev & (kRecordPoint | kPairBoundary)) {
    // Only markup the holding table reads differently can end a pair within held content:
    // the content stays as it was.
    if (holding(s)) {
      if (!s.spilled) p.out.write(s.idbuf, s.idlen);
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

ScanResult rewritebyte(RewriteScan& s, const RewritePass& p, char c) {
  // The holding table disposes of the byte: it is copied, or held, which may end the held
  // content at its replacement point.
  if (!holding(s)) {
    p.out.put(c);
  } else {
    ScanResult r = holdbyte(s, p, c);
    if (r != ScanResult::Ok) return r;
  }
  // The harvest's scanner says where the pass is: in which watched element, and where the
  // record points and the pairs' boundaries are.
  const unsigned ev = harvestbyte(s.track, p.side.track, c, gNoRecords);
  ++s.offset;
  return ev == 0 ? ScanResult::Ok : onevents(s, p, ev);
}

namespace {

// The run of the n bytes at p that both tables let pass whole where the scanner is: the
// holding table's (copied, or held) and the harvest scanner's (a name or a text growing).
std::size_t runof(const RewriteScan& s, const char* p, std::size_t n) {
  const std::size_t k = sr::runof(s.hold, kHold[s.hold.status].lex, p, n);
  return k == 0 ? 0 : harvestrun(s.track, p, k);
}

// Takes a run that runof gave, as rewritebyte would byte by byte: copied or held, and
// followed by both tables.
void takerun(RewriteScan& s, const RewritePass& p, const char* run, std::size_t k) {
  if (!holding(s)) {
    p.out.write(run, k);
  } else {
    sr::lexrun(s.hold, kHold[s.hold.status].lex, run, k);
    s.prev = run[k - 1];
    std::size_t fits = 0;
    if (!s.spilled) {
      fits = std::min(k, sizeof s.idbuf - 1 - s.idlen);
      std::memcpy(s.idbuf + s.idlen, run, fits);
      s.idlen += fits;
      s.idbuf[s.idlen] = '\0';
      if (fits < k) {  // what is held goes out as it was, and the rest straight after it
        p.out.write(s.idbuf, s.idlen);
        s.spilled = true;
      }
    }
    p.out.write(run + fits, k - fits);
  }
  harvesttakerun(s.track, run, k);
  s.offset += k;
}

}  // namespace

// Outside held content every byte is copied and only the harvest's scanner reads it: it runs
// on to its next event, and the bytes go out in one write per stretch of copying. Held content
// goes through both tables, run by run. Performance-critical: `make bench` (full-*).
ScanResult rewritetext(RewriteScan& s, const RewritePass& p, const char* text, std::size_t n) {
  std::size_t i = 0, copy = 0;  // text[copy, i) copied and not yet written
  auto flush = [&]() {
    if (i > copy) p.out.write(text + copy, i - copy);
    copy = i;
  };
  ScanResult r = ScanResult::Ok;
  while (i < n && r == ScanResult::Ok) {
    if (!holding(s)) {
      unsigned ev;
      const std::size_t k = harvestuntil(s.track, p.side.track, text + i, n - i, gNoRecords, ev);
      i += k;
      s.offset += k;
      if (ev != 0) r = onevents(s, p, ev);
      continue;
    }
    flush();
    if (const std::size_t k = runof(s, text + i, n - i)) {
      takerun(s, p, text + i, k);
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
  if (holding(s) && !s.spilled) p.out.write(s.idbuf, s.idlen);
  p.out.flush();
}
