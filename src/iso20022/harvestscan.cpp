#include "iso20022/harvestscan.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {

using S = HarvestState;
using G = HarvestGroup;

// The names the machine recognises. The three group names and the pair name are the side's.
enum class Name : unsigned char {
  Account,
  Agent,
  Party,
  Pair,
  Iban,
  PrtryAcct,
  Othr,
  Id,
  Bic,
  BicFi,
  ClrSysMmbId,
  PrtryId,
  MmbId,
  Ctry
};

static_assert(static_cast<int>(Name::Ctry) + 1 == kHarvestNames, "a name without its text");

// A side's names: its own four, then those that are the same on both sides, by Name.
constexpr HarvestSide side(std::string_view account, std::string_view agent, std::string_view party,
                           std::string_view pair, G recordat) {
  return {{account, agent, party, pair, "IBAN", "PrtryAcct", "Othr", "Id", "BIC", "BICFI",
           "ClrSysMmbId", "PrtryId", "MmbId", "Ctry"},
          recordat};
}

inline std::string_view nameof(Name n, const HarvestSide& side) {
  return side.names[static_cast<int>(n)];
}

std::string_view groupname(G g, const HarvestSide& side) {
  switch (g) {
    case G::Account: return nameof(Name::Account, side);
    case G::Agent: return nameof(Name::Agent, side);
    case G::Party: return nameof(Name::Party, side);
    case G::None: break;
  }
  return {};
}

// What the end of a captured text does besides terminating it.
enum class TextEnd : unsigned char { Plain, LandFromIban, LandFromBic };

struct Match {
  Name name;
  S to;
};

using FieldPtr = char (HarvestFields::*)[kFieldSize];

// A row: where the tags read in a state lead. A group's own end tag closes the group from any
// of its states and is not listed. A text state captures its element's text into field and
// returns to parent at the next tag, which parent then reads.
struct Row {
  G group;
  Match start[6];  // start tag names, compared in this order
  int starts;
  S otherstart;  // where any other start tag, and any empty-element tag, leads
  Match end[3];  // end tag names
  int ends;
  S otherend;      // where any other end tag leads
  FieldPtr field;  // text states only
  std::size_t limit;
  TextEnd textend;
  S parent;
};

constexpr Row element(G g, std::initializer_list<Match> start, S otherstart,
                      std::initializer_list<Match> end, S otherend) {
  Row r{};
  r.group = g;
  for (const Match& m : start) r.start[r.starts++] = m;
  r.otherstart = otherstart;
  for (const Match& m : end) r.end[r.ends++] = m;
  r.otherend = otherend;
  return r;
}

constexpr Row text(S parent, G g, FieldPtr field, std::size_t limit, TextEnd end) {
  Row r{};
  r.group = g;
  r.field = field;
  r.limit = limit;
  r.textend = end;
  r.parent = parent;
  return r;
}

constexpr std::size_t kText = kFieldSize - 1;  // an element text keeps what fits its field
constexpr std::size_t kCtry = 2;               // a "Ctry" text keeps its first two characters

// The machine, indexed by HarvestState. Names are found at any depth within their group: an
// "IBAN" inside the account's "Id", a "BICFI" inside "FinInstnId". An account number is the
// first "Id" in a "PrtryAcct" (2006) or "Othr" (from 2009); a bank code the "Id" (2006) or
// "MmbId" (from 2009) anywhere in a "ClrSysMmbId", or the "Id" of a "PrtryId" or "Othr".
constexpr Row kMachine[] = {
    /* Outside */
    element(G::None,
            {{Name::Account, S::InAccount},
             {Name::Agent, S::InAgent},
             {Name::Party, S::InParty},
             {Name::Pair, S::Outside}},
            S::Outside, {{Name::Pair, S::Outside}}, S::Outside),
    /* InAccount */
    element(G::Account,
            {{Name::Iban, S::InIbanText},
             {Name::PrtryAcct, S::InAccountNumber},
             {Name::Othr, S::InAccountNumber}},
            S::InAccount, {}, S::InAccount),
    /* InAccountNumber */
    element(G::Account, {{Name::Id, S::InAccountIdText}}, S::InAccount, {}, S::InAccount),
    /* InIbanText */
    text(S::InAccount, G::Account, &HarvestFields::iban, kText, TextEnd::LandFromIban),
    /* InAccountIdText */
    text(S::InAccount, G::Account, &HarvestFields::konto, kText, TextEnd::Plain),
    /* InAgent */
    element(G::Agent,
            {{Name::Bic, S::InBicText},
             {Name::BicFi, S::InBicText},
             {Name::ClrSysMmbId, S::InBankId},
             {Name::PrtryId, S::InBankId},
             {Name::Othr, S::InBankId},
             {Name::Ctry, S::InAgentCtryText}},
            S::InAgent, {}, S::InAgent),
    /* InBankId: "ClrSysId" and its "Cd" come before "MmbId" and keep the scanner here */
    element(
        G::Agent, {{Name::Id, S::InBankIdText}, {Name::MmbId, S::InBankIdText}}, S::InBankId,
        {{Name::ClrSysMmbId, S::InAgent}, {Name::PrtryId, S::InAgent}, {Name::Othr, S::InAgent}},
        S::InBankId),
    /* InBicText */
    text(S::InAgent, G::Agent, &HarvestFields::bic, kText, TextEnd::LandFromBic),
    /* InBankIdText */
    text(S::InAgent, G::Agent, &HarvestFields::blz, kText, TextEnd::Plain),
    /* InAgentCtryText */
    text(S::InAgent, G::Agent, &HarvestFields::land, kCtry, TextEnd::Plain),
    /* InParty */
    element(G::Party, {{Name::Ctry, S::InPartyCtryText}}, S::InParty, {}, S::InParty),
    /* InPartyCtryText */
    text(S::InParty, G::Party, &HarvestFields::land, kCtry, TextEnd::Plain),
};
constexpr int kStates = sizeof kMachine / sizeof kMachine[0];
static_assert(kStates == kHarvestStates, "a state without a row");

constexpr bool isstate(S s) {
  return static_cast<int>(s) < kStates;
}
constexpr bool machineisclosed() {
  for (const Row& r : kMachine) {
    for (int i = 0; i < r.starts; ++i)
      if (!isstate(r.start[i].to)) return false;
    for (int i = 0; i < r.ends; ++i)
      if (!isstate(r.end[i].to)) return false;
    if (!isstate(r.otherstart) || !isstate(r.otherend) || !isstate(r.parent)) return false;
    // A text returns to a state of its own group, which is no text state.
    if (r.field && (kMachine[static_cast<int>(r.parent)].field ||
                    kMachine[static_cast<int>(r.parent)].group != r.group)) {
      return false;
    }
  }
  return true;
}
static_assert(machineisclosed(), "a transition leads to a state without a row");

}  // namespace

const HarvestSide kCreditorHarvest = side("CdtrAcct", "CdtrAgt", "Cdtr", "CdtTrfTxInf", G::Account);
const HarvestSide kDebtorHarvest = side("DbtrAcct", "DbtrAgt", "Dbtr", "PmtInf", G::Agent);

namespace {

inline const Row& rowof(S s) {
  return kMachine[static_cast<int>(s)];
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
  s.state = to;
  const Row& r = rowof(to);
  if (r.field) {  // a captured text starts empty
    s.pos = 0;
    (s.f.*r.field)[0] = '\0';
  }
}

// A captured text is the element's text without the white space around it, and a line break
// inside becomes a blank: a data-file line must stay one line.
inline void storetext(HarvestScan& s, const Row& r, char c) {
  if (isxmlspace(c)) {
    if (s.pos == 0) return;
    if (c == '\r' || c == '\n') c = ' ';
  }
  appendc(s.f.*r.field, r.limit + 1, s.pos, c);
}

void storebrackets(HarvestScan& s, const Row& r) {
  for (int i = 0; i < s.x.brackets; ++i) storetext(s, r, ']');
}

void endtext(HarvestScan& s, const Row& r) {
  char* field = s.f.*r.field;
  while (s.pos > 0 && isxmlspace(field[s.pos - 1])) field[--s.pos] = '\0';
  // A double quote would end the data-file field early and shift the record's fields.
  if (std::memchr(field, '"', s.pos)) {
    field[0] = '\0';
    s.pos = 0;
    ++s.quoted;
  }
  switch (r.textend) {
    case TextEnd::Plain: break;
    case TextEnd::LandFromIban: setland(s.f, s.f.iban, 0); break;
    case TextEnd::LandFromBic: setland(s.f, s.f.bic, 4); break;
  }
}

// name == lit, compared inline: names are short, and most differ in their length.
inline bool samename(std::string_view name, std::string_view lit) {
  if (name.size() != lit.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (name[i] != lit[i]) return false;
  return true;
}

const Match* find(const Match* m, int n, std::string_view local, const HarvestSide& side) {
  if (local.empty()) return nullptr;
  for (int i = 0; i < n; ++i)
    if (samename(local, nameof(m[i].name, side))) return &m[i];
  return nullptr;
}

// The machine's move on a tag read (by its own lexer, or by the one of the scanner it follows),
// whose local name is local.
VELMORA_HOT_INLINE unsigned ontag(HarvestScan& s, const HarvestSide& side, XmlToken t,
                                  std::string_view local,
               HarvestSink& sink) {
  if (const Row& r = rowof(s.state); r.field) {  // a tag ends a captured text
    endtext(s, r);
    s.state = r.parent;
  }
  const Row& r = rowof(s.state);
  s.tagin = r.group;
  unsigned ev = 0;
  if (t == XmlToken::StartTag) {
    ++s.depth;
    if (r.group != G::None) ev |= kStartTag;
    if (const Match* m = find(r.start, r.starts, local, side)) {
      if (m->name == Name::Pair) {
        // A pair's values stay in it: what a pair gathered without reaching its record point
        // (a cheque's agent, say) must not go into the next pair's record. land is carried on.
        emptyfields(s.f);
        ev |= kPairBoundary;
      }
      if (r.group == G::None && rowof(m->to).group != G::None) ev |= kGroupStart;
      go(s, m->to);
      return ev;
    }
    go(s, r.otherstart);
    return ev;
  }
  if (t == XmlToken::EmptyTag) {  // an empty element holds nothing to capture or close
    go(s, r.otherstart);
    return ev;
  }
  --s.depth;
  if (r.group != G::None) {
    ev |= kEndTag;
    if (samename(local, groupname(r.group, side)) && !local.empty()) {
      if (r.group == side.recordat) {
        sink.record(s.f);
        emptyfields(s.f);
        ev |= kRecordPoint;
      }
      go(s, S::Outside);
      return ev;
    }
  }
  if (const Match* m = find(r.end, r.ends, local, side)) {
    if (m->name == Name::Pair) {
      emptyfields(s.f);
      ev |= kPairBoundary;
    }
    go(s, m->to);
    return ev;
  }
  go(s, r.otherend);
  return ev;
}

// The local name of a plain tag of len bytes at p, its local name starting localat bytes into
// its name; empty for a name too long for the lexer's buffer, as TagName::local gives it.
inline std::string_view plainlocal(const char* p, std::size_t len, bool end, std::size_t localat) {
  const std::size_t from = end ? 2 : 1;
  const std::size_t n = len - 1 - from;
  if (n >= static_cast<std::size_t>(kNameSize)) return {};
  return std::string_view(p + from + localat, n - localat);
}

// True when the machine, outside every watched element, reacts to a start tag (end false) or
// an end tag named local: one of the side's watched elements or its pair element starts, or
// its pair element ends.
inline bool outsidemoves(std::string_view local, bool end, const HarvestSide& side) {
  if (local.empty()) return false;
  if (end) return samename(local, nameof(Name::Pair, side));
  return samename(local, nameof(Name::Account, side)) || samename(local, nameof(Name::Agent, side)) ||
         samename(local, nameof(Name::Party, side)) || samename(local, nameof(Name::Pair, side));
}

// True when a plain tag named local moves the scanner, outside every watched element, and the
// follower that takes its tags, if any, by depth alone.
inline bool passesover(std::string_view local, bool end, const HarvestSide& side,
                       const HarvestFollower* follower) {
  if (outsidemoves(local, end, side)) return false;
  if (!follower || follower->ownlexer) return true;
  return follower->scan.state == S::Outside && !outsidemoves(local, end, follower->side);
}

NoRecords gNone;  // a follower takes no records

// A tag for the follower, if any: its events end the stretches of its pass.
inline void follow(HarvestFollower* f, XmlToken t, std::string_view local) {
  if (f && !f->ownlexer) {
    const unsigned ev = ontag(f->scan, f->side, t, local, gNone);
    f->seen |= ev;
    f->stretches.note(ev);
  }
}

// One byte through the lexer; the machine moves on what it completes.
VELMORA_HOT_INLINE unsigned step(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink,
                                 HarvestFollower* f) {
  const XmlToken t = xmlbyte(s.x, c);
  switch (t) {
    case XmlToken::None: return 0;
    case XmlToken::Text:
      if (const Row& r = rowof(s.state); r.field) {
        storebrackets(s, r);
        storetext(s, r, c);
      }
      return 0;
    case XmlToken::Brackets:
      if (const Row& r = rowof(s.state); r.field) storebrackets(s, r);
      return 0;
    case XmlToken::StartTag:
    case XmlToken::EmptyTag:
    case XmlToken::EndTag: {
      const std::string_view local = s.x.name.local();
      follow(f, t, local);
      return ontag(s, side, t, local, sink);
    }
  }
  return 0;
}

// The run the lexer lets pass whole, and its taking: inline, as they run between any two
// bytes the machine reacts to.
VELMORA_HOT_INLINE std::size_t runfrom(const HarvestScan& s, const char* p, std::size_t n) {
  return xmlrun(s.x, p, n);
}

VELMORA_HOT_INLINE void takefrom(HarvestScan& s, const char* p, std::size_t k) {
  const XmlRun kind = xmlrunkind(s.x);
  if (kind == XmlRun::Name) {
    xmltakerun(s.x, p, k);
    return;
  }
  if (kind != XmlRun::Text) return;
  const Row& r = rowof(s.state);
  if (!r.field) return;
  // A text's bytes one by one, until its field is full: what follows changes nothing.
  for (std::size_t i = 0; i < k && s.pos < r.limit; ++i) storetext(s, r, p[i]);
}

}  // namespace

bool HarvestScan::operator==(const HarvestScan& o) const {
  return depth == o.depth && tagin == o.tagin && x.name == o.x.name && samecourse(*this, o);
}

bool samecourse(const HarvestScan& a, const HarvestScan& b) {
  // The name of the last tag matters only while a tag is still being read: the next "<"
  // starts a new one.
  const bool intag = a.x.state != XmlState::Text && a.x.state != XmlState::Comment &&
                     a.x.state != XmlState::CData && a.x.state != XmlState::Pi &&
                     a.x.state != XmlState::Decl && a.x.state != XmlState::DeclSubset;
  const HarvestFields &f = a.f, &g = b.f;
  return a.x.state == b.x.state && a.x.matched == b.x.matched && (!intag || a.x.name == b.x.name) &&
         a.state == b.state && a.pos == b.pos && a.quoted == b.quoted &&
         std::strcmp(f.iban, g.iban) == 0 && std::strcmp(f.konto, g.konto) == 0 &&
         std::strcmp(f.bic, g.bic) == 0 && std::strcmp(f.blz, g.blz) == 0 &&
         std::strcmp(f.land, g.land) == 0;
}

void harveststart(HarvestScan& s) {
  emptyfields(s.f);
  s.f.land[0] = '\0';
  s.pos = 0;
}

unsigned harvestbyte(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink,
                     HarvestFollower* follower) {
  return step(s, side, c, sink, follower);
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

void HarvestFollower::read(const XmlLexer& x, const char* p, std::size_t n) {
  scan.x = x;
  harvestnote(scan, side, p, n, gNone, stretches);
}

std::size_t harvestrun(const HarvestScan& s, const char* p, std::size_t n) {
  return runfrom(s, p, n);
}

void harvesttakerun(HarvestScan& s, const char* p, std::size_t k) {
  takefrom(s, p, k);
}

// Performance-critical: `make bench` (harvest-*, full-*).
std::size_t harvestuntil(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                         HarvestSink& sink, unsigned& events, HarvestFollower* follower,
                         unsigned stopat) {
  std::size_t i = 0;
  events = 0;
  // Outside every watched element, a plain tag that is none of the side's own moves nothing
  // but depth: passed over, its name taken into the lexer only when another tag does not
  // replace it first (settle). A follower that takes the tags must be outside its own
  // elements too, and the tag none of its side's; it moves by depth alike.
  const char* skipped = nullptr;
  std::size_t skippedlen = 0, skippedlocal = 0;
  bool skippedend = false;
  auto settle = [&]() {
    if (skipped) xmltakeplain(s.x, skipped, skippedlen, skippedend, skippedlocal);
    skipped = nullptr;
  };
  while (i < n) {
    if (s.x.state == XmlState::Text) {
      // Most bytes are character data, up to the next "<": taken here at once, with the "<"
      // that follows them, as the lexer's run and step would.
      const std::size_t k = findbyte(p + i, n - i, '<');
      if (k > 0) {
        takefrom(s, p + i, k);
        i += k;
        if (i == n) break;
      }
      // Most tags are plain ones, "<Name>" or "</Name>": read whole here, as stepping their
      // bytes would read them.
      bool end;
      std::size_t localat;
      if (const std::size_t len = xmlplaintag(p + i, n - i, end, localat)) {
        if (s.state == S::Outside && passesover(plainlocal(p + i, len, end, localat), end, side,
                                                follower)) {
          s.depth += end ? -1 : 1;
          s.tagin = G::None;
          if (follower && !follower->ownlexer) {
            follower->scan.depth += end ? -1 : 1;
            follower->scan.tagin = G::None;
          }
          skipped = p + i;
          skippedlen = len;
          skippedend = end;
          skippedlocal = localat;
          i += len;
          continue;
        }
        skipped = nullptr;  // its name gives way to this tag's
        const XmlToken t = xmltakeplain(s.x, p + i, len, end, localat);
        i += len;
        const std::string_view local = s.x.name.local();
        follow(follower, t, local);
        events = ontag(s, side, t, local, sink);
        if (events & stopat) break;
        events = 0;
        continue;
      }
      settle();
      s.x.state = XmlState::Open;
      ++i;
      continue;
    }
    const std::size_t k = runfrom(s, p + i, n - i);
    if (k > 0) {
      takefrom(s, p + i, k);
      i += k;
      if (i == n) break;
    }
    events = step(s, side, p[i++], sink, follower);
    if (events & stopat) break;
    events = 0;
  }
  settle();
  return i;
}

void harvesttext(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                 HarvestSink& sink) {
  unsigned events;
  for (std::size_t i = 0; i < n;)
    i += harvestuntil(s, side, p + i, n - i, sink, events, nullptr, 0);
}

void harvestnote(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                 HarvestSink& sink, Stretches& stretches) {
  unsigned events;
  for (std::size_t i = 0; i < n;) {
    i += harvestuntil(s, side, p + i, n - i, sink, events, nullptr, kRecordPoint | kPairBoundary);
    stretches.note(events);
  }
}
