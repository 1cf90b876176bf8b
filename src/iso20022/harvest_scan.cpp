#include "iso20022/harvest_scan.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

const HarvestSide kCreditorSide = {"CdtrAcct", "CdtrAgt", "Cdtr", HarvestGroup::Account};
const HarvestSide kDebtorSide = {"DbtrAcct", "DbtrAgt", "Dbtr", HarvestGroup::Agent};

namespace {

using S = HarvestState;

// The names a tag state recognises. The three group names are the side's.
enum class Name : unsigned char {
  Account,
  Agent,
  Party,
  Iban,
  PrtryAcct,
  Id,
  Bic,
  ClrSysMmbId,
  PrtryId,
  Ctry
};

std::string_view nameof(Name n, const HarvestSide& side) {
  switch (n) {
    case Name::Account: return side.account;
    case Name::Agent: return side.agent;
    case Name::Party: return side.party;
    case Name::Iban: return "IBAN";
    case Name::PrtryAcct: return "PrtryAcct";
    case Name::Id: return "Id";
    case Name::Bic: return "BIC";
    case Name::ClrSysMmbId: return "ClrSysMmbId";
    case Name::PrtryId: return "PrtryId";
    case Name::Ctry: return "Ctry";
  }
  return {};
}

// True when the end tag of n is the side's record point.
bool isrecordpoint(Name n, const HarvestSide& side) {
  return (n == Name::Account && side.recordat == HarvestGroup::Account) ||
         (n == Name::Agent && side.recordat == HarvestGroup::Agent);
}

// The four shapes a state has:
//   Between  waits for "<", starts a new name and goes to next;
//   Tag      gathers a name; one of endchars starts a new name and goes to next, ">" compares
//            the name with the matches in order and otherwise goes to otherwise;
//   Text     captures an element text into field until "<", then goes to next;
//   Skip     waits for ">" and goes to next.
enum class Kind : unsigned char { Unused, Between, Tag, Text, Skip };

// What the end of a captured text does besides terminating it.
enum class TextEnd : unsigned char { Plain, LandFromIban, LandFromBic };

struct Match {
  Name name;
  S to;
};

using FieldPtr = char (HarvestFields::*)[kFieldSize];

struct Row {
  Kind kind;
  S next;
  const char* endchars;  // Tag
  S otherwise;           // Tag
  bool endtag;           // Tag: reads end tags, so its group's name closes the group
  Match match[4];        // Tag
  int matches;           // Tag
  FieldPtr field;        // Text
  std::size_t limit;     // Text: characters kept
  TextEnd textend;       // Text
};

constexpr Row between(S next) {
  Row r{};
  r.kind = Kind::Between;
  r.next = next;
  return r;
}

constexpr Row tag(const char* endchars, S next, bool endtag, std::initializer_list<Match> m,
                  S otherwise) {
  Row r{};
  r.kind = Kind::Tag;
  r.endchars = endchars;
  r.next = next;
  r.endtag = endtag;
  for (const Match& x : m) r.match[r.matches++] = x;
  r.otherwise = otherwise;
  return r;
}

constexpr Row text(FieldPtr field, std::size_t limit, TextEnd end, S next) {
  Row r{};
  r.kind = Kind::Text;
  r.field = field;
  r.limit = limit;
  r.textend = end;
  r.next = next;
  return r;
}

constexpr Row skip(S next) {
  Row r{};
  r.kind = Kind::Skip;
  r.next = next;
  return r;
}

constexpr std::size_t kText = kFieldSize - 1;  // an element text keeps what fits its field
constexpr std::size_t kCtry = 2;               // a "Ctry" text keeps its first two characters

// The state table, indexed by state number. Rows 10, 11, 20 and 21 have no state.
// In InTag the end characters lead to SkippingTag; the new name they start there is unused.
constexpr Row kTable[26] = {
    /*  0 */ between(S::InTag),
    /*  1 */
    tag("!?/", S::SkippingTag, false,
        {{Name::Account, S::InAccount}, {Name::Agent, S::InAgent}, {Name::Party, S::InParty}},
        S::Outside),
    /*  2 */ between(S::InAccountTag),
    /*  3 */
    tag("/", S::InAccountEndTag, false,
        {{Name::Iban, S::InIbanText}, {Name::PrtryAcct, S::InPrtryAcct}}, S::InAccount),
    /*  4 */ tag("", S::InAccountEndTag, true, {{Name::Account, S::Outside}}, S::InAccount),
    /*  5 */ text(&HarvestFields::iban, kText, TextEnd::LandFromIban, S::InAccount),
    /*  6 */ between(S::InPrtryAcctTag),
    /*  7 */ tag("/", S::InAccountEndTag, false, {{Name::Id, S::InAccountIdText}}, S::InAccount),
    /*  8 */ text(&HarvestFields::konto, kText, TextEnd::Plain, S::InAccount),
    /*  9 */ skip(S::Outside),
    /* 10 */ Row{},
    /* 11 */ Row{},
    /* 12 */ between(S::InAgentTag),
    /* 13 */
    tag("/", S::InAgentEndTag, false,
        {{Name::Bic, S::InBicText},
         {Name::ClrSysMmbId, S::InBankId},
         {Name::PrtryId, S::InBankId},
         {Name::Ctry, S::InAgentCtryText}},
        S::InAgent),
    /* 14 */ tag("", S::InAgentEndTag, true, {{Name::Agent, S::Outside}}, S::InAgent),
    /* 15 */ text(&HarvestFields::bic, kText, TextEnd::LandFromBic, S::InAgent),
    /* 16 */ between(S::InBankIdTag),
    /* 17 */ tag("/", S::InAgentEndTag, false, {{Name::Id, S::InBankIdText}}, S::InAgent),
    /* 18 */ text(&HarvestFields::blz, kText, TextEnd::Plain, S::InAgent),
    /* 19 */ text(&HarvestFields::land, kCtry, TextEnd::Plain, S::InAgent),
    /* 20 */ Row{},
    /* 21 */ Row{},
    /* 22 */ between(S::InPartyTag),
    /* 23 */ tag("/", S::InPartyEndTag, false, {{Name::Ctry, S::InPartyCtryText}}, S::InParty),
    /* 24 */ tag("", S::InPartyEndTag, true, {{Name::Party, S::Outside}}, S::InParty),
    /* 25 */ text(&HarvestFields::land, kCtry, TextEnd::Plain, S::InParty),
};

// Every transition of the table leads to a state that has a row.
constexpr bool isstate(S to) {
  return kTable[static_cast<int>(to)].kind != Kind::Unused;
}
constexpr bool tableisclosed() {
  for (const Row& r : kTable) {
    if (r.kind == Kind::Unused) continue;
    if (!isstate(r.next) || !isstate(r.otherwise)) return false;
    for (int i = 0; i < r.matches; ++i)
      if (!isstate(r.match[i].to)) return false;
  }
  return true;
}
static_assert(tableisclosed(), "a transition leads to a state without a row");

const Row& rowof(S state) {
  return kTable[static_cast<int>(state)];
}

// Sets land to the two characters of text that start at from, or to those of them that the
// text has: a short IBAN or BIC gives a short (possibly empty) land, never bytes behind it.
void setland(HarvestFields& f, const char* text, std::size_t from) {
  std::size_t len = std::strlen(text);
  std::size_t n = len > from ? len - from : 0;
  if (n > 2) n = 2;
  std::memcpy(f.land, text + from, n);
  f.land[n] = '\0';
}

void go(HarvestScan& s, S to) {
  s.status = to;
  const Row& r = rowof(to);
  if (r.kind == Kind::Text) {  // a captured text starts empty
    s.pos = 0;
    (s.f.*r.field)[0] = '\0';
  }
}

void closetag(HarvestScan& s, const HarvestSide& side, const Row& r, HarvestSink& sink) {
  for (int i = 0; i < r.matches; ++i) {
    const Match& m = r.match[i];
    if (!s.name.is(nameof(m.name, side))) continue;
    if (r.endtag && isrecordpoint(m.name, side)) {
      sink.record(s.f);
      s.f.iban[0] = s.f.konto[0] = s.f.bic[0] = s.f.blz[0] = '\0';
    }
    go(s, m.to);
    return;
  }
  go(s, r.otherwise);
}

void endtext(HarvestScan& s, const Row& r) {
  switch (r.textend) {
    case TextEnd::Plain: break;
    case TextEnd::LandFromIban: setland(s.f, s.f.iban, 0); break;
    case TextEnd::LandFromBic: setland(s.f, s.f.bic, 4); break;
  }
}

bool isendchar(const Row& r, char c) {
  for (const char* e = r.endchars; *e; ++e)
    if (*e == c) return true;
  return false;
}

// One byte through the table: the row of the current state says what the byte does.
inline void step(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink) {
  const Row& r = rowof(s.status);
  switch (r.kind) {
    case Kind::Between:
      if (c == '<') {
        s.name.clear();
        go(s, r.next);
      }
      return;
    case Kind::Tag:
      if (isendchar(r, c)) {
        s.name.clear();
        go(s, r.next);
      } else if (c == '>') {
        closetag(s, side, r, sink);
      } else {
        s.name.add(c);
      }
      return;
    case Kind::Text:
      if (c == '<') {
        endtext(s, r);
        go(s, r.next);
      } else {
        appendc(s.f.*r.field, r.limit + 1, s.pos, c);
      }
      return;
    case Kind::Skip:
      if (c == '>') go(s, r.next);
      return;
    case Kind::Unused: return;
  }
}

}  // namespace

void startpass(HarvestScan& s) {
  s.f.iban[0] = s.f.konto[0] = s.f.bic[0] = s.f.blz[0] = s.f.land[0] = '\0';
  s.pos = 0;
}

void scanbyte(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink) {
  step(s, side, c, sink);
}

void scanbytes(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
               HarvestSink& sink) {
  for (std::size_t i = 0; i < n; ++i) step(s, side, p[i], sink);
}
