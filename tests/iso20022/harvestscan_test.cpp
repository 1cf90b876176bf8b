#include "iso20022/harvestscan.h"
#include "support/scanrun.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Rec = ScanRec;

std::vector<Rec> harvestrecs(const std::string& xml, HarvestScan& s) {
  return harvestscan(xml, s);
}

std::vector<Rec> harvestrecs(const std::string& xml) {
  return harvestscan(xml);
}

Rec C(std::string iban, std::string konto, std::string bic, std::string blz, std::string land) {
  return {'C', iban, konto, bic, blz, land};
}
Rec D(std::string iban, std::string konto, std::string bic, std::string blz, std::string land) {
  return {'D', iban, konto, bic, blz, land};
}

struct ScanCase {
  const char* why;
  std::string xml;
  std::vector<Rec> want;
};

void runcases(const std::vector<ScanCase>& cases) {
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(harvestrecs(c.xml), c.want);
  }
}

const std::string kIbanDe = "DE89370400440532013000";

TEST(HarvestScan, WatchedElements) {
  runcases({
      {"IBAN inside the account's Id; land from its first two characters",
       "<CdtrAcct><Id><IBAN>" + kIbanDe + "</IBAN></Id></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"proprietary account number",
       "<CdtrAcct><Id><PrtryAcct><Id>0532013000</Id></PrtryAcct></Id></CdtrAcct>",
       {C("", "0532013000", "", "", "")}},
      {"agent BIC gives bic and land from its 5th and 6th characters",
       "<CdtrAgt><FinInstnId><BIC>COBADEFFXXX</BIC></FinInstnId></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFFXXX", "", "DE")}},
      {"clearing-member Id gives the bank code",
       "<CdtrAgt><FinInstnId><ClrSysMmbId><Id>00762</Id></ClrSysMmbId></FinInstnId></CdtrAgt>"
       "<CdtrAcct></CdtrAcct>",
       {C("", "", "", "00762", "")}},
      {"proprietary identification Id gives the bank code",
       "<CdtrAgt><FinInstnId><PrtryId><Id>37040044</Id></PrtryId></FinInstnId></CdtrAgt>"
       "<CdtrAcct></CdtrAcct>",
       {C("", "", "", "37040044", "")}},
      {"agent Ctry",
       "<CdtrAgt><PstlAdr><Ctry>CH</Ctry></PstlAdr></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "CH")}},
      {"party Ctry",
       "<Cdtr><PstlAdr><Ctry>FR</Ctry></PstlAdr></Cdtr><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "FR")}},
      {"an account with nothing recognised still gives a record",
       "<CdtrAcct><Id/></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"element texts without the white space around them, inner blanks kept",
       "<CdtrAcct><IBAN>\n DE89 3704\t</IBAN></CdtrAcct>",
       {C("DE89 3704", "", "", "", "DE")}},
      {"transaction in schema order: agent, party, account",
       "<CdtTrfTxInf><CdtrAgt><FinInstnId><BIC>EXMPNL2AXXX</BIC></FinInstnId></CdtrAgt>"
       "<Cdtr><Nm>B.V.</Nm></Cdtr><CdtrAcct><Id><IBAN>NL02ABNA0123456789</IBAN></Id></CdtrAcct>"
       "</CdtTrfTxInf>",
       {C("NL02ABNA0123456789", "", "EXMPNL2AXXX", "", "NL")}},
  });
}

TEST(HarvestScan, WhereWatchedElementsAreFound) {
  runcases({
      {"IBAN at any depth within the account",
       "<CdtrAcct><a><b><c><IBAN>" + kIbanDe + "</IBAN></c></b></a></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"BIC at any depth within the agent, agent inside other elements",
       "<x><y><CdtrAgt><a><b><BIC>COBADEFF</BIC></b></a></CdtrAgt></y></x><CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFF", "", "DE")}},
      {"an IBAN outside the account is not taken",
       "<IBAN>" + kIbanDe + "</IBAN><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"an Id outside PrtryAcct is not an account number",
       "<CdtrAcct><Id><Othr><Id>12345</Id></Othr></Id></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"end tags inside PrtryAcct keep the scanner in the account",
       "<CdtrAcct><Id><PrtryAcct><Id>1</Id><Tp>x</Tp></PrtryAcct><IBAN>" + kIbanDe +
           "</IBAN></Id></CdtrAcct>",
       {C(kIbanDe, "1", "", "", "DE")}},
      {"ClrSysMmbId with ClrSysId/MmbId (no Id child) gives no bank code",
       "<CdtrAgt><ClrSysMmbId><ClrSysId><Cd>USABA</Cd></ClrSysId><MmbId>021</MmbId>"
       "</ClrSysMmbId></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"Ctry of the party and of the agent, the last one read wins",
       "<CdtrAgt><Ctry>AT</Ctry></CdtrAgt><Cdtr><Ctry>IT</Ctry></Cdtr><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "IT")}},
      {"comments, declarations and processing instructions outside are skipped",
       "<?xml version=\"1.0\"?><!DOCTYPE d><!-- <CdtrAcct> --><?pi x?><CdtrAcct><IBAN>" + kIbanDe +
           "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"a comment is skipped only up to its first \">\" (deliberate, like any end tag)",
       "<!-- a > <CdtrAcct><IBAN>" + kIbanDe + "</IBAN></CdtrAcct> -->",
       {C(kIbanDe, "", "", "", "DE")}},
      {"an empty-element tag of a watched element opens nothing",
       "<CdtrAcct/><IBAN>" + kIbanDe + "</IBAN>",
       {}},
  });
}

TEST(HarvestScan, NamesAreLiteral) {
  runcases({
      {"attributes on the account",
       "<CdtrAcct a=\"1\"><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {}},
      {"namespace prefix on the account",
       "<Doc:CdtrAcct><Doc:IBAN>" + kIbanDe + "</Doc:IBAN></Doc:CdtrAcct>",
       {}},
      {"prefix on the IBAN only",
       "<CdtrAcct><Doc:IBAN>" + kIbanDe + "</Doc:IBAN></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"white space before \">\" is no part of the name",
       "<CdtrAcct\n><IBAN >" + kIbanDe + "</IBAN\t></CdtrAcct >",
       {C(kIbanDe, "", "", "", "DE")}},
      {"lower case", "<CdtrAcct><iban>" + kIbanDe + "</iban></CdtrAcct>", {C("", "", "", "", "")}},
      {"attribute with a \"/\" on the BIC",
       "<CdtrAgt><BIC xmlns=\"urn:x/y\">COBADEFF</BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"BICFI is not BIC",
       "<CdtrAgt><BICFI>COBADEFF</BICFI></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"\"Cdtr\" is not \"CdtrAcct\": the party's end tag does not record",
       "<Cdtr><IBAN>" + kIbanDe + "</IBAN></Cdtr>",
       {}},
      {"an empty end tag \"</>\" matches nothing, not the name read before it",
       "<CdtrAcct></><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"an empty tag \"<>\" matches nothing",
       "<CdtrAcct><><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
  });
}

TEST(HarvestScan, CountryFromShortAndLongTexts) {
  runcases({
      {"three-letter Ctry keeps its first two",
       "<Cdtr><Ctry>AUT</Ctry></Cdtr><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "AU")}},
      {"one-letter Ctry",
       "<Cdtr><Ctry>A</Ctry></Cdtr><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "A")}},
      {"empty Ctry empties land",
       "<CdtrAgt><BIC>COBADEFF</BIC></CdtrAgt><Cdtr><Ctry></Ctry></Cdtr><CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFF", "", "")}},
      {"a one-character IBAN gives land that character",
       "<Cdtr><Ctry>AT</Ctry></Cdtr><CdtrAcct><IBAN>D</IBAN></CdtrAcct>",
       {C("D", "", "", "", "D")}},
      {"an empty IBAN empties land",
       "<Cdtr><Ctry>AT</Ctry></Cdtr><CdtrAcct><IBAN></IBAN></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"a five-character BIC gives its fifth",
       "<CdtrAgt><BIC>COBAD</BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBAD", "", "D")}},
      {"a four-character BIC empties land",
       "<Cdtr><Ctry>AT</Ctry></Cdtr><CdtrAgt><BIC>COBA</BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBA", "", "")}},
  });
}

TEST(HarvestScan, OverlongTextsAndNames) {
  const std::string x70(70, 'X'), x59(59, 'X');
  const std::string longname(2000, 'n');
  runcases({
      {"an IBAN text keeps the 59 characters its field holds",
       "<CdtrAcct><IBAN>" + x70 + "</IBAN></CdtrAcct>",
       {C(x59, "", "", "", "XX")}},
      {"as does an account number",
       "<CdtrAcct><PrtryAcct><Id>" + x70 + "</Id></PrtryAcct></CdtrAcct>",
       {C("", x59, "", "", "")}},
      {"and a bank code",
       "<CdtrAgt><PrtryId><Id>" + x70 + "</Id></PrtryId></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", x59, "")}},
      {"an overlong tag name matches nothing and the scanner goes on",
       "<" + longname + "><CdtrAcct><" + longname + "><IBAN>" + kIbanDe + "</IBAN></" + longname +
           "></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"a watched name followed by an overlong tail is not the watched name",
       "<CdtrAcct" + longname + "><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {}},
  });
}

TEST(HarvestScan, PassesAndRecordPoints) {
  const std::string dbtr =
      "<Dbtr><PstlAdr><Ctry>AT</Ctry></PstlAdr></Dbtr>"
      "<DbtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id></DbtrAcct>"
      "<DbtrAgt><FinInstnId><BIC>EXMPATWWXXX</BIC></FinInstnId></DbtrAgt>";
  const std::string tx1 =
      "<CdtTrfTxInf><CdtrAgt><BIC>EXMPDEFFXXX</BIC></CdtrAgt><Cdtr><Nm>A</Nm></Cdtr>"
      "<CdtrAcct><Id><IBAN>" +
      kIbanDe + "</IBAN></Id></CdtrAcct></CdtTrfTxInf>";
  const std::string tx2 =
      "<CdtTrfTxInf><CdtrAgt><ClrSysMmbId><Id>00762</Id></ClrSysMmbId></CdtrAgt>"
      "<Cdtr><PstlAdr><Ctry>CH</Ctry></PstlAdr></Cdtr>"
      "<CdtrAcct><Id><PrtryAcct><Id>11623852957</Id></PrtryAcct></Id></CdtrAcct></CdtTrfTxInf>";
  runcases({
      {"debtor elements before the transactions: creditor records still come first",
       "<PmtInf>" + dbtr + tx1 + tx2 + "</PmtInf>",
       {C(kIbanDe, "", "EXMPDEFFXXX", "", "DE"), C("", "11623852957", "", "00762", "CH"),
        D("AT611904300234573201", "", "EXMPATWWXXX", "", "AT")}},
      {"each group in document order over two payment blocks",
       "<PmtInf>" + dbtr + tx1 + "</PmtInf><PmtInf>" + dbtr + tx2 + "</PmtInf>",
       {C(kIbanDe, "", "EXMPDEFFXXX", "", "DE"), C("", "11623852957", "", "00762", "CH"),
        D("AT611904300234573201", "", "EXMPATWWXXX", "", "AT"),
        D("AT611904300234573201", "", "EXMPATWWXXX", "", "AT")}},
      {"land carries to the next record of a pass; each pass starts with it empty",
       "<Cdtr><Ctry>FR</Ctry></Cdtr><CdtrAcct></CdtrAcct><CdtrAcct></CdtrAcct>"
       "<DbtrAgt></DbtrAgt>",
       {C("", "", "", "", "FR"), C("", "", "", "", "FR"), D("", "", "", "", "")}},
      {"values read after a record point go to the next record",
       "<CdtrAcct><IBAN>" + kIbanDe +
           "</IBAN></CdtrAcct><CdtrAgt><BIC>COBADEFF</BIC></CdtrAgt>"
           "<CdtrAcct></CdtrAcct><CdtrAgt><BIC>ABNANL2A</BIC></CdtrAgt>",
       {C(kIbanDe, "", "", "", "DE"), C("", "", "COBADEFF", "", "DE")}},
      {"the debtor pass records at the agent's end tag, not the account's",
       "<DbtrAgt><BIC>EXMPATWW</BIC></DbtrAgt><DbtrAcct><IBAN>AT611904300234573201</IBAN></"
       "DbtrAcct>",
       {D("", "", "EXMPATWW", "", "AT")}},
  });
}

TEST(HarvestScan, PairsKeepTheirValues) {
  runcases({
      {"a cheque's agent does not reach the next transaction's record; land does",
       "<CdtTrfTxInf><CdtrAgt><BIC>COBADEFFXXX</BIC></CdtrAgt></CdtTrfTxInf>"
       "<CdtTrfTxInf><CdtrAcct><PrtryAcct><Id>1</Id></PrtryAcct></CdtrAcct></CdtTrfTxInf>",
       {C("", "1", "", "", "DE")}},
      {"nor does one before a transaction's start tag",
       "<CdtrAgt><BIC>COBADEFFXXX</BIC></CdtrAgt><CdtTrfTxInf >"
       "<CdtrAcct></CdtrAcct></CdtTrfTxInf>",
       {C("", "", "", "", "DE")}},
      {"a payment block without its agent gives its account to no other block",
       "<PmtInf><DbtrAcct><IBAN>" + kIbanDe + "</IBAN></DbtrAcct></PmtInf>"
       "<PmtInf><DbtrAgt><BIC>EXMPATWW</BIC></DbtrAgt></PmtInf\n>",
       {D("", "", "EXMPATWW", "", "AT")}},
      {"without transactions around them, values go to the next record as before",
       "<CdtrAgt><BIC>COBADEFFXXX</BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFFXXX", "", "DE")}},
      {"markup inside a watched element is skipped whole",
       "<CdtrAcct><!-- </CdtrAcct> --><?x </CdtrAcct>?><![CDATA[</CdtrAcct>]]><!DOCTYPE x>"
       "<IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"a line break inside a text becomes a blank",
       "<CdtrAcct><PrtryAcct><Id> 12\r\n34 </Id></PrtryAcct></CdtrAcct>",
       {C("", "12  34", "", "", "")}},
  });
}

TEST(HarvestScan, DebtorPassStartsWhereTheCreditorPassEnded) {
  struct Case {
    const char* why;
    std::string xml;
    HarvestState after;  // state at the end of the creditor pass
    std::vector<Rec> want;
  };
  const Case cases[] = {
      {"a file ending inside a tag: the debtor pass goes on gathering that tag's name",
       "Agt><BIC>COBADEFFXXX</BIC></DbtrAgt><CdtrAcct><IBAN>" + kIbanDe + "</IBAN></CdtrAcct><Dbtr",
       HarvestState::InTag,
       {C(kIbanDe, "", "", "", "DE"), D("", "", "COBADEFFXXX", "", "DE")}},
      {"a file ending inside a captured text: the debtor pass captures its first bytes",
       "NL02ABNA0123456789</IBAN></DbtrAcct><DbtrAgt><BIC>ABNANL2A</BIC></DbtrAgt>"
       "<CdtrAcct><IBAN>",
       HarvestState::InIbanText,
       {D("NL02ABNA0123456789", "", "ABNANL2A", "", "NL")}},
      {"a file ending inside a comment", "<!-- x", HarvestState::SkippingTag, {}},
      {"a complete file ends outside",
       "<CdtrAcct></CdtrAcct>",
       HarvestState::Outside,
       {C("", "", "", "", "")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    HarvestScan s;
    NoRecords cap;
    harveststart(s);
    harvesttext(s, kCreditorHarvest, c.xml.data(), c.xml.size(), cap);
    EXPECT_EQ(s.state(), c.after);
    HarvestScan fresh;
    EXPECT_EQ(harvestrecs(c.xml, fresh), c.want);
  }
}

// Arbitrary bytes, NULs included, must never write outside the fields or the name.
TEST(HarvestScan, SurvivesArbitraryBytes) {
  std::string junk;
  unsigned x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    static const char pick[] = "<>/!?CdtrAcctAgtDbtrIBANBICIdCtryPrtryAcctClrSysMmbId\0x";
    junk += pick[(x >> 16) % (sizeof pick)];
  }
  HarvestScan s;
  std::vector<Rec> recs = harvestrecs(junk, s);
  for (const Rec& r : recs) {
    EXPECT_LT(r.iban.size(), 60u);
    EXPECT_LE(r.land.size(), 2u);
  }
}

}  // namespace
