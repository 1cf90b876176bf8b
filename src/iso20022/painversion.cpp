#include "iso20022/painversion.h"

#include <cstring>

#include "iso20022/xmllex.h"

namespace {

// The spellings. Each writes what goes in place of an account's "Id" content or an agent's
// "FinInstnId" content; the held element's own end tag follows it.
constexpr Spelling kIban = "<IBAN>{iban}</IBAN>";
constexpr Spelling kBic = "<BIC>{bic}</BIC>";
constexpr Spelling kBicFi = "<BICFI>{bic}</BICFI>";

// The 2006 edition.
constexpr Spelling kPrtryAcct = "<PrtryAcct><Id>{konto}</Id></PrtryAcct>";
constexpr Spelling kMember2006 = "<ClrSysMmbId><Id>{blz}</Id></ClrSysMmbId>";
constexpr Spelling kPrtryId2006 = "<PrtryId><Id>{blz}</Id></PrtryId>";
constexpr Spelling kCombined2006 =
    "<CmbndId><ClrSysMmbId><Id>{blz}</Id></ClrSysMmbId><PstlAdr><Ctry>{land}</Ctry></PstlAdr>"
    "<PrtryId><Id>{blz}</Id></PrtryId></CmbndId>";

// From 2009 (pain.001.001.03) on: an account without IBAN is "Othr" with its scheme, a clearing
// member names its clearing system, the proprietary identification is "Othr", and what was
// the combined identification is the sequence of the three in "FinInstnId".
constexpr Spelling kOthrBban = "<Othr><Id>{konto}</Id><SchmeNm><Cd>BBAN</Cd></SchmeNm></Othr>";
constexpr Spelling kMember2009 =
    "<ClrSysMmbId><ClrSysId><Cd>{code}</Cd></ClrSysId><MmbId>{blz}</MmbId></ClrSysMmbId>";
constexpr Spelling kOthrId2009 = "<Othr><Id>{blz}</Id></Othr>";
constexpr Spelling kCombined2009 =
    "<ClrSysMmbId><ClrSysId><Cd>{code}</Cd></ClrSysId><MmbId>{blz}</MmbId></ClrSysMmbId>"
    "<PstlAdr><Ctry>{land}</Ctry></PstlAdr><Othr><Id>{blz}</Id></Othr>";

// The Swiss 2009 variant: "Othr" holds only its "Id", and a debtor agent is a BIC or a
// clearing member, nothing else.
constexpr Spelling kOthrPlain = "<Othr><Id>{konto}</Id></Othr>";

// A row's forms, by Form: Unchanged, Iban, PrtryAcct, Bic, Combined, ClrSysMmbId, PrtryId.
#define FORMS(acct, bic, combined, member, prtryid) \
  { nullptr, kIban, acct, bic, combined, member, prtryid }

constexpr PainVersion kVersions[] = {
    // Files that name no version we know: the 2006 spellings, as always.
    {nullptr, "", FORMS(kPrtryAcct, kBic, kCombined2006, kMember2006, kPrtryId2006),
     FORMS(kPrtryAcct, kBic, kCombined2006, kMember2006, kPrtryId2006)},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.02", "pain.001.001.02",
     FORMS(kPrtryAcct, kBic, kCombined2006, kMember2006, kPrtryId2006),
     FORMS(kPrtryAcct, kBic, kCombined2006, kMember2006, kPrtryId2006)},
    // The SEPA variants (German, EPC): IBAN and BIC only.
    {"urn:sepade:xsd:pain.001.001.02", "pain.001.001.02 (SEPA)",
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr),
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr)},
    {"urn:swift:xsd:$pain.001.002.02", "pain.001.002.02",
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr),
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr)},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.002.03", "pain.001.002.03",
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr),
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr)},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.003.03", "pain.001.003.03",
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr),
     FORMS(nullptr, kBic, nullptr, nullptr, nullptr)},
    {"http://www.six-interbank-clearing.com/de/pain.001.001.03.ch.02.xsd", "pain.001.001.03.ch.02",
     FORMS(kOthrPlain, kBic, kCombined2009, kMember2009, kOthrId2009),
     FORMS(kOthrPlain, kBic, kMember2009, kMember2009, nullptr)},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03", "pain.001.001.03",
     FORMS(kOthrBban, kBic, kCombined2009, kMember2009, kOthrId2009),
     FORMS(kOthrBban, kBic, kCombined2009, kMember2009, kOthrId2009)},
    // From 2013 (pain.001.001.04) on, the BIC is "BICFI". Later versions take this row.
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.04", "pain.001.001.04",
     FORMS(kOthrBban, kBicFi, kCombined2009, kMember2009, kOthrId2009),
     FORMS(kOthrBban, kBicFi, kCombined2009, kMember2009, kOthrId2009)},
};
#undef FORMS

// Every spelling names only values that spellingvalue knows, and opens no brace it does not
// close: checked once, at compile time.
constexpr bool sameword(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i] || b[i] == '\0') return false;
  return b[n] == '\0';
}
constexpr bool spellingisknown(Spelling s) {
  if (!s) return true;
  for (const char* c = s; *c != '\0'; ++c) {
    if (*c != '{') continue;
    const char* name = ++c;
    while (*c != '}') {
      if (*c == '\0' || *c == '{') return false;
      ++c;
    }
    bool known = false;
    for (const char* v : {"iban", "konto", "bic", "blz", "land", "code"})
      known = known || sameword(name, v, static_cast<std::size_t>(c - name));
    if (!known) return false;
  }
  return true;
}
constexpr bool spellingsareknown() {
  for (const PainVersion& v : kVersions)
    for (int f = 0; f < kForms; ++f)
      if (!spellingisknown(v.creditor[f]) || !spellingisknown(v.debtor[f])) return false;
  return true;
}
static_assert(spellingsareknown(), "a spelling names a value spellingvalue does not know");

constexpr const PainVersion& kUnknown = kVersions[0];
constexpr const PainVersion& kLatest = kVersions[sizeof kVersions / sizeof kVersions[0] - 1];
constexpr std::string_view kIsoPrefix = "urn:iso:std:iso:20022:tech:xsd:pain.001.001.";

// The clearing-system codes of ISO's external code list for the countries whose IBAN bank
// code is the code that list names.
struct Clearing {
  const char* land;
  const char* code;
};
constexpr Clearing kClearing[] = {
    {"AT", "ATBLZ"}, {"CH", "CHBCC"}, {"DE", "DEBLZ"}, {"ES", "ESNCC"}, {"GB", "GBDSC"},
    {"GR", "GRBIC"}, {"IE", "IENCC"}, {"IT", "ITNCC"}, {"PL", "PLKNR"}, {"PT", "PTNCC"},
};

// The value of attribute attr in the attribute text of a start tag (what follows its name),
// or nothing when it has none.
bool attribute(std::string_view attrs, std::string_view attr, std::string_view& out) {
  std::size_t i = 0;
  while (i < attrs.size()) {
    while (i < attrs.size() && (isxmlspace(attrs[i]) || attrs[i] == '/')) ++i;
    const std::size_t name = i;
    while (i < attrs.size() && attrs[i] != '=' && !isxmlspace(attrs[i])) ++i;
    const std::string_view n = attrs.substr(name, i - name);
    while (i < attrs.size() && isxmlspace(attrs[i])) ++i;
    if (i >= attrs.size() || attrs[i] != '=') return false;
    ++i;
    while (i < attrs.size() && isxmlspace(attrs[i])) ++i;
    if (i >= attrs.size() || (attrs[i] != '"' && attrs[i] != '\'')) return false;
    const char quote = attrs[i++];
    const std::size_t end = attrs.find(quote, i);
    if (end == std::string_view::npos) return false;
    if (n == attr) {
      out = attrs.substr(i, end - i);
      return true;
    }
    i = end + 1;
  }
  return false;
}

PaymentVersion ofnamespace(std::string_view ns) {
  for (const PainVersion& v : kVersions)
    if (v.ns && ns == v.ns) return {&v, v.name};
  // An ISO version newer than the rows ("pain.001.001.13") keeps the latest spellings.
  if (ns.substr(0, kIsoPrefix.size()) == kIsoPrefix) {
    const std::string_view nn = ns.substr(kIsoPrefix.size());
    if (nn.size() == 2 && nn[0] >= '0' && nn[0] <= '9' && nn[1] >= '0' && nn[1] <= '9' &&
        nn > "04") {
      return {&kLatest, std::string(ns.substr(ns.rfind(':') + 1))};
    }
  }
  return {nullptr, ""};
}

}  // namespace

PaymentVersion painversion(std::string_view head) {
  XmlLexer x;
  std::size_t open = 0;  // where the tag being read began
  int elements = 0;
  for (std::size_t i = 0; i < head.size() && elements < 2; ++i) {
    if (x.state == XmlState::Text && head[i] == '<') open = i;
    const XmlToken t = xmlbyte(x, head[i]);
    if (t != XmlToken::StartTag && t != XmlToken::EmptyTag) continue;
    ++elements;
    const std::string_view local = x.name.local();
    if (local == "pain.001.001.02") return {&kVersions[1], kVersions[1].name};
    if (elements > 1 || local != "Document") continue;
    // The Document's namespace: its default one, or the one its prefix is bound to.
    const std::string_view tag = head.substr(open + 1, i - open - 1);
    const std::string_view attrs = tag.substr(x.name.qname().size());
    std::string_view prefix = x.name.prefix();
    std::string decl = "xmlns";
    if (!prefix.empty()) decl += ":" + std::string(prefix.substr(0, prefix.size() - 1));
    std::string_view ns;
    if (attribute(attrs, decl, ns)) {
      PaymentVersion v = ofnamespace(ns);
      if (v.row) return v;
    }
  }
  return {&kUnknown, kUnknown.name};
}

const char* clearingcode(std::string_view land) {
  for (const Clearing& c : kClearing)
    if (land == c.land) return c.code;
  return nullptr;
}

bool needsclearingcode(Spelling s) {
  return s && std::strstr(s, "{code}") != nullptr;
}

const char* spellingvalue(const SpellingValues& v, std::string_view name) {
  if (name == "iban") return v.iban;
  if (name == "konto") return v.konto;
  if (name == "bic") return v.bic;
  if (name == "blz") return v.blz;
  if (name == "land") return v.land;
  if (name == "code") return v.code;
  return nullptr;
}
