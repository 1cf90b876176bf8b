#include "support/paygen.h"

#include <cctype>
#include <cstring>
#include <map>

#include "support/scanrun.h"

namespace {

std::string mark(const std::string& id) {
  return "~" + id + "~";
}

// The version of the file being made, for the spellings of its agents: a 2009 clearing member
// names its clearing system and has "MmbId"; from 2013 the BIC is "BICFI".
struct Spelling {
  const char* ns;  // nullptr: no namespace
  bool member2009;
  bool bicfi;
};
constexpr Spelling kSpellings[] = {
    {nullptr, false, false},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.02", false, false},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03", true, false},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.09", true, true},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.12", true, true},
};
const Spelling* gSpelling = &kSpellings[2];  // the file being made (tests run one at a time)

// A start tag of name: plain, with white space before ">", or with attributes, one of them
// holding a ">", another a "/".
std::string open(Choices& c, const char* name, bool& recognised) {
  recognised = true;
  switch (c.pick(7)) {
    case 3: return std::string("<") + name + " >";
    case 4: return std::string("<") + name + "\n      >";
    case 5: return std::string("<") + name + " xmlns=\"urn:x\">";
    case 6: return std::string("<") + name + " n='a > b' m=\"/\">";
    default: return std::string("<") + name + ">";
  }
}

std::string close(Choices& c, const char* name) {
  switch (c.pick(4)) {
    case 2: return std::string("</") + name + " >";
    case 3: return std::string("</") + name + "\r\n    >";
    default: return std::string("</") + name + ">";
  }
}

// Markup between the children of an element, or between pairs, whose text looks like the
// tags around it: end tags, or a whole pair of either side after an early ">", with values
// marked FAKE that no pair may ever take.
std::string deco(Choices& c) {
  switch (c.pick(14)) {
    case 0: return "<!-- </Id></FinInstnId></CdtrAcct></DbtrAgt> a > b -->";
    case 1: return "<?note </FinInstnId></Id> ?>";
    case 2: return "\n        ";
    case 3:
      return "<!-- was: > </Id></CdtrAcct><DbtrAcct><Id><IBAN>XX00FAKE1</IBAN></Id></DbtrAcct>"
             "<DbtrAgt><FinInstnId><BIC>FAKEBIC1</BIC></FinInstnId></DbtrAgt> -->";
    case 4:
      return "<?x > </FinInstnId></DbtrAgt><CdtrAgt><FinInstnId><BICFI>FAKEBIC2</BICFI>"
             "</FinInstnId></CdtrAgt><CdtrAcct><Id><IBAN>XX00FAKE2</IBAN></Id></CdtrAcct> ?>";
    case 5:
      return "<![CDATA[ > </Id></DbtrAcct><DbtrAgt><FinInstnId><BIC>FAKEBIC3</BIC></FinInstnId>"
             "</DbtrAgt></PmtInf><PmtInf><CdtTrfTxInf><CdtrAcct><Id><Othr><Id>FAKE3</Id></Othr>"
             "</Id></CdtrAcct> ]]>";
    default: return "";
  }
}

// An element text with the white space a file may put around it.
std::string text(Choices& c, const std::string& v) {
  switch (c.pick(4)) {
    case 0: return "\n          " + v + "\n        ";
    case 1: return "\t" + v + " ";
    default: return v;
  }
}

// The content of an account's "Id". nested: it holds an "Id" of its own that the rewrite
// recognises, which it replaces when it does not recognise the outer one.
std::string accountid(Choices& c, const std::string& id, bool& nested) {
  nested = false;
  switch (c.pick(3)) {
    case 0: return deco(c) + "<IBAN>" + text(c, "DE00" + mark(id) + "1234") + "</IBAN>" + deco(c);
    case 1: {
      static const char* const tails[] = {"77", "\nX1", "a>b", "<![CDATA[</Id>]]>"};
      std::string othr = "<Othr>" + deco(c);
      othr += open(c, "Id", nested);
      return othr + mark(id) + tails[c.pick(4)] + "</Id>" +
             "<SchmeNm><Cd>BBAN</Cd></SchmeNm></Othr>";
    }
    default: {
      const char* tail = c.pick(2) ? "123" : "1\r\n23";
      nested = true;
      return "<PrtryAcct><Id>" + text(c, mark(id) + tail) + "</Id></PrtryAcct>";
    }
  }
}

std::string agentid(Choices& c, const std::string& id) {
  const std::string bic = gSpelling->bicfi ? "BICFI" : "BIC";
  switch (c.pick(3)) {
    case 0: return "<" + bic + ">" + text(c, "BK" + mark(id) + "XX") + "</" + bic + ">";
    case 1:
      if (gSpelling->member2009) {
        return "<ClrSysMmbId><ClrSysId><Cd>DEBLZ</Cd></ClrSysId><MmbId>" +
               text(c, mark(id) + "99") + "</MmbId></ClrSysMmbId>";
      }
      return "<ClrSysMmbId><Id>" + text(c, mark(id) + "99") + "</Id></ClrSysMmbId>";
    default: return "<Nm>" + mark(id) + " Bank</Nm><PstlAdr><Ctry>DE</Ctry></PstlAdr>";
  }
}

struct Element {
  std::string xml;
  bool present = false;
  bool group = false;  // the element itself is recognised
  bool held = false;   // and so is its "Id" or "FinInstnId"
};

Element account(Choices& c, const char* name, const std::string& id) {
  Element e;
  e.present = true;
  bool idrec, nested;
  e.xml = open(c, name, e.group) + deco(c);
  e.xml += open(c, "Id", idrec);
  e.xml += accountid(c, id, nested);
  e.xml += close(c, "Id") + deco(c) + (c.pick(2) ? "<Ccy>EUR</Ccy>" : "") + close(c, name);
  e.held = e.group && (idrec || nested);
  return e;
}

Element agent(Choices& c, const char* name, const std::string& id) {
  Element e;
  e.present = true;
  if (c.pick(8) == 0) {
    e.xml = std::string("<") + name + "/>";
    return e;
  }
  bool finrec;
  e.xml = open(c, name, e.group) + deco(c) + open(c, "FinInstnId", finrec) + agentid(c, id) +
          close(c, "FinInstnId") + deco(c) +
          (c.pick(3) == 0 ? "<BrnchId><Id>" + mark(id) + "B</Id></BrnchId>" : "") + close(c, name);
  e.held = e.group && finrec;
  return e;
}

std::string party(Choices& c, const char* name, const std::string& id) {
  static const char* const ctry[] = {"DE", "AT", "CH"};
  return std::string("<") + name + "><Nm>" + mark(id) + " Name</Nm><PstlAdr><Ctry>" +
         ctry[c.pick(3)] + "</Ctry></PstlAdr></" + name + ">";
}

// The elements of one pair in one of the orders a file may have: the record element last (as
// the schemas have it), first, or alone, or the other element alone.
struct PairOrder {
  bool recordfirst;
  bool hasaccount, hasagent;
};
PairOrder order(Choices& c) {
  switch (c.pick(6)) {
    case 0: return {true, true, true};
    case 1: return {false, true, false};
    case 2: return {false, false, true};
    default: return {false, true, true};
  }
}

std::string pairtag(Choices& c, const char* name) {
  return c.pick(4) == 0 ? std::string("<") + name + "\n  >" : std::string("<") + name + ">";
}

// A transaction: agent, creditor, account; recorded at the end of its account.
std::string transaction(Choices& c, const std::string& id, GenPair& p) {
  const PairOrder o = order(c);
  Element agt, acct;
  if (o.hasagent) agt = agent(c, "CdtrAgt", id);
  if (o.hasaccount) acct = account(c, "CdtrAcct", id);
  const std::string cdtr = party(c, "Cdtr", id);
  std::string body = o.recordfirst ? acct.xml + agt.xml + cdtr : agt.xml + cdtr + acct.xml;
  p = {id, acct.group, false, false};
  p.account = p.recorded && acct.held;
  p.agent = p.recorded && agt.held && !o.recordfirst;
  return pairtag(c, "CdtTrfTxInf") + "<PmtId><EndToEndId>" + mark(id) +
         "</EndToEndId></PmtId><Amt><InstdAmt Ccy=\"EUR\">1.00</InstdAmt></Amt>" + body +
         close(c, "CdtTrfTxInf") + deco(c);
}

}  // namespace

std::vector<std::string> GenFile::records() const {
  std::vector<std::string> ids;
  for (const GenPair& p : pairs)
    if (p.recorded && p.id[0] == 'T') ids.push_back(p.id);
  for (const GenPair& p : pairs)
    if (p.recorded && p.id[0] == 'P') ids.push_back(p.id);
  return ids;
}

namespace {

// The element names of xml, in start and end tags, with prefix: every one, or (some) those of
// an odd length only, so that elements with and without it stand side by side. Comments, PIs
// and CDATA sections are left as they are.
std::string prefixed(const std::string& xml, const std::string& prefix, bool some) {
  std::string out;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    static const char* const kSkips[][2] = {{"<!--", "-->"}, {"<?", "?>"}, {"<![CDATA[", "]]>"}};
    for (const auto& [skip, end] : kSkips) {
      if (xml.compare(i, std::strlen(skip), skip) != 0) continue;
      const std::size_t e = xml.find(end, i + std::strlen(skip));
      const std::size_t to = e == std::string::npos ? xml.size() : e + std::strlen(end);
      out.append(xml, i, to - i);
      i = to;
      break;
    }
    if (i >= xml.size()) break;
    out += xml[i];
    if (xml[i] != '<' || i + 1 >= xml.size()) continue;
    if (xml[i + 1] == '/') out += xml[++i];
    if (i + 1 >= xml.size() || !std::isalpha(static_cast<unsigned char>(xml[i + 1]))) continue;
    std::size_t n = i + 1;
    while (n < xml.size() && std::isalnum(static_cast<unsigned char>(xml[n]))) ++n;
    if (!some || (n - i - 1) % 2 == 1) out += prefix;
  }
  return out;
}

}  // namespace

GenFile makepayfile(Choices& c) {
  GenFile f;
  gSpelling = &kSpellings[c.pick(sizeof kSpellings / sizeof kSpellings[0])];
  const unsigned prefixing = c.pick(4);  // 0 every element, 1 some, else none
  const std::string prefix = prefixing < 2 ? "Doc:" : "";
  std::vector<GenPair> blocks;
  std::string body;
  int tx = 0;
  const int nblocks = 1 + static_cast<int>(c.pick(3));
  for (int b = 1; b <= nblocks; ++b) {
    const std::string id = "P" + std::to_string(b);
    // A payment block: debtor, account, agent; recorded at the end of its agent.
    const PairOrder o = order(c);
    Element acct, agt;
    if (o.hasaccount) acct = account(c, "DbtrAcct", id);
    if (o.hasagent) agt = agent(c, "DbtrAgt", id);
    std::string debtor =
        party(c, "Dbtr", id) + (o.recordfirst ? agt.xml + acct.xml : acct.xml + agt.xml);
    std::string txs;
    const int ntx = static_cast<int>(c.pick(4));
    for (int t = 0; t < ntx; ++t) {
      GenPair p;
      txs += transaction(c, "T" + std::to_string(++tx), p);
      f.pairs.push_back(p);
    }
    GenPair p = {id, agt.group, false, false};
    p.agent = p.recorded && agt.held;
    p.account = p.recorded && acct.held && !o.recordfirst;
    blocks.push_back(p);
    body += pairtag(c, "PmtInf") + "<PmtInfId>" + mark(id) + "</PmtInfId>" +
            (c.pick(4) == 0 ? txs + debtor : debtor + txs) + close(c, "PmtInf") + deco(c) + "\n";
  }
  f.pairs.insert(f.pairs.end(), blocks.begin(), blocks.end());
  std::string ns;
  if (gSpelling->ns) {
    ns = " xmlns=\"" + std::string(gSpelling->ns) + "\"";
    if (!prefix.empty()) ns += " xmlns:Doc=\"" + std::string(gSpelling->ns) + "\"";
  }
  f.xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated -->\n" +
          prefixed("<Document" + ns + "><CstmrCdtTrfInitn><GrpHdr><MsgId>M</MsgId></GrpHdr>\n" +
                       body + "</CstmrCdtTrfInitn></Document>\n",
                   prefix, prefixing == 1);
  return f;
}

std::vector<std::string> resultlines(const GenFile& f) {
  std::vector<std::string> lines;
  for (const std::string& id : f.records()) {
    const std::string m = "^" + id + "^";
    lines.push_back(resultline("0", "DE", (m + "00").c_str(), (m + "000").c_str(),
                               ("DE0000" + m).c_str(), ("BANK" + m + "XX").c_str()));
  }
  for (const char* snr : {"0", "001", "0x"})
    lines.push_back(resultline(snr, "DE", "^U^00", "^U^000", "DE0000^U^", "BANK^U^XX"));
  return lines;
}

namespace {

// Calls f(mark character, id) for every mark in text.
template <class F>
void marks(const std::string& text, F f) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char q = text[i];
    if (q != '~' && q != '^') continue;
    std::size_t e = i + 1;
    if (e >= text.size() || (text[e] != 'T' && text[e] != 'P' && text[e] != 'U')) continue;
    ++e;
    while (e < text.size() && text[e] >= '0' && text[e] <= '9') ++e;
    if (e < text.size() && text[e] == q) {
      f(q, text.substr(i + 1, e - i - 1));
      i = e;
    }
  }
}

// The ">" that ends the tag at i: the first one outside quoted attribute values.
std::size_t tagend(const std::string& s, std::size_t i) {
  char quote = 0;
  for (; i < s.size(); ++i) {
    if (quote) {
      if (s[i] == quote) quote = 0;
    } else if (s[i] == '"' || s[i] == '\'') {
      quote = s[i];
    } else if (s[i] == '>') {
      return i;
    }
  }
  return std::string::npos;
}

bool isdebtorelement(const std::string& name) {
  return name == "DbtrAcct" || name == "DbtrAgt" || name == "Dbtr";
}

}  // namespace

std::string checkpairs(const GenFile& f, const std::string& out, unsigned replace) {
  std::vector<std::string> stack;
  std::string tx, block, fault;
  int ntx = 0, nblock = 0;
  std::map<std::string, int> replaced;
  // The pair the text at the current position belongs to.
  auto owner = [&]() {
    for (const std::string& name : stack)
      if (isdebtorelement(name)) return block;
    return tx.empty() ? block : tx;
  };
  auto check = [&](const std::string& text) {
    if (fault.empty() && text.find("FAKE") != std::string::npos) {
      fault = "a value of markup that only looks like a pair reached " + owner();
    }
    marks(text, [&](char q, const std::string& id) {
      if (id == "U") fault = "a user's line was used";
      if (q == '^') ++replaced[id];
      if (fault.empty() && id != owner()) fault = "mark " + id + " in pair " + owner();
    });
  };
  std::size_t i = 0;
  while (i < out.size() && fault.empty()) {
    if (out[i] != '<') {
      std::size_t e = out.find('<', i);
      if (e == std::string::npos) e = out.size();
      check(out.substr(i, e - i));
      i = e;
      continue;
    }
    std::string end = ">";
    if (out.compare(i, 4, "<!--") == 0) end = "-->";
    if (out.compare(i, 9, "<![CDATA[") == 0) end = "]]>";
    if (out.compare(i, 2, "<?") == 0) end = "?>";
    std::size_t e = end == ">" ? tagend(out, i) : out.find(end, i);
    if (e == std::string::npos) return "markup not closed at byte " + std::to_string(i);
    const std::string tag = out.substr(i, e + end.size() - i);
    i = e + end.size();
    if (end != ">") {
      marks(tag, [&](char, const std::string& id) {
        if (id == "U") fault = "a user's line was used";
      });
      continue;
    }
    if (tag[1] == '/') {
      std::string name = tag.substr(2, tag.size() - 3);
      while (!name.empty() && isxmlspace(name.back())) name.pop_back();
      if (name.find(':') != std::string::npos) name.erase(0, name.find(':') + 1);
      if (stack.empty() || stack.back() != name) return "end tag " + name + " does not match";
      stack.pop_back();
      if (name == "CdtTrfTxInf") tx.clear();
      if (name == "PmtInf") block.clear();
      continue;
    }
    std::size_t n = 1;
    while (n < tag.size() && !isxmlspace(tag[n]) && tag[n] != '>' && tag[n] != '/') ++n;
    std::string name = tag.substr(1, n - 1);
    if (name.find(':') != std::string::npos) name.erase(0, name.find(':') + 1);
    if (tag[tag.size() - 2] == '/') continue;
    stack.push_back(name);
    if (name == "CdtTrfTxInf") tx = "T" + std::to_string(++ntx);
    if (name == "PmtInf") block = "P" + std::to_string(++nblock);
  }
  if (!fault.empty()) return fault;
  if (!stack.empty()) return "element " + stack.back() + " not closed";
  for (const GenPair& p : f.pairs) {
    const bool want = ((replace & 1) && p.account) || ((replace & 2) && p.agent);
    if (want != (replaced[p.id] > 0)) {
      return "pair " + p.id + (want ? " not replaced" : " replaced") + " where it should" +
             (want ? "" : " not");
    }
  }
  return "";
}
