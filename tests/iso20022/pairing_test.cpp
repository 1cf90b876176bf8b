// Pairing: the harvest writes one record per pair that reaches its record point, and the
// rewrite gives each pair the line of its own record, or none, so that no value moves from
// one transaction or payment block into another.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/paygen.h"
#include "support/scanrun.h"

namespace {

// Which elements mode m changes: bit 0 accounts, bit 1 agents.
unsigned changes(int m) {
  const RewriteForms f = formsfor(m);
  return (f.account != Form::Unchanged ? 1u : 0u) | (f.agent != Form::Unchanged ? 2u : 0u);
}

// The harvest's records of f: as many as it has recorded pairs, each holding only values of
// its own pair, none with a line break.
std::string checkrecords(const GenFile& f, const std::vector<ScanRec>& recs) {
  const std::vector<std::string> ids = f.records();
  if (recs.size() != ids.size()) {
    return std::to_string(recs.size()) + " records for " + std::to_string(ids.size()) + " pairs";
  }
  for (std::size_t i = 0; i < recs.size(); ++i) {
    for (const std::string* v : {&recs[i].iban, &recs[i].konto, &recs[i].bic, &recs[i].blz}) {
      if (v->find_first_of("\r\n") != std::string::npos) return "a line break in " + *v;
      if (v->find("FAKE") != std::string::npos) return "a value of a comment in " + *v;
      const std::size_t at = v->find('~');
      if (at != std::string::npos && v->compare(at, ids[i].size() + 2, "~" + ids[i] + "~") != 0) {
        return "record of " + ids[i] + " holds " + *v;
      }
    }
  }
  return "";
}

// Every pass met as many record points as the harvest wrote records in it, and took as many
// lines: the rewrite's last line of defence never has to step in.
std::string meetsharvest(const std::string& xml, const RewriteRun& r) {
  std::uint64_t c = 0, d = 0;
  for (const ScanRec& rec : harvestscan(xml)) ++(rec.pass == 'C' ? c : d);
  if (r.creditorpoints != c || r.creditortaken != c) return "creditor pass off the harvest";
  if (r.debtorpoints != d || r.debtortaken != d) return "debtor pass off the harvest";
  if (!r.creditorstretches || !r.debtorstretches) return "a pass off its stretches";
  return "";
}

// Generated files with every variation the pairing must survive, in the modes that change
// accounts, agents or both, and in one that changes nothing.
TEST(Pairing, GeneratedFilesKeepEveryValueInItsPair) {
  for (std::uint64_t seed = 0; seed < 1000; ++seed) {
    SeedChoices c(seed);
    const GenFile f = makepayfile(c);
    SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + f.xml);
    ASSERT_EQ(checkrecords(f, harvestscan(f.xml)), "");
    const std::vector<std::string> lines = resultlines(f);
    for (int m : {1, 3, 5, 6, 14, 22, 7}) {
      SCOPED_TRACE("mode " + std::to_string(m));
      const RewriteRun r = rewritescan(f.xml, lines, m);
      ASSERT_EQ(r.result, ScanResult::Ok);
      EXPECT_EQ(r.used, f.records().size());
      ASSERT_EQ(checkpairs(f, r.out, changes(m)), "") << r.out;
      if (changes(m) == 0) {
        EXPECT_EQ(r.out, f.xml);
      }
      ASSERT_EQ(meetsharvest(f.xml, r), "");
    }
  }
}

}  // namespace

namespace {

std::string mk(const std::string& id) {
  return "~" + id + "~";
}
std::string iban(const std::string& id) {
  return "<IBAN>DE00" + mk(id) + "1234</IBAN>";
}
std::string bic(const std::string& id) {
  return "<BIC>BK" + mk(id) + "XX</BIC>";
}
std::string cagt(const std::string& content) {
  return "<CdtrAgt><FinInstnId>" + content + "</FinInstnId></CdtrAgt>";
}
std::string cacct(const std::string& content) {
  return "<CdtrAcct><Id>" + content + "</Id></CdtrAcct>";
}
std::string tx(const std::string& body) {
  return "<CdtTrfTxInf>" + body + "</CdtTrfTxInf>";
}
// A payment block P<n> with a complete debtor pair before its transactions.
std::string block(int n, const std::string& txs) {
  const std::string id = "P" + std::to_string(n);
  return "<PmtInf><DbtrAcct><Id>" + iban(id) + "</Id></DbtrAcct><DbtrAgt><FinInstnId>" + bic(id) +
         "</FinInstnId></DbtrAgt>" + txs + "</PmtInf>";
}
std::string doc(const std::string& blocks) {
  return "<?xml version=\"1.0\"?><Document><CstmrCdtTrfInitn>" + blocks +
         "</CstmrCdtTrfInitn></Document>";
}
// Every element of xml with the prefix "Doc:".
std::string prefixed(const std::string& xml) {
  std::string out;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    out += xml[i];
    if (xml[i] != '<' || i + 1 >= xml.size()) continue;
    if (xml[i + 1] == '/') out += xml[++i];
    if (std::isalpha(static_cast<unsigned char>(xml[i + 1]))) out += "Doc:";
  }
  return out;
}
std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
// A pair of the other side with values of no pair, after an early ">".
const std::string kDebtorPair =
    "was: > <DbtrAcct><Id><IBAN>GB29NWBK60161331926819</IBAN></Id></DbtrAcct><DbtrAgt>"
    "<FinInstnId><BIC>NWBKGB2LXXX</BIC></FinInstnId></DbtrAgt>";
const std::string kCreditorPair =
    "was: > <CdtrAgt><FinInstnId><BIC>NWBKGB2LXXX</BIC></FinInstnId></CdtrAgt><CdtrAcct><Id>"
    "<IBAN>GB29NWBK60161331926819</IBAN></Id></CdtrAcct>";
const std::string kDebtorComment = "<!-- " + kDebtorPair + " -->";

// Files a user met where values moved between pairs, and the shapes around them. pairs: for
// each transaction and block, whether it has a record, and whether the rewrite replaces its
// account and its agent where the mode asks.
TEST(Pairing, CraftedFilesKeepEveryValueInItsPair) {
  const GenPair p1 = {"P1", true, true, true}, p2 = {"P2", true, true, true};
  struct Case {
    const char* why;
    std::string xml;
    std::vector<GenPair> pairs;
  } const cases[] = {
      {"white space before \">\" in the held elements' end tags",
       doc(block(1, tx("<CdtrAgt><FinInstnId>" + bic("T1") + "</FinInstnId ></CdtrAgt>" +
                       "<CdtrAcct><Id>" + iban("T1") + "</Id\n></CdtrAcct>") +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"white space before \">\" in the account's end tag",
       doc(block(1, tx(cagt(bic("T1")) + "<CdtrAcct><Id>" + iban("T1") + "</Id></CdtrAcct >") +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"an account's Id with an attribute",
       doc(block(1, tx(cagt(bic("T1")) + "<CdtrAcct><Id xmlns=\"urn:x\">" + iban("T1") +
                       "</Id></CdtrAcct>") +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"an account with an attribute whose value holds \">\" and tags",
       doc(block(1, tx(cagt(bic("T1")) + "<CdtrAcct n=\"> </CdtrAcct>\"><Id>" + iban("T1") +
                       "</Id></CdtrAcct>") +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"a cheque: an agent without an account",
       doc(block(1, tx(cagt(bic("T1"))) + tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", false, false, false}, {"T2", true, true, true}, p1}},
      {"a cheque's BIC is not carried into a transaction without an agent",
       doc(block(1, tx(cagt(bic("T1"))) + tx(cacct(iban("T2"))))),
       {{"T1", false, false, false}, {"T2", true, true, false}, p1}},
      {"an agent without an account at the end of the file",
       doc(block(1, tx(cagt(bic("T1")) + cacct(iban("T1"))) + tx(cagt(bic("T2"))))),
       {{"T1", true, true, true}, {"T2", false, false, false}, p1}},
      {"the account before the agent: the agent is behind the record point",
       doc(block(
           1, tx(cacct(iban("T1")) + cagt(bic("T1"))) + tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, false}, {"T2", true, true, true}, p1}},
      {"a line break inside a proprietary account number",
       doc(block(1, tx(cagt(bic("T1")) +
                       cacct("<PrtryAcct><Id>" + mk("T1") + "12\r\n34</Id></PrtryAcct>")) +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"a raw \">\" in the text of a nested Id",
       doc(block(1, tx(cagt(bic("T1")) + cacct("<Othr><Id>" + mk("T1") + "a>b</Id></Othr>")) +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"a payment block without a debtor agent, then a complete one",
       doc("<PmtInf><DbtrAcct><Id>" + iban("P1") + "</Id></DbtrAcct>" +
           tx(cagt(bic("T1")) + cacct(iban("T1"))) + "</PmtInf>" +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, {"P1", false, false, false}, p2}},
      {"a self-closing agent",
       doc(block(1,
                 tx("<CdtrAgt/>" + cacct(iban("T1"))) + tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, false}, {"T2", true, true, true}, p1}},
      {"comments and processing instructions inside the watched elements",
       doc(block(1,
                 tx("<CdtrAgt><!-- </CdtrAgt> --><FinInstnId><?x </FinInstnId>?>" + bic("T1") +
                    "</FinInstnId></CdtrAgt>" + "<CdtrAcct><!-- </CdtrAcct> --><Id><!-- </Id> -->" +
                    iban("T1") + "</Id></CdtrAcct>") +
                     tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"CDATA sections",
       doc(block(1, tx(cagt(bic("T1")) + cacct("<Othr><Id><![CDATA[" + mk("T1") +
                                               "</Id></CdtrAcct>]]></Id></Othr>")) +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      // Markup that only looks like a pair: the other side's tags, after an early ">", in a
      // comment, a processing instruction or a CDATA section, in each watched element and
      // between the pairs. None of it is a pair's; none of its values may reach a record.
      {"a comment holding a debtor pair in the first block's creditor account",
       doc(block(1, tx(cagt(bic("T1")) + cacct(kDebtorComment + iban("T1")))) +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"a processing instruction holding a debtor pair in the creditor account's Id",
       doc(block(1, tx(cagt(bic("T1")) + cacct("<?x " + kDebtorPair + " ?>" + iban("T1")))) +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"a CDATA section holding a debtor pair in the creditor agent",
       doc(block(1, tx(cagt("<![CDATA[" + kDebtorPair + "]]>" + bic("T1")) + cacct(iban("T1")))) +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"a comment holding a debtor pair between the blocks",
       doc(block(1, tx(cagt(bic("T1")) + cacct(iban("T1")))) + "<!-- " + kDebtorPair + " -->" +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"a comment holding a creditor pair in the debtor account",
       doc("<PmtInf><DbtrAcct><Id><!-- " + kCreditorPair + " -->" + iban("P1") +
           "</Id></DbtrAcct><DbtrAgt><FinInstnId>" + bic("P1") + "</FinInstnId></DbtrAgt>" +
           tx(cagt(bic("T1")) + cacct(iban("T1"))) + "</PmtInf>" +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"a processing instruction holding a creditor pair in the debtor agent",
       doc("<PmtInf><DbtrAcct><Id>" + iban("P1") + "</Id></DbtrAcct><DbtrAgt><FinInstnId><?p " +
           kCreditorPair + "?>" + bic("P1") + "</FinInstnId></DbtrAgt>" +
           tx(cagt(bic("T1")) + cacct(iban("T1"))) + "</PmtInf>" +
           block(2, tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"a CDATA section holding a creditor pair between the transactions",
       doc(block(1, tx(cagt(bic("T1")) + cacct(iban("T1"))) + "<![CDATA[" + kCreditorPair + "]]>" +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
      {"every element prefixed",
       prefixed(doc(block(1, tx(cagt(bic("T1")) + cacct(kDebtorComment + iban("T1")))) +
                    block(2, tx(cagt(bic("T2")) + cacct(iban("T2")))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1, p2}},
      {"indentation inside IBAN and BIC texts",
       doc(block(1, tx(cagt("<BIC>\n      BK" + mk("T1") + "XX\n    </BIC>") +
                       cacct("<IBAN>\n\tDE00" + mk("T1") + "1234 </IBAN>")) +
                        tx(cagt(bic("T2")) + cacct(iban("T2"))))),
       {{"T1", true, true, true}, {"T2", true, true, true}, p1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    GenFile f;
    f.xml = c.xml;
    f.pairs = c.pairs;
    ASSERT_EQ(checkrecords(f, harvestscan(f.xml)), "");
    const std::vector<std::string> lines = resultlines(f);  // user lines "0", "001", "0x" behind
    for (int m : {1, 3, 5}) {
      SCOPED_TRACE("mode " + std::to_string(m));
      const RewriteRun r = rewritescan(f.xml, lines, m);
      ASSERT_EQ(r.result, ScanResult::Ok);
      EXPECT_EQ(r.used, f.records().size());
      EXPECT_EQ(checkpairs(f, r.out, changes(m)), "") << r.out;
      EXPECT_EQ(meetsharvest(f.xml, r), "");
      EXPECT_LE(occurrences(r.out, "GB29NWBK"), occurrences(f.xml, "GB29NWBK"))
          << "the other side's values were copied";
    }
  }
}

}  // namespace
