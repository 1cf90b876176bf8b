#include "iso20022/harvestscan.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/scanrun.h"

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
      {"an Id outside PrtryAcct and Othr is not an account number",
       "<CdtrAcct><Prxy><Id>12345</Id></Prxy></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"end tags inside PrtryAcct keep the scanner in the account",
       "<CdtrAcct><Id><PrtryAcct><Id>1</Id><Tp>x</Tp></PrtryAcct><IBAN>" + kIbanDe +
           "</IBAN></Id></CdtrAcct>",
       {C(kIbanDe, "1", "", "", "DE")}},
      {"a clearing system's code is no bank code",
       "<CdtrAgt><ClrSysMmbId><ClrSysId><Cd>USABA</Cd></ClrSysId></ClrSysMmbId><Othr>"
       "<SchmeNm><Cd>x</Cd></SchmeNm></Othr></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "")}},
      {"Ctry of the party and of the agent, the last one read wins",
       "<CdtrAgt><Ctry>AT</Ctry></CdtrAgt><Cdtr><Ctry>IT</Ctry></Cdtr><CdtrAcct></CdtrAcct>",
       {C("", "", "", "", "IT")}},
      {"comments, declarations and processing instructions outside are skipped",
       "<?xml version=\"1.0\"?><!DOCTYPE d><!-- <CdtrAcct> --><?pi x?><CdtrAcct><IBAN>" + kIbanDe +
           "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"a comment is skipped whole, whatever it holds",
       "<!-- a > <CdtrAcct><IBAN>" + kIbanDe + "</IBAN></CdtrAcct> -->",
       {}},
      {"so are a processing instruction and a CDATA section between pairs",
       "<?pi > <CdtrAcct></CdtrAcct> ?><![CDATA[ > <CdtrAcct></CdtrAcct> ]]>",
       {}},
      {"\"<!-->\" does not end the comment it opens", "<!--><CdtrAcct></CdtrAcct>-->", {}},
      {"an empty-element tag of a watched element opens nothing",
       "<CdtrAcct/><IBAN>" + kIbanDe + "</IBAN>",
       {}},
  });
}

TEST(HarvestScan, ElementsAreKnownByTheirLocalNames) {
  runcases({
      {"attributes on the account",
       "<CdtrAcct a=\"1\"><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"namespace prefix on every element",
       "<Doc:CdtrAcct><Doc:IBAN>" + kIbanDe + "</Doc:IBAN></Doc:CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"prefix on the IBAN only",
       "<CdtrAcct><Doc:IBAN>" + kIbanDe + "</Doc:IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"white space before \">\" is no part of the name",
       "<CdtrAcct\n><IBAN >" + kIbanDe + "</IBAN\t></CdtrAcct >",
       {C(kIbanDe, "", "", "", "DE")}},
      {"lower case", "<CdtrAcct><iban>" + kIbanDe + "</iban></CdtrAcct>", {C("", "", "", "", "")}},
      {"a namespace declared on the BIC, with a \"/\" in it",
       "<CdtrAgt><BIC xmlns=\"urn:x/y\">COBADEFF</BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFF", "", "DE")}},
      {"a \">\" in an attribute value does not end the tag",
       "<CdtrAcct n='a>b' m=\"<IBAN>X</IBAN>\"><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"\"Cdtr\" is not \"CdtrAcct\": the party's end tag does not record",
       "<Cdtr><IBAN>" + kIbanDe + "</IBAN></Cdtr>",
       {}},
      {"an empty end tag \"</>\" matches nothing, not the name read before it",
       "<CdtrAcct></><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"an empty tag \"<>\" matches nothing",
       "<CdtrAcct><><IBAN>" + kIbanDe + "</IBAN></CdtrAcct>",
       {C(kIbanDe, "", "", "", "DE")}},
      {"a prefix alone is no name",
       "<CdtrAcct><IBAN:>" + kIbanDe + "</IBAN:></CdtrAcct>",
       {C("", "", "", "", "")}},
  });
}

// The spellings of every version read into the same fields.
TEST(HarvestScan, SpellingsOfEveryVersion) {
  runcases({
      {"BICFI (from 2013) like BIC",
       "<CdtrAgt><FinInstnId><BICFI>COBADEFFXXX</BICFI></FinInstnId></CdtrAgt><CdtrAcct/>"
       "<CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFFXXX", "", "DE")}},
      {"a clearing member's MmbId (from 2009) like its Id, after its clearing system",
       "<CdtrAgt><FinInstnId><ClrSysMmbId><ClrSysId><Cd>DEBLZ</Cd></ClrSysId>"
       "<MmbId>37040044</MmbId></ClrSysMmbId></FinInstnId></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "37040044", "")}},
      {"a proprietary clearing system before MmbId",
       "<CdtrAgt><ClrSysMmbId><ClrSysId><Prtry>X</Prtry></ClrSysId><MmbId>021</MmbId>"
       "</ClrSysMmbId></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "021", "")}},
      {"an agent's Othr/Id (from 2009) like PrtryId/Id",
       "<CdtrAgt><FinInstnId><Othr><Id>37040044</Id><Issr>x</Issr></Othr></FinInstnId>"
       "</CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "", "37040044", "")}},
      {"an account's Othr/Id (from 2009) like PrtryAcct/Id, its scheme aside",
       "<CdtrAcct><Id><Othr><Id>01-39139-1</Id><SchmeNm><Cd>BBAN</Cd></SchmeNm></Othr></Id>"
       "</CdtrAcct>",
       {C("", "01-39139-1", "", "", "")}},
      {"the 2009 combined sequence gives bank code and country",
       "<CdtrAgt><FinInstnId><ClrSysMmbId><ClrSysId><Cd>ATBLZ</Cd></ClrSysId><MmbId>19043"
       "</MmbId></ClrSysMmbId><PstlAdr><Ctry>AT</Ctry></PstlAdr><Othr><Id>19043</Id></Othr>"
       "</FinInstnId></CdtrAgt><CdtrAcct><Id><Othr><Id>00234573201</Id></Othr></Id></CdtrAcct>",
       {C("", "00234573201", "", "19043", "AT")}},
  });
}

// A CDATA section is text; comments and processing instructions inside a text are no part of
// it, and nothing in any of them is read as a tag.
TEST(HarvestScan, MarkupInsideTexts) {
  runcases({
      {"an IBAN in a CDATA section, blanks and all",
       "<CdtrAcct><IBAN><![CDATA[DE89 3704 0044 0532 0130 00]]></IBAN></CdtrAcct>",
       {C("DE89 3704 0044 0532 0130 00", "", "", "", "DE")}},
      {"text and CDATA together, a lone \"]\" and \"]]\" in it",
       "<CdtrAgt><BIC>CO<![CDATA[BA]DE]]]]><![CDATA[FF]]></BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBA]DE]]FF", "", "]D")}},
      {"tags inside CDATA are text",
       "<CdtrAcct><PrtryAcct><Id><![CDATA[1</Id></CdtrAcct><x>]]>2</Id></PrtryAcct></CdtrAcct>",
       {C("", "1</Id></CdtrAcct><x>2", "", "", "")}},
      {"a comment and a PI inside a text are left out of it",
       "<CdtrAcct><IBAN>DE89<!-- </IBAN></CdtrAcct> -->3704<?x </CdtrAcct>?>0044</IBAN>"
       "</CdtrAcct>",
       {C("DE8937040044", "", "", "", "DE")}},
      {"a double quote in a captured text leaves its field empty",
       "<CdtrAgt><BIC>COBA\"DEFF</BIC></CdtrAgt><Cdtr><Ctry>A\"</Ctry></Cdtr>"
       "<CdtrAcct><Othr><Id>1\"2</Id></Othr></CdtrAcct>",
       {C("", "", "", "", "")}},
  });
  HarvestScan s;
  harvestrecs("<CdtrAcct><IBAN>\"X</IBAN></CdtrAcct><DbtrAgt><BIC>\"</BIC></DbtrAgt>", s);
  EXPECT_EQ(s.quoted, 2u);
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
       "<PmtInf><DbtrAcct><IBAN>" + kIbanDe +
           "</IBAN></DbtrAcct></PmtInf>"
           "<PmtInf><DbtrAgt><BIC>EXMPATWW</BIC></DbtrAgt></PmtInf\n>",
       {D("", "", "EXMPATWW", "", "AT")}},
      {"without transactions around them, values go to the next record as before",
       "<CdtrAgt><BIC>COBADEFFXXX</BIC></CdtrAgt><CdtrAcct></CdtrAcct>",
       {C("", "", "COBADEFFXXX", "", "DE")}},
      {"markup inside a watched element is skipped whole",
       "<CdtrAcct><!-- </CdtrAcct> --><?x </CdtrAcct>?><![CDATA[</CdtrAcct>]]><!DOCTYPE x>"
       "<IBAN>" +
           kIbanDe + "</IBAN></CdtrAcct>",
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
    XmlState lex;        // where the lexer is at the end of the creditor pass
    HarvestState after;  // and the scanner
    std::vector<Rec> want;
  };
  const Case cases[] = {
      {"a file ending inside a tag: the debtor pass goes on gathering that tag's name",
       "Agt><BIC>COBADEFFXXX</BIC></DbtrAgt><CdtrAcct><IBAN>" + kIbanDe + "</IBAN></CdtrAcct><Dbtr",
       XmlState::StartName,
       HarvestState::Outside,
       {C(kIbanDe, "", "", "", "DE"), D("", "", "COBADEFFXXX", "", "DE")}},
      {"a file ending inside a captured text: the debtor pass captures its first bytes",
       "NL02ABNA0123456789</IBAN></DbtrAcct><DbtrAgt><BIC>ABNANL2A</BIC></DbtrAgt>"
       "<CdtrAcct><IBAN>",
       XmlState::Text,
       HarvestState::InIbanText,
       {D("NL02ABNA0123456789", "", "ABNANL2A", "", "NL")}},
      {"a file ending inside a comment: the debtor pass skips to its end",
       "--><DbtrAgt></DbtrAgt><!-- x",
       XmlState::Comment,
       HarvestState::Outside,
       {D("", "", "", "", "")}},
      {"a complete file ends outside",
       "<CdtrAcct></CdtrAcct>",
       XmlState::Text,
       HarvestState::Outside,
       {C("", "", "", "", "")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    HarvestScan s;
    NoRecords cap;
    harveststart(s);
    harvesttext(s, kCreditorHarvest, c.xml.data(), c.xml.size(), cap);
    EXPECT_EQ(s.x.state, c.lex);
    EXPECT_EQ(s.state, c.after);
    HarvestScan fresh;
    EXPECT_EQ(harvestrecs(c.xml, fresh), c.want);
  }
}

// Arbitrary bytes, NULs included, must never write outside the fields or the name.
// Whatever the bytes, a captured text can stand in a quoted data-file field on one line: no
// double quote, no line break, no white space around it, no more than its field holds, and a
// country of at most two characters. Junk of markup, names, quotes and white space, in which
// the watched elements and their texts keep turning up.
TEST(HarvestScan, TextsFromAnyBytesFitTheirDataFileFields) {
  static const char* const pick[] = {
      "<CdtTrfTxInf>", "</CdtTrfTxInf>", "<CdtrAcct>", "</CdtrAcct>", "<CdtrAgt>", "</CdtrAgt>",
      "<Cdtr>", "</Cdtr>", "<PmtInf>", "</PmtInf>", "<DbtrAcct>", "</DbtrAcct>", "<DbtrAgt>",
      "</DbtrAgt>", "<Id>", "</Id>", "<IBAN>", "</IBAN>", "<BIC>", "</BIC>", "<Ctry>", "</Ctry>",
      "<PrtryAcct>", "<ClrSysMmbId>", "<", ">", "/", "\"", "'", " ", "\r\n", "\t", "x", "DE89 ",
      "DE\r\n89", "1\t2",
      "<![CDATA[", "]]>", "<!--", "-->", "<a b=\"", "?>"};
  unsigned x = 12345;
  std::string junk;
  while (junk.size() < 200000) {
    x = x * 1103515245u + 12345u;
    junk += pick[(x >> 16) % (sizeof pick / sizeof pick[0])];
  }
  HarvestScan s;
  const std::vector<Rec> recs = harvestrecs(junk, s);
  ASSERT_GT(recs.size(), 20u) << "the junk reaches record points";
  std::size_t withtext = 0;
  for (const Rec& r : recs) {
    for (const std::string* f : {&r.iban, &r.konto, &r.bic, &r.blz, &r.land}) {
      SCOPED_TRACE(*f);
      EXPECT_LT(f->size(), static_cast<std::size_t>(kFieldSize));
      EXPECT_EQ(f->find_first_of("\"\r\n"), std::string::npos);
      if (!f->empty()) {
        EXPECT_NE(f->front(), ' ');
        EXPECT_NE(f->back(), ' ');
        EXPECT_NE(f->front(), '\t');
        EXPECT_NE(f->back(), '\t');
        ++withtext;
      }
    }
    EXPECT_LE(r.land.size(), 2u);
  }
  EXPECT_GT(withtext, 20u) << "texts were captured at all";
}

}  // namespace
