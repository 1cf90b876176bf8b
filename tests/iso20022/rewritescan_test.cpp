#include "iso20022/rewritescan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/scanrun.h"

namespace {

/// A result line as the batch writes it.
std::string line(const char* snr, const char* land, const char* blz, const char* konto,
                 const char* iban, const char* bic) {
  return resultline(snr, land, blz, konto, iban, bic);
}

RewriteRun both(const std::string& xml, const std::vector<std::string>& lines, int m) {
  return rewritescan(xml, lines, m);
}

std::string replaceall(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

TEST(RewriteMode, ReadsLikeAtoiForAnyLength) {
  struct Case {
    const char* why;
    const char* text;
    bool run;
    int m;
  } const cases[] = {
      {"plain", "5", true, 5},
      {"leading blanks and a plus", " \t+15", true, 15},
      {"trailing junk ends the number", "23abc", true, 23},
      {"hundreds do not count", "105", true, 5},
      {"a multiple of 100 runs and replaces nothing", "100", true, 0},
      {"zero", "0", false, 0},
      {"zeros only", "0000", false, 0},
      {"negative", "-3", false, 0},
      {"negative zero", "-0", false, 0},
      {"not a number", "abc", false, 0},
      {"empty", "", false, 0},
      {"blank between sign and digits", "- 5", false, 0},
      {"thirty digits act by the last two", "123456789012345678901234567816", true, 16},
      {"thirty digits, multiple of 100", "100000000000000000000000000000", true, 0},
      {"long negative number", "-123456789012345678901234567816", false, 0},
      {"leading zeros", "000000000000000000000000000000000000000004", true, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteMode ii = readmode(c.text);
    EXPECT_EQ(ii.run, c.run);
    EXPECT_EQ(ii.m, c.m);
  }
}

// A payment block with its debtor pair, one transaction with its creditor pair, each element
// identified by IBAN or BIC; @CA@, @CG@, @DA@, @DG@ mark the held contents.
const std::string kDoc =
    "<?xml version=\"1.0\"?>\r\n<Document><!-- c --><PmtInf><Dbtr><Nm>D</Nm></Dbtr>\r\n"
    "<DbtrAcct><Id>@DA@</DbtrAcct><DbtrAgt><FinInstnId>@DG@</DbtrAgt>\r\n"
    "<CdtTrfTxInf><CdtrAgt><FinInstnId>@CG@</CdtrAgt><Cdtr><Nm>C</Nm></Cdtr>\r\n"
    "<CdtrAcct><Id>@CA@</CdtrAcct></CdtTrfTxInf></PmtInf></Document>\r\n";

std::string doc(const std::string& ca, const std::string& cg, const std::string& da,
                const std::string& dg) {
  std::string s = replaceall(kDoc, "@CA@", ca);
  s = replaceall(s, "@CG@", cg);
  s = replaceall(s, "@DA@", da);
  return replaceall(s, "@DG@", dg);
}

TEST(RewriteScan, ModeFamiliesPickTheForms) {
  const std::vector<std::string> lines = {
      line("0", "AT", "19043", "00234573201", "AT611904300234573201", "BKAUATWWXXX"),
      line("0", "DE", "37040044", "0532013000", "DE89370400440532013000", "COBADEFFXXX")};
  // Per element kind: o = old content, i = IBAN, p = proprietary account, b = BIC,
  // c = combined, m = clearing member, r = proprietary identification.
  const std::string cold = "<IBAN>OLDCDTR</IBAN></Id>", gold = "<BIC>OLDCBIC</BIC></FinInstnId>";
  const std::string dold = "<IBAN>OLDDBTR</IBAN></Id>", hold = "<BIC>OLDDBIC</BIC></FinInstnId>";
  auto account = [&](char k, bool cdtr) -> std::string {
    const char* iban = cdtr ? "AT611904300234573201" : "DE89370400440532013000";
    const char* konto = cdtr ? "00234573201" : "0532013000";
    if (k == 'i') return std::string("<IBAN>") + iban + "</IBAN></Id>";
    if (k == 'p') return std::string("<PrtryAcct><Id>") + konto + "</Id></PrtryAcct></Id>";
    return cdtr ? cold : dold;
  };
  auto agent = [&](char k, bool cdtr) -> std::string {
    const std::string blz = cdtr ? "19043" : "37040044", land = cdtr ? "AT" : "DE";
    const std::string bic = cdtr ? "BKAUATWWXXX" : "COBADEFFXXX";
    if (k == 'b') return "<BIC>" + bic + "</BIC></FinInstnId>";
    if (k == 'c') {
      return "<CmbndId><ClrSysMmbId><Id>" + blz + "</Id></ClrSysMmbId><PstlAdr><Ctry>" + land +
             "</Ctry></PstlAdr><PrtryId><Id>" + blz + "</Id></PrtryId></CmbndId></FinInstnId>";
    }
    if (k == 'm') return "<ClrSysMmbId><Id>" + blz + "</Id></ClrSysMmbId></FinInstnId>";
    if (k == 'r') return "<PrtryId><Id>" + blz + "</Id></PrtryId></FinInstnId>";
    return cdtr ? gold : hold;
  };
  struct Case {
    const char* mode;
    char account, agent;
  } const cases[] = {
      {"1", 'i', 'o'},   {"2", 'p', 'o'},   {"3", 'o', 'b'},
      {"4", 'o', 'c'},   {"5", 'i', 'b'},   {"6", 'p', 'c'},
      {"11", 'i', 'o'},  {"12", 'p', 'o'},  {"13", 'o', 'b'},
      {"14", 'o', 'm'},  {"15", 'i', 'b'},  {"16", 'p', 'm'},
      {"21", 'i', 'o'},  {"22", 'p', 'o'},  {"23", 'o', 'b'},
      {"24", 'o', 'r'},  {"25", 'i', 'b'},  {"26", 'p', 'r'},
      {"7", 'o', 'o'},   {"10", 'o', 'o'},  {"17", 'o', 'o'},
      {"20", 'o', 'o'},  {"27", 'o', 'o'},  {"31", 'o', 'o'},
      {"35", 'o', 'o'},  {"96", 'o', 'o'},  {"100", 'o', 'o'},
      {"105", 'i', 'b'}, {"226", 'p', 'r'}, {"99999999999999999999913", 'o', 'b'},
  };
  const std::string in = doc(cold, gold, dold, hold);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("mode ") + c.mode);
    RewriteMode ii = readmode(c.mode);
    ASSERT_TRUE(ii.run);
    RewriteRun o = both(in, lines, ii.m);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, 2u) << "a line is taken at every pair, whatever the mode";
    EXPECT_EQ(o.out, doc(account(c.account, true), agent(c.agent, true), account(c.account, false),
                         agent(c.agent, false)));
  }
}

// One creditor pair; the line's fields decide whether the form is written.
TEST(RewriteScan, FormsNeedTheirFieldLengths) {
  const std::string oldacct = "<Othr><Id>X</Id></Othr></Id>", oldagt = "<Nm>B</Nm></FinInstnId>";
  auto pair = [](const std::string& agt, const std::string& acct) {
    return "<CdtrAgt><FinInstnId>" + agt + "</CdtrAgt><CdtrAcct><Id>" + acct + "</CdtrAcct>";
  };
  struct Case {
    const char* why;
    int m;
    std::string line;
    std::string acct, agt;
  } const cases[] = {
      {"IBAN of 8 is none", 1, line("0", "", "", "", "AT123456", ""), oldacct, oldagt},
      {"IBAN of 9", 1, line("0", "", "", "", "AT1234567", ""), "<IBAN>AT1234567</IBAN></Id>",
       oldagt},
      {"account of 3 is none", 2, line("0", "", "", "123", "", ""), oldacct, oldagt},
      {"account of 4", 2, line("0", "", "", "1234", "", ""),
       "<PrtryAcct><Id>1234</Id></PrtryAcct></Id>", oldagt},
      {"BIC of 7 is none", 3, line("0", "", "", "", "", "ABCDEFG"), oldacct, oldagt},
      {"BIC of 8", 3, line("0", "", "", "", "", "ABCDEFGH"), oldacct,
       "<BIC>ABCDEFGH</BIC></FinInstnId>"},
      {"BIC of 11", 13, line("0", "", "", "", "", "ABCDEFGHXXX"), oldacct,
       "<BIC>ABCDEFGHXXX</BIC></FinInstnId>"},
      {"country of 1", 4, line("0", "A", "1234", "", "", ""), oldacct, oldagt},
      {"country of 3", 14, line("0", "AUT", "1234", "", "", ""), oldacct, oldagt},
      {"no country", 24, line("0", "", "1234", "", "", ""), oldacct, oldagt},
      {"bank code of 3", 4, line("0", "AT", "123", "", "", ""), oldacct, oldagt},
      {"bank code of 4, clearing member", 14, line("0", "AT", "1234", "", "", ""), oldacct,
       "<ClrSysMmbId><Id>1234</Id></ClrSysMmbId></FinInstnId>"},
      {"bank code of 4, proprietary id", 24, line("0", "AT", "1234", "", "", ""), oldacct,
       "<PrtryId><Id>1234</Id></PrtryId></FinInstnId>"},
      {"each element by its own condition", 5, line("0", "", "", "", "AT123456", "ABCDEFGH"),
       oldacct, "<BIC>ABCDEFGH</BIC></FinInstnId>"},
      {"markup in a field is written as it stands", 1, line("0", "", "", "", "AT<&/>56789", ""),
       "<IBAN>AT<&/>56789</IBAN></Id>", oldagt},
      {"record number 01 is harvested too", 1, line("01", "", "", "", "AT1234567", ""),
       "<IBAN>AT1234567</IBAN></Id>", oldagt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(pair(oldagt, oldacct), {c.line}, c.m);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, 1u);
    EXPECT_EQ(o.out, pair(c.agt, c.acct));
  }
}

TEST(RewriteScan, NestedIdIsHeldWhole) {
  const std::string l = line("0", "AT", "19043", "00234573201", "AT611904300234573201", "");
  struct Case {
    const char* why;
    int m;
    std::string in, want;
  } const cases[] = {
      {"proprietary account replaced by the IBAN", 1,
       "<CdtrAcct><Id><PrtryAcct><Id>1234</Id></PrtryAcct></Id><Ccy>EUR</Ccy></CdtrAcct>",
       "<CdtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id><Ccy>EUR</Ccy></CdtrAcct>"},
      {"other id replaced by the proprietary account", 2,
       "<CdtrAcct><Id><Othr><Id>01-39139-1</Id></Othr></Id></CdtrAcct>",
       "<CdtrAcct><Id><PrtryAcct><Id>00234573201</Id></PrtryAcct></Id></CdtrAcct>"},
      {"nested and deeper", 1,
       "<CdtrAcct><Tp><Id><Othr><Id>1</Id><Id>2</Id></Othr></Id></Tp></CdtrAcct>",
       "<CdtrAcct><Tp><Id><IBAN>AT611904300234573201</IBAN></Id></Tp></CdtrAcct>"},
      {"near misses of <Id> inside the content", 1,
       "<CdtrAcct><Id><I<Idx>a</Idx><Id>b</Id></Id></CdtrAcct>",
       "<CdtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id></CdtrAcct>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(c.in, {l}, c.m);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, 1u);
    EXPECT_EQ(o.out, c.want);
  }
}

// Elements the scanner does not recognise come out unchanged. Where the harvest still meets
// the record point (the account or agent itself is recognised), one line is taken there all
// the same, so that the lines stay in step with the harvested records.
TEST(RewriteScan, UnrecognisedElementsPassUnchanged) {
  const std::string longname(600, 'C');
  struct Case {
    const char* why;
    std::string in;
    std::size_t used = 0;
  } const cases[] = {
      {"a creditor agent without its account",
       "<CdtrAgt ><FinInstnId><BIC>X</BIC></FinInstnId></CdtrAgt>"},
      {"case differs", "<dbtragt><FinInstnId><BIC>X</BIC></FinInstnId></dbtragt>"},
      {"empty-element tag", "<CdtrAcct/><Id>X</Id>"},
      {"an empty-element Id", "<CdtrAcct><Id/></CdtrAcct>", 1},
      {"a commented-out account", "<!-- > <CdtrAcct><Id>X</Id></CdtrAcct> -->"},
      {"an account in a CDATA section", "<![CDATA[ > <CdtrAcct><Id>X</Id></CdtrAcct>]]>"},
      {"an account in a processing instruction", "<?x > <CdtrAcct><Id>X</Id></CdtrAcct>?>"},
      {"empty tag name does not repeat the last one",
       "<CdtrAgt></CdtrAgt><><FinInstnId>X</FinInstnId>"},
      {"overlong tag name", "<" + longname + "><Id>X</Id></" + longname + ">"},
      {"other account kinds", "<CdtrAgtAcct><Id><IBAN>X</IBAN></Id></CdtrAgtAcct>"},
      {"NUL and high bytes", std::string("<a>\0\xff\xfe</a>\r\n", 12)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(c.in, {line("0", "AT", "1234", "12345", "AT00123456789", "BKAUATWW")}, 5);
    EXPECT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, c.used);
    EXPECT_EQ(o.out, c.in);
  }
}

// Elements are known by their local names; a replacement takes the prefix of the element it
// replaces, on each element it writes.
TEST(RewriteScan, PrefixesAndAttributes) {
  const std::string l = line("0", "AT", "19043", "00234573201", "AT611904300234573201", "BKAUATWW");
  struct Case {
    const char* why;
    int m;
    std::string in, want;
  } const cases[] = {
      {"a prefix on every element", 5,
       "<Doc:CdtrAcct><Doc:Id><Doc:IBAN>X</Doc:IBAN></Doc:Id></Doc:CdtrAcct>",
       "<Doc:CdtrAcct><Doc:Id><Doc:IBAN>AT611904300234573201</Doc:IBAN></Doc:Id></Doc:CdtrAcct>"},
      {"the Id's own prefix counts", 2,
       "<DbtrAcct><p:Id><IBAN>X</IBAN></p:Id></DbtrAcct><DbtrAgt/>"
       "<DbtrAgt></DbtrAgt>",
       "<DbtrAcct><p:Id><p:PrtryAcct><p:Id>00234573201</p:Id></p:PrtryAcct></p:Id></DbtrAcct>"
       "<DbtrAgt/><DbtrAgt></DbtrAgt>"},
      {"attributes on the account and its Id stay", 1,
       "<CdtrAcct Ccy=\"EUR\"><Id n='a>b'><IBAN>X</IBAN></Id></CdtrAcct>",
       "<CdtrAcct Ccy=\"EUR\"><Id n='a>b'><IBAN>AT611904300234573201</IBAN></Id></CdtrAcct>"},
      {"a namespace declared on FinInstnId", 24,
       "<DbtrAgt><FinInstnId xmlns=\"u\"><BIC>X</BIC></FinInstnId></DbtrAgt>",
       "<DbtrAgt><FinInstnId xmlns=\"u\"><PrtryId><Id>19043</Id></PrtryId></FinInstnId></DbtrAgt>"},
      {"an end tag without its start tag's prefix (broken markup) still ends the element", 1,
       "<Doc:CdtrAcct><Doc:Id><IBAN>X</IBAN></Id></Doc:CdtrAcct>",
       "<Doc:CdtrAcct><Doc:Id><Doc:IBAN>AT611904300234573201</Doc:IBAN></Doc:Id></Doc:CdtrAcct>"},
      {"the end tag's blank is not kept, as before", 1,
       "<CdtrAcct><Id><IBAN>X</IBAN></Id ></CdtrAcct>",
       "<CdtrAcct><Id><IBAN>AT611904300234573201</IBAN></Id></CdtrAcct>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(c.in, {l}, c.m);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, 1u);
    EXPECT_EQ(o.out, c.want);
  }
}

// Each version writes a form in its own spelling, or leaves the element where it has no place
// for it, or where the country has no clearing-system code; the notice counts those.
TEST(RewriteScan, SpellingsOfTheFilesVersion) {
  auto file = [](const std::string& ns, const std::string& cg, const std::string& ca,
                 const std::string& dg, const std::string& da) {
    return "<Document xmlns=\"" + ns + "\"><CstmrCdtTrfInitn><PmtInf><DbtrAcct><Id>" + da +
           "</DbtrAcct><DbtrAgt><FinInstnId>" + dg +
           "</DbtrAgt><CdtTrfTxInf><CdtrAgt><FinInstnId>" + cg + "</CdtrAgt><CdtrAcct><Id>" + ca +
           "</CdtrAcct></CdtTrfTxInf></PmtInf>"
           "</CstmrCdtTrfInitn></Document>";
  };
  const std::string acct = "<IBAN>OLD</IBAN></Id>", agt = "<BIC>OLDBIC</BIC></FinInstnId>";
  const std::string iso = "urn:iso:std:iso:20022:tech:xsd:pain.001.001.";
  const std::string ch = "http://www.six-interbank-clearing.com/de/pain.001.001.03.ch.02.xsd";
  const std::string de =
      line("0", "DE", "37040044", "0532013000", "DE89370400440532013000", "COBADEFFXXX");
  const std::string li =
      line("0", "LI", "08810", "0002324013AA", "LI0508800636123378777", "BFRILI22XXX");
  const std::string othr = "<Othr><Id>0532013000</Id><SchmeNm><Cd>BBAN</Cd></SchmeNm></Othr></Id>";
  const std::string member =
      "<ClrSysMmbId><ClrSysId><Cd>DEBLZ</Cd></ClrSysId><MmbId>37040044"
      "</MmbId></ClrSysMmbId>";
  const std::string prtry = "<Othr><Id>37040044</Id></Othr>";
  const std::string fin = "</FinInstnId>";
  struct Case {
    const char* why;
    std::string ns;
    int m;
    std::string line;
    std::string cg, ca, dg, da;  // what each element holds afterwards
    struct {
      std::uint64_t noplace, nocode, inway;
    } left;
  } const cases[] = {
      {"2009: the account number as Othr with its scheme",
       iso + "03",
       2,
       de,
       agt,
       othr,
       agt,
       othr,
       {}},
      {"2009: BIC",
       iso + "03",
       3,
       de,
       "<BIC>COBADEFFXXX</BIC>" + fin,
       acct,
       "<BIC>COBADEFFXXX</BIC>" + fin,
       acct,
       {}},
      {"2009: clearing member with its clearing system",
       iso + "03",
       14,
       de,
       member + fin,
       acct,
       member + fin,
       acct,
       {}},
      {"2009: proprietary identification as Othr",
       iso + "03",
       24,
       de,
       prtry + fin,
       acct,
       prtry + fin,
       acct,
       {}},
      {"2009: the combined identification as the sequence",
       iso + "03",
       4,
       de,
       member + "<PstlAdr><Ctry>DE</Ctry></PstlAdr>" + prtry + fin,
       acct,
       member + "<PstlAdr><Ctry>DE</Ctry></PstlAdr>" + prtry + fin,
       acct,
       {}},
      {"2019: BICFI",
       iso + "09",
       5,
       de,
       "<BICFI>COBADEFFXXX</BICFI>" + fin,
       "<IBAN>DE89370400440532013000</IBAN></Id>",
       "<BICFI>COBADEFFXXX</BICFI>" + fin,
       "<IBAN>DE89370400440532013000</IBAN></Id>",
       {}},
      {"a version newer than the table's rows",
       iso + "13",
       3,
       de,
       "<BICFI>COBADEFFXXX</BICFI>" + fin,
       acct,
       "<BICFI>COBADEFFXXX</BICFI>" + fin,
       acct,
       {}},
      {"a country without clearing-system code",
       iso + "09",
       16,
       li,
       agt,
       "<Othr><Id>0002324013AA</Id><SchmeNm><Cd>BBAN</Cd></SchmeNm></Othr></Id>",
       agt,
       "<Othr><Id>0002324013AA</Id><SchmeNm><Cd>BBAN</Cd></SchmeNm></Othr></Id>",
       {0, 2, 0}},
      {"a SEPA variant has no place for the national forms",
       iso.substr(0, iso.size() - 4) + "003.03",
       6,
       de,
       agt,
       acct,
       agt,
       acct,
       {4, 0, 0}},
      {"Swiss 2009: Othr without scheme; a debtor agent is BIC or clearing member only",
       ch,
       26,
       de,
       prtry + fin,
       "<Othr><Id>0532013000</Id></Othr></Id>",
       agt,
       "<Othr><Id>0532013000</Id></Othr></Id>",
       {1, 0, 0}},
      {"Swiss 2009: the debtor's combined identification is its clearing member",
       ch,
       4,
       de,
       member + "<PstlAdr><Ctry>DE</Ctry></PstlAdr>" + prtry + fin,
       acct,
       member + fin,
       acct,
       {}},
      {"2006 as always",
       iso + "02",
       16,
       de,
       "<ClrSysMmbId><Id>37040044</Id></ClrSysMmbId>" + fin,
       "<PrtryAcct><Id>0532013000</Id></PrtryAcct></Id>",
       "<ClrSysMmbId><Id>37040044</Id></ClrSysMmbId>" + fin,
       "<PrtryAcct><Id>0532013000</Id></PrtryAcct></Id>",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(file(c.ns, agt, acct, agt, acct), {c.line, c.line}, c.m);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, 2u);
    EXPECT_EQ(o.out, file(c.ns, c.cg, c.ca, c.dg, c.da));
    EXPECT_EQ(o.notice.noplace, c.left.noplace);
    EXPECT_EQ(o.notice.nocode, c.left.nocode);
    EXPECT_EQ(o.notice.inway, 0u);
  }
}

// A replacement the debtor pass would read otherwise than the content it replaces is not
// made in the creditor pass: the pairs of the debtor pass stay where the harvest found them.
TEST(RewriteScan, CreditorReplacementsNeverMoveDebtorPairs) {
  const std::string dbtr =
      "<DbtrAcct><Id><IBAN>D1</IBAN></Id></DbtrAcct><DbtrAgt><FinInstnId>"
      "<BIC>B1</BIC></FinInstnId></DbtrAgt>";
  struct Case {
    const char* why;
    std::string iban;  // the creditor line's IBAN
    std::string held;  // the creditor account's content
    bool replaced;
  } const cases[] = {
      {"a plain replacement", "AT611904300234573201", "<IBAN>X</IBAN></Id>", true},
      {"a value that opens a debtor agent", "AT61<DbtrAgt>1904300234573201", "<IBAN>X</IBAN></Id>",
       false},
      {"a value that only opens an element", "AT61<x>1904300234573201", "<IBAN>X</IBAN></Id>",
       true},
      {"content that holds a debtor pair of its own (broken markup)", "AT611904300234573201",
       "<IBAN>X</IBAN>" + dbtr + "</Id>", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string in = "<PmtInf>" + dbtr + "<CdtTrfTxInf><CdtrAcct><Id>" + c.held +
                           "</CdtrAcct></CdtTrfTxInf></PmtInf>";
    const std::string debtor = line("0", "", "", "", "AT0000000001", "");
    const RewriteRun o = both(in, {line("0", "", "", "", c.iban.c_str(), ""), debtor, debtor}, 1);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.out.find(c.iban) != std::string::npos, c.replaced) << o.out;
    EXPECT_EQ(o.notice.inway, c.replaced ? 0u : 1u);
    EXPECT_EQ(o.debtorpoints, o.debtortaken);
  }
}

// Without transactions or payment blocks around them, the elements up to a record point (the
// end of a creditor account, of a debtor agent) share its line; elements after the last
// record point have no line and stay as they are.
TEST(RewriteScan, PendingLineServesThePair) {
  const std::vector<std::string> lines = {line("0", "", "", "", "AT0000000001", "AAAAAAA1"),
                                          line("0", "", "", "", "AT0000000002", "AAAAAAA2"),
                                          line("0", "", "", "", "AT0000000003", "AAAAAAA3")};
  auto agt = [](const char* side, const std::string& v) {
    return std::string("<") + side + "Agt><FinInstnId>" + v + "</FinInstnId></" + side + "Agt>";
  };
  auto acct = [](const char* side, const std::string& v) {
    return std::string("<") + side + "Acct><Id>" + v + "</Id></" + side + "Acct>";
  };
  auto bic = [](const char* v) { return std::string("<BIC>") + v + "</BIC>"; };
  auto iban = [](const char* v) { return std::string("<IBAN>") + v + "</IBAN>"; };
  struct Case {
    const char* why;
    std::string in, want;
    std::size_t used;
  } const cases[] = {
      {"creditor pair without account shares the next pair's line",
       agt("Cdtr", "x") + agt("Cdtr", "y") + acct("Cdtr", "z") + agt("Cdtr", "w") +
           acct("Cdtr", "v"),
       agt("Cdtr", bic("AAAAAAA1")) + agt("Cdtr", bic("AAAAAAA1")) +
           acct("Cdtr", iban("AT0000000001")) + agt("Cdtr", bic("AAAAAAA2")) +
           acct("Cdtr", iban("AT0000000002")),
       2},
      {"debtor accounts before an agent share its line; one after the last agent has none",
       acct("Dbtr", "x") + acct("Dbtr", "y") + agt("Dbtr", "z") + acct("Dbtr", "w"),
       acct("Dbtr", iban("AT0000000001")) + acct("Dbtr", iban("AT0000000001")) +
           agt("Dbtr", bic("AAAAAAA1")) + acct("Dbtr", "w"),
       1},
      {"a creditor agent after the last account takes no line; the debtor's follows",
       acct("Dbtr", "a") + agt("Dbtr", "b") + agt("Cdtr", "c"),
       acct("Dbtr", iban("AT0000000001")) + agt("Dbtr", bic("AAAAAAA1")) + agt("Cdtr", "c"), 1},
      {"creditor lines come first whatever the document order",
       acct("Dbtr", "a") + agt("Dbtr", "b") + agt("Cdtr", "c") + acct("Cdtr", "d") +
           agt("Cdtr", "e") + acct("Cdtr", "f"),
       acct("Dbtr", iban("AT0000000003")) + agt("Dbtr", bic("AAAAAAA3")) +
           agt("Cdtr", bic("AAAAAAA1")) + acct("Cdtr", iban("AT0000000001")) +
           agt("Cdtr", bic("AAAAAAA2")) + acct("Cdtr", iban("AT0000000002")),
       3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(c.in, lines, 5);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, c.used);
    EXPECT_EQ(o.out, c.want);
  }
}

TEST(RewriteScan, InternalErrorsStopWithWhatWasWritten) {
  const std::string pair =
      "<a><CdtrAgt><FinInstnId><BIC>B</BIC></FinInstnId></CdtrAgt>"
      "<CdtrAcct><Id><IBAN>I</IBAN></Id></CdtrAcct></a>";
  const std::string upto = "<a><CdtrAgt><FinInstnId>";
  const std::string harvested = line("0", "", "", "", "", "");
  struct Case {
    const char* why;
    std::string in;
    std::vector<std::string> lines;
    int m;
    ScanResult want;
    std::string out;
  } const cases[] = {
      {"no line at all", pair, {}, 5, ScanResult::NoLine, upto},
      {"no line, even where nothing is replaced", pair, {}, 7, ScanResult::NoLine, upto},
      {"debtor pass finds the lines used up",
       pair + "<DbtrAgt><FinInstnId>x</FinInstnId></DbtrAgt>",
       {harvested},
       5,
       ScanResult::NoLine,
       pair + "<DbtrAgt><FinInstnId>"},
      {"a user's record", pair, {line("1", "", "", "", "", "")}, 5, ScanResult::NotHarvested, upto},
      {"a user's record where nothing is replaced",
       pair,
       {line("7", "", "", "", "", "")},
       100,
       ScanResult::NotHarvested,
       upto},
      {"empty record number",
       pair,
       {line("", "", "", "", "", "")},
       5,
       ScanResult::NotHarvested,
       upto},
      {"blank before the 0",
       pair,
       {line(" 0", "", "", "", "", "")},
       5,
       ScanResult::NotHarvested,
       upto},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(c.in, c.lines, c.m);
    EXPECT_EQ(o.result, c.want);
    EXPECT_EQ(o.out, c.out);
  }
}

// Held content that outgrows its buffer goes out unchanged, the line is still taken and
// checked, and the following pairs keep their lines.
TEST(RewriteScan, OverlongHeldContentIsCopied) {
  const std::vector<std::string> lines = {
      line("0", "AT", "12345", "1234", "AT0000000001", "AAAAAAA1"),
      line("0", "AT", "12345", "1234", "AT0000000002", "AAAAAAA2")};
  // Account content of n bytes, the outer end tag included.
  auto acctof = [](std::size_t n) {
    return "<Othr><Id>" + std::string(n - 27, 'x') + "</Id></Othr></Id>";
  };
  auto agtof = [](std::size_t n) {
    return "<Nm>" + std::string(n - 22, 'y') + "</Nm></FinInstnId>";
  };
  auto pairs = [](const std::string& agt, const std::string& acct) {
    return "<CdtrAgt><FinInstnId>" + agt + "</CdtrAgt><CdtrAcct><Id>" + acct +
           "</CdtrAcct><CdtrAgt><FinInstnId>" + agt + "</CdtrAgt><CdtrAcct><Id>" + acct +
           "</CdtrAcct>";
  };
  const std::size_t fits = kHoldSize - 1;
  const std::string bic1 = "<BIC>AAAAAAA1</BIC></FinInstnId>",
                    bic2 = "<BIC>AAAAAAA2</BIC></FinInstnId>";
  const std::string iban1 = "<IBAN>AT0000000001</IBAN></Id>",
                    iban2 = "<IBAN>AT0000000002</IBAN></Id>";
  auto want = [](const std::string& g1, const std::string& a1, const std::string& g2,
                 const std::string& a2) {
    return "<CdtrAgt><FinInstnId>" + g1 + "</CdtrAgt><CdtrAcct><Id>" + a1 +
           "</CdtrAcct><CdtrAgt><FinInstnId>" + g2 + "</CdtrAgt><CdtrAcct><Id>" + a2 +
           "</CdtrAcct>";
  };
  struct Case {
    const char* why;
    std::string in, out;
  } const cases[] = {
      {"account content that just fits is replaced", pairs(agtof(30), acctof(fits)),
       want(bic1, iban1, bic2, iban2)},
      {"one byte more is copied", pairs(agtof(30), acctof(fits + 1)),
       want(bic1, acctof(fits + 1), bic2, acctof(fits + 1))},
      {"far longer", pairs(agtof(30), acctof(5000)), want(bic1, acctof(5000), bic2, acctof(5000))},
      {"agent content that just fits is replaced", pairs(agtof(fits), acctof(30)),
       want(bic1, iban1, bic2, iban2)},
      {"agent one byte more is copied", pairs(agtof(fits + 1), acctof(30)),
       want(agtof(fits + 1), iban1, agtof(fits + 1), iban2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RewriteRun o = both(c.in, lines, 5);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.used, 2u);
    EXPECT_EQ(o.out, c.out);
  }
  // The copied element still checks its line.
  RewriteRun o = both(pairs(agtof(30), acctof(3000)), {line("9", "", "", "", "", "")}, 5);
  EXPECT_EQ(o.result, ScanResult::NotHarvested);
}

// A file that ends inside markup starts the debtor pass there, as in the harvest: the debtor
// pass reads the file's first bytes otherwise than the creditor pass, and still meets the
// debtor record points the harvest met.
TEST(RewriteScan, FilesEndingInsideMarkup) {
  const std::string dbtr = "<DbtrAgt><FinInstnId><BIC>X</BIC></FinInstnId></DbtrAgt>";
  const std::string cdtr = "<CdtrAcct><Id><IBAN>Y</IBAN></Id></CdtrAcct>";
  struct Case {
    const char* why;
    std::string in;
    std::size_t debtor;  // debtor records
  } const cases[] = {
      {"inside a comment: the debtor pass skips the first bytes up to \"-->\"",
       "<!-- " + dbtr + " -->" + dbtr + cdtr + "<!-- x", 1},
      {"inside a start tag: the debtor pass reads the first bytes as the tag's rest",
       "Agt><FinInstnId><BIC>X</BIC></FinInstnId></DbtrAgt>" + cdtr + "<Dbtr", 1},
      {"inside an attribute value", "\">" + dbtr + cdtr + "<x a=\"", 1},
  };
  const std::string l = line("0", "AT", "19043", "00234573201", "AT611904300234573201", "BKAUATWW");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::size_t debtor = 0;
    for (const ScanRec& r : harvestscan(c.in)) debtor += r.pass == 'D';
    ASSERT_EQ(debtor, c.debtor);
    const RewriteRun o = both(c.in, {l, l, l}, 5);
    ASSERT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.creditorpoints, 1u);
    EXPECT_EQ(o.debtorpoints, c.debtor);
    EXPECT_EQ(o.debtortaken, c.debtor);
    EXPECT_TRUE(o.creditorstretches && o.debtorstretches);
  }
}

// The output ends exactly where the input ends, also inside held content.
TEST(RewriteScan, InputEndingWhileHoldingKeepsTheContent) {
  const std::string inside[] = {
      "<CdtrAcct><Id><IBAN>AT12", "<CdtrAcct><Id><Othr><Id>12",
      "<CdtrAcct><Id><Othr></I",  "<CdtrAgt><FinInstnId><BIC>ABC</BIC></FinInst",
      "<DbtrAgt><FinInstnId><",   "<DbtrAcct><Id>" + std::string(3000, 'z'),
      "<CdtrAgt><FinInstnId>",
  };
  for (const std::string& in : inside) {
    SCOPED_TRACE(in.substr(0, 40));
    RewriteRun o = both(in, {}, 5);
    EXPECT_EQ(o.result, ScanResult::Ok);
    EXPECT_EQ(o.out, in);
  }
}

}  // namespace
