#include "iso20022/harvestscan.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

const HarvestSide kCreditorHarvest = {"CdtrAcct", "CdtrAgt", "Cdtr", "CdtTrfTxInf",
                                   HarvestGroup::Account};
const HarvestSide kDebtorHarvest = {"DbtrAcct", "DbtrAgt", "Dbtr", "PmtInf", HarvestGroup::Agent};

namespace {

using S = HarvestState;
using G = HarvestGroup;

// The names a tag state recognises. The three group names and the pair name are the side's.
enum class Name : unsigned char {
  Account,
  Agent,
  Party,
  Pair,
  Iban,
  PrtryAcct,
  Id,
  Bic,
  ClrSysMmbId,
  PrtryId,
  Ctry
};

// The names that are the same on both sides, by Name; the side's own four come from side.
constexpr std::string_view kFixedNames[] = {{}, {}, {}, {}, "IBAN", "PrtryAcct", "Id", "BIC",
                                            "ClrSysMmbId", "PrtryId", "Ctry"};

inline std::string_view nameof(Name n, const HarvestSide& side) {
  switch (n) {
    case Name::Account: return side.account;
    case Name::Agent: return side.agent;
    case Name::Party: return side.party;
    case Name::Pair: return side.pair;
    default: return kFixedNames[static_cast<int>(n)];
  }
}

// True when the end tag of n is the side's record point.
bool isrecordpoint(Name nm, const HarvestSide& side) {
  return (nm == Name::Account && side.recordat == G::Account) ||
         (nm == Name::Agent && side.recordat == G::Agent);
}

// What the end of a captured text does besides terminating it.
enum class TextEnd : unsigned char { Plain, LandFromIban, LandFromBic };

struct Match {
  Name name;
  S to;
};

using FieldPtr = char (HarvestFields::*)[kFieldSize];
using scanrows::Lex;
using scanrows::Trigger;

// A row: its lexical shape, and what the shape leaves to the harvest.
struct Row {
  Lex lex;
  G group;            // the watched element the state lies in
  bool endtag;        // Tag: reads end tags, so its group's name closes the group
  Match match[4];     // Tag: the names ">" compares with, in order
  int matches;        // Tag
  FieldPtr field;     // Text: where the text goes
  std::size_t limit;  // Text: characters kept
  TextEnd textend;    // Text
};

constexpr int n(S s) {
  return static_cast<int>(s);
}

constexpr Row row(const Lex& lex, G g) {
  Row r{};
  r.lex = lex;
  r.group = g;
  return r;
}

constexpr Row between(G g, S next) {
  return row(scanrows::between(n(next)), g);
}

constexpr Row tag(G g, std::initializer_list<Trigger> t, bool endtag,
                  std::initializer_list<Match> m, S otherwise) {
  Row r = row(scanrows::tag(t, n(otherwise)), g);
  r.endtag = endtag;
  for (const Match& x : m) r.match[r.matches++] = x;
  return r;
}

// A start tag within a watched element: "/" anywhere makes it an end tag (read by endtag),
// "!" or "?" first begins markup that is skipped whole, so that a comment's or a CDATA
// section's contents never pass for tags of the element.
constexpr Row starttag(G g, S endtag, std::initializer_list<Match> m, S otherwise) {
  return tag(g, {{'!', true, n(S::AfterBang)}, {'?', true, n(S::InPi)}, {'/', false, n(endtag)}},
             false, m, otherwise);
}

// A captured text; its "<" begins the next tag within the element.
constexpr Row text(G g, FieldPtr field, std::size_t limit, TextEnd end, S next) {
  Row r = row(scanrows::text(n(next)), g);
  r.field = field;
  r.limit = limit;
  r.textend = end;
  return r;
}

constexpr std::size_t kText = kFieldSize - 1;  // an element text keeps what fits its field
constexpr std::size_t kCtry = 2;               // a "Ctry" text keeps its first two characters

// The state table, indexed by state number. Rows 10, 11, 20 and 21 have no state.
// Outside, "!", "?" and "/" anywhere in a tag skip to its first ">", except a "/" that begins
// the tag: that end tag may close the side's pair element.
constexpr Row kTable[32] = {
    /*  0 */ between(G::None, S::InTag),
    /*  1 */
    tag(G::None,
        {{'/', true, n(S::InEndTagOutside)},
         {'!', false, n(S::SkippingTag)},
         {'?', false, n(S::SkippingTag)},
         {'/', false, n(S::SkippingTag)}},
        false,
        {{Name::Account, S::InAccount},
         {Name::Agent, S::InAgent},
         {Name::Party, S::InParty},
         {Name::Pair, S::Outside}},
        S::Outside),
    /*  2 */ between(G::Account, S::InAccountTag),
    /*  3 */
    starttag(G::Account, S::InAccountEndTag,
             {{Name::Iban, S::InIbanText}, {Name::PrtryAcct, S::InPrtryAcct}}, S::InAccount),
    /*  4 */ tag(G::Account, {}, true, {{Name::Account, S::Outside}}, S::InAccount),
    /*  5 */
    text(G::Account, &HarvestFields::iban, kText, TextEnd::LandFromIban, S::InAccountTag),
    /*  6 */ between(G::Account, S::InPrtryAcctTag),
    /*  7 */
    starttag(G::Account, S::InAccountEndTag, {{Name::Id, S::InAccountIdText}}, S::InAccount),
    /*  8 */ text(G::Account, &HarvestFields::konto, kText, TextEnd::Plain, S::InAccountTag),
    /*  9 */ row(scanrows::skip(kTagEnd, n(S::Outside)), G::None),
    /* 10 */ Row{},
    /* 11 */ Row{},
    /* 12 */ between(G::Agent, S::InAgentTag),
    /* 13 */
    starttag(G::Agent, S::InAgentEndTag,
             {{Name::Bic, S::InBicText},
              {Name::ClrSysMmbId, S::InBankId},
              {Name::PrtryId, S::InBankId},
              {Name::Ctry, S::InAgentCtryText}},
             S::InAgent),
    /* 14 */ tag(G::Agent, {}, true, {{Name::Agent, S::Outside}}, S::InAgent),
    /* 15 */ text(G::Agent, &HarvestFields::bic, kText, TextEnd::LandFromBic, S::InAgentTag),
    /* 16 */ between(G::Agent, S::InBankIdTag),
    /* 17 */
    starttag(G::Agent, S::InAgentEndTag, {{Name::Id, S::InBankIdText}}, S::InAgent),
    /* 18 */ text(G::Agent, &HarvestFields::blz, kText, TextEnd::Plain, S::InAgentTag),
    /* 19 */ text(G::Agent, &HarvestFields::land, kCtry, TextEnd::Plain, S::InAgentTag),
    /* 20 */ Row{},
    /* 21 */ Row{},
    /* 22 */ between(G::Party, S::InPartyTag),
    /* 23 */
    starttag(G::Party, S::InPartyEndTag, {{Name::Ctry, S::InPartyCtryText}}, S::InParty),
    /* 24 */ tag(G::Party, {}, true, {{Name::Party, S::Outside}}, S::InParty),
    /* 25 */ text(G::Party, &HarvestFields::land, kCtry, TextEnd::Plain, S::InPartyTag),
    /* 26 */ tag(G::None, {}, true, {{Name::Pair, S::Outside}}, S::Outside),
    /* 27 */ row(scanrows::bang(n(S::InComment), n(S::InCData), n(S::InDecl)), G::None),
    /* 28 */ row(scanrows::skip(kCommentEnd, 0, true), G::None),
    /* 29 */ row(scanrows::skip(kCDataEnd, 0, true), G::None),
    /* 30 */ row(scanrows::skip(kPiEnd, 0, true), G::None),
    /* 31 */ row(scanrows::skip(kTagEnd, 0, true), G::None),
};

// Every transition of the table leads to a state that has a row.
constexpr bool isstate(int to) {
  return to >= 0 && to < 32 && kTable[to].lex.kind != scanrows::Kind::Unused;
}
constexpr bool tableisclosed() {
  for (const Row& r : kTable) {
    if (!scanrows::targetsvalid(r.lex, isstate)) return false;
    for (int i = 0; i < r.matches; ++i)
      if (!isstate(n(r.match[i].to))) return false;
  }
  return true;
}
static_assert(tableisclosed(), "a transition leads to a state without a row");

const Row& rowof(int state) {
  return kTable[state];
}

// Sets land to the two characters of text that start at from, or to those of them that the
// text has: a short IBAN or BIC gives a short (possibly empty) land, never bytes behind it.
void setland(HarvestFields& f, const char* text, std::size_t from) {
  std::size_t len = std::strlen(text);
  std::size_t k = len > from ? len - from : 0;
  if (k > 2) k = 2;
  std::memcpy(f.land, text + from, k);
  f.land[k] = '\0';
}

void emptyfields(HarvestFields& f) {
  f.iban[0] = f.konto[0] = f.bic[0] = f.blz[0] = '\0';
}

void go(HarvestScan& s, S to) {
  s.x.status = n(to);
  const Row& r = rowof(n(to));
  if (r.lex.kind == scanrows::Kind::Text) {  // a captured text starts empty
    s.pos = 0;
    (s.f.*r.field)[0] = '\0';
  }
}

// name == lit, compared inline: names are short, and most differ in their length.
inline bool samename(std::string_view name, std::string_view lit) {
  if (name.size() != lit.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (name[i] != lit[i]) return false;
  return true;
}

unsigned closetag(HarvestScan& s, const HarvestSide& side, const Row& r, HarvestSink& sink) {
  // Start tags count as events only within a watched element, where the rewrite holds content.
  unsigned ev = r.endtag || r.group == G::None ? 0u : kStartTag;
  s.closedin = r.group;
  const std::string_view name = s.x.name.name();
  for (int i = 0; i < r.matches && !name.empty(); ++i) {
    const Match& m = r.match[i];
    if (!samename(name, nameof(m.name, side))) continue;
    if (r.endtag && isrecordpoint(m.name, side)) {
      sink.record(s.f);
      emptyfields(s.f);
      ev |= kRecordPoint;
    } else if (m.name == Name::Pair) {
      // A pair's values stay in it: what a pair gathered without reaching its record point
      // (a cheque's agent, say) must not go into the next pair's record. land is carried on.
      emptyfields(s.f);
      ev |= kPairBoundary;
    }
    if (r.group == G::None && rowof(n(m.to)).group != G::None) ev |= kGroupStart;
    go(s, m.to);
    return ev;
  }
  go(s, static_cast<S>(r.lex.otherwise));
  return ev;
}

// A captured text is the element's text without the white space around it, and a line break
// inside becomes a blank: a data-file line must stay one line.
void storetext(HarvestScan& s, const Row& r, char c) {
  if (isxmlspace(c)) {
    if (s.pos == 0) return;
    if (c == '\r' || c == '\n') c = ' ';
  }
  appendc(s.f.*r.field, r.limit + 1, s.pos, c);
}

void endtext(HarvestScan& s, const Row& r) {
  char* field = s.f.*r.field;
  while (s.pos > 0 && isxmlspace(field[s.pos - 1])) field[--s.pos] = '\0';
  switch (r.textend) {
    case TextEnd::Plain: break;
    case TextEnd::LandFromIban: setland(s.f, s.f.iban, 0); break;
    case TextEnd::LandFromBic: setland(s.f, s.f.bic, 4); break;
  }
}

// One byte through the table: the row of the current state says what the byte does.
inline unsigned step(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink) {
  const Row& r = rowof(s.x.status);
  switch (scanrows::lexbyte(s.x, r.lex, c)) {
    case scanrows::Step::Done: return 0;
    case scanrows::Step::Close: return closetag(s, side, r, sink);
    case scanrows::Step::Text: storetext(s, r, c); return 0;
    case scanrows::Step::TextEnd: endtext(s, r); return 0;
  }
  return 0;
}

}  // namespace

HarvestGroup groupof(HarvestState s) {
  return rowof(n(s)).group;
}

void harveststart(HarvestScan& s) {
  emptyfields(s.f);
  s.f.land[0] = '\0';
  s.pos = 0;
}

unsigned harvestbyte(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink) {
  return step(s, side, c, sink);
}

namespace {

// The run the current state lets pass whole, and its taking: inline, as they run between any
// two bytes a table reacts to.
inline std::size_t runfrom(const HarvestScan& s, const Row& r, const char* p, std::size_t n) {
  return scanrows::runof(s.x, r.lex, p, n);
}

inline void takefrom(HarvestScan& s, const Row& r, const char* p, std::size_t k) {
  scanrows::lexrun(s.x, r.lex, p, k);
  if (r.lex.kind != scanrows::Kind::Text) return;
  // A text's bytes one by one, until its field is full: what follows changes nothing.
  for (std::size_t i = 0; i < k && s.pos < r.limit; ++i) storetext(s, r, p[i]);
}

}  // namespace

std::size_t harvestrun(const HarvestScan& s, const char* p, std::size_t n) {
  return runfrom(s, rowof(s.x.status), p, n);
}

void harvesttakerun(HarvestScan& s, const char* p, std::size_t k) {
  takefrom(s, rowof(s.x.status), p, k);
}

// Performance-critical: `make bench` (harvest-*, full-*).
std::size_t harvestuntil(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                         HarvestSink& sink, unsigned& events) {
  std::size_t i = 0;
  events = 0;
  while (i < n) {
    const Row& r = rowof(s.x.status);
    const std::size_t k = runfrom(s, r, p + i, n - i);
    if (k > 0) {
      takefrom(s, r, p + i, k);
      i += k;
      if (i == n) break;
    }
    events = step(s, side, p[i++], sink);
    if (events != 0) break;
  }
  return i;
}

void harvesttext(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                 HarvestSink& sink) {
  unsigned events;
  for (std::size_t i = 0; i < n;) i += harvestuntil(s, side, p + i, n - i, sink, events);
}
