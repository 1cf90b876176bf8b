// Runs: where a scanner takes a run of bytes whole, it must do exactly what stepping them one
// at a time does. Held against byte-by-byte stepping from every state, on random texts made
// mostly of the bytes the tables react to, cut at random places.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "iso20022/harvestscan.h"
#include "iso20022/rewritescan.h"
#include "support/scanrun.h"

namespace {

using S = HarvestState;
using X = XmlState;

// Every state of the machine and of the lexer, by number: a state added later is tested too.
std::vector<S> allstates() {
  std::vector<S> v;
  for (int i = 0; i < kHarvestStates; ++i) v.push_back(static_cast<S>(i));
  return v;
}
std::vector<X> alllexstates() {
  std::vector<X> v;
  for (int i = 0; i < kXmlStates; ++i) v.push_back(static_cast<X>(i));
  return v;
}
const std::vector<S> kStates = allstates();
const std::vector<X> kLexStates = alllexstates();

std::string randomtext(std::mt19937& rng, std::size_t n) {
  static const std::string pieces[] = {"<",
                                       ">",
                                       "/",
                                       "!",
                                       "?",
                                       "-",
                                       "[",
                                       "]",
                                       " ",
                                       "\n",
                                       "\r",
                                       "\t",
                                       "\"",
                                       "'",
                                       "x",
                                       "Id",
                                       "IBAN",
                                       "BIC",
                                       "Ctry",
                                       "CdtrAcct",
                                       "CdtrAgt",
                                       "Cdtr",
                                       "PrtryAcct",
                                       "ClrSysMmbId",
                                       "PrtryId",
                                       "FinInstnId",
                                       "CdtTrfTxInf",
                                       "DbtrAgt",
                                       "PmtInf",
                                       "-->",
                                       "]]>",
                                       "?>",
                                       "DE89 3704",
                                       "Doc:",
                                       "BICFI",
                                       "Othr",
                                       "MmbId",
                                       "<![CDATA[",
                                       "<!--",
                                       "=\"a>b\"",
                                       std::string(70, 'z'),
                                       "Doc:Document",
                                       std::string(17, 'y') + ":" + std::string(20, 'w'),
                                       std::string(520, 'n')};
  std::string t;
  while (t.size() < n) t += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
  return t;
}

// Records, as the harvest hands them over.
class Collect final : public HarvestSink {
 public:
  std::vector<std::string> got;
  void record(HarvestFields& f) override {
    got.push_back(std::string(f.iban) + "|" + f.konto + "|" + f.bic + "|" + f.blz + "|" + f.land);
  }
};

std::string stateof(const HarvestScan& s) {
  return std::to_string(static_cast<int>(s.x.state)) + "|" + std::string(s.x.name.qname()) + "|" +
         std::string(s.x.name.local()) + "|" +
         std::to_string(s.x.matched) + "|" + std::to_string(static_cast<int>(s.state)) + "|" +
         std::to_string(s.pos) + "|" + std::to_string(s.depth) + "|" + s.f.iban + "|" + s.f.konto +
         "|" + s.f.bic + "|" + s.f.blz + "|" + s.f.land + "|" + std::to_string(s.quoted);
}

TEST(ScannerRuns, HarvestTakesRunsAsStepsWouldFromEveryState) {
  std::mt19937 rng(7);
  for (X lex : kLexStates) {
    for (int trial = 0; trial < 60; ++trial) {
      HarvestScan start;
      start.x.state = lex;
      start.state = kStates[rng() % kStates.size()];
      start.x.matched = static_cast<unsigned char>(rng() % 3);
      for (unsigned k = rng() % 4; k > 0; --k) start.x.name.add("Cdtr"[rng() % 4]);
      const std::string text = randomtext(rng, 1 + rng() % 1500);
      SCOPED_TRACE(std::to_string(static_cast<int>(lex)) + "/" +
                   std::to_string(static_cast<int>(start.state)) + ": " + text);
      for (const HarvestSide* side : {&kCreditorHarvest, &kDebtorHarvest}) {
        HarvestScan bytes = start, runs = start;
        Collect a, b;
        for (char c : text) harvestbyte(bytes, *side, c, a);
        // Cut into random blocks, as reads cut a file: mostly small ones, so that tags are
        // cut, and some that hold whole tags of every length.
        const std::size_t block = trial % 3 == 0 ? 1200 : 40;
        for (std::size_t i = 0; i < text.size();) {
          std::size_t k = 1 + rng() % block;
          if (k > text.size() - i) k = text.size() - i;
          harvesttext(runs, *side, text.data() + i, k, b);
          i += k;
        }
        ASSERT_EQ(stateof(runs), stateof(bytes));
        ASSERT_TRUE(runs == bytes);
        ASSERT_EQ(b.got, a.got);
      }
    }
  }
}

// Plain tags read whole: prefixes before and behind the sixteenth byte, names of every length
// up to past the name buffer, each text in one block and byte by byte.
TEST(ScannerRuns, PlainTagsReadWholeAsStepsWould) {
  const std::string pay =
      "<Doc:CdtTrfTxInf><Doc:CdtrAcct><Doc:Id><Doc:IBAN>DE89370400440532013000</Doc:IBAN>"
      "</Doc:Id></Doc:CdtrAcct></Doc:CdtTrfTxInf>";
  const std::string texts[] = {
      pay,
      "<a:b:CdtTrfTxInf><x:CdtrAcct><Id><IBAN>DE89370400440532013000</IBAN></Id></CdtrAcct>",
      "<" + std::string(20, 'p') + ":CdtTrfTxInf><CdtrAcct><" + std::string(30, 'q') +
          ":Id><IBAN>X</IBAN></Id></" + std::string(30, 'q') + ":CdtrAcct>",
      "<" + std::string(16, 'p') + ":CdtrAcct><IBAN>Y</IBAN></CdtrAcct>",
      "<" + std::string(15, 'p') + ":CdtrAcct><IBAN>Y</IBAN></" + std::string(15, 'p') +
          ":CdtrAcct>",
      "<CdtrAcct><IBAN>Z</IBAN></" + std::string(520, 'n') + "><" + std::string(498, 'm') +
          ":IBAN>W</IBAN></CdtrAcct>",
      "<Doc:>x</:>< a><a/><a b='>'><Doc:IBAN>",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    HarvestScan bytes, whole;
    Collect a, b;
    for (char c : text) harvestbyte(bytes, kCreditorHarvest, c, a);
    harvesttext(whole, kCreditorHarvest, text.data(), text.size(), b);
    ASSERT_EQ(stateof(whole), stateof(bytes));
    ASSERT_EQ(b.got, a.got);
  }
  // The prefixed transaction gives its record.
  HarvestScan s;
  Collect c;
  harvesttext(s, kCreditorHarvest, pay.data(), pay.size(), c);
  ASSERT_EQ(c.got.size(), 1u);
  EXPECT_EQ(c.got[0], "DE89370400440532013000||||DE");
}

class Lines final : public LineSource {
 public:
  std::size_t next(char* buf, std::size_t cap) override {
    const std::string l =
        resultline("0", "DE", "37040044", "0532013000", "DE89370400440532013000", "COBADEFFXXX");
    const std::size_t n = std::min(cap - 1, l.size());
    l.copy(buf, n);
    buf[n] = '\0';
    return n;
  }
};

std::string stateof(const RewriteScan& s) {
  return stateof(s.track) + "#" + std::to_string(s.stretch) + "|" + std::to_string(s.taken) + "|" +
         std::to_string(s.holding) + "|" + std::to_string(s.helddepth) + "|" +
         std::string(s.idbuf, s.idlen) + "|" + std::to_string(s.spilled) + "|" +
         std::to_string(s.pending);
}

// Every stretch ends at a record point, so every replacement point takes a line.
Stretches allrecorded() {
  Stretches st;
  for (int i = 0; i < 1000; ++i) st.note(kRecordPoint);
  return st;
}

TEST(ScannerRuns, RewriteTakesRunsAsStepsWouldFromEveryState) {
  std::mt19937 rng(11);
  const Stretches stretches = allrecorded();
  const PaymentVersion version = painversion("");
  for (bool holding : {false, true}) {
    for (X lex : {X::Text, X::StartName, X::Attrs, X::EndName, X::Comment, X::CData}) {
      for (int trial = 0; trial < 40; ++trial) {
        const std::string text = randomtext(rng, 1 + rng() % 600);
        SCOPED_TRACE(std::to_string(holding) + "/" + std::to_string(static_cast<int>(lex)) + ": " +
                     text);
        RewriteScan start;
        start.holding = holding;
        start.held = rng() % 2 ? HarvestGroup::Account : HarvestGroup::Agent;
        start.track.state = start.held == HarvestGroup::Account ? S::InAccount : S::InAgent;
        start.track.depth = 2;
        start.helddepth = 2;
        start.idlen = rng() % 2 ? 0 : kHoldSize - 1 - rng() % 30;  // near spilling, or not
        std::fill(start.idbuf, start.idbuf + start.idlen, 'h');
        start.idbuf[start.idlen] = '\0';
        start.track.x.state = lex;
        std::string outbytes, outruns;
        ScanResult rb = ScanResult::Ok, rr = ScanResult::Ok;
        RewriteScan bytes = start, runs = start;
        HarvestScan laterbytes, laterruns;
        {
          StringSink sink;
          Lines lines;
          RewriteNotice notice;
          HarvestFollower later{kDebtorHarvest, {}, {}};
          const RewritePass p = {kCreditorRewrite, formsfor(5), *version.row, sink, lines,
                                 stretches,        &later,      notice};
          for (char c : text) {
            rb = rewritebyte(bytes, p, c);
            if (rb != ScanResult::Ok) break;
          }
          sink.flush();
          outbytes = sink.text;
          laterbytes = later.scan;
        }
        {
          StringSink sink;
          Lines lines;
          RewriteNotice notice;
          HarvestFollower later{kDebtorHarvest, {}, {}};
          const RewritePass p = {kCreditorRewrite, formsfor(5), *version.row, sink, lines,
                                 stretches,        &later,      notice};
          for (std::size_t i = 0; i < text.size() && rr == ScanResult::Ok;) {
            std::size_t k = 1 + rng() % (trial % 3 == 0 ? 1200 : 60);
            if (k > text.size() - i) k = text.size() - i;
            rr = rewritetext(runs, p, text.data() + i, k);
            i += k;
          }
          sink.flush();
          outruns = sink.text;
          laterruns = later.scan;
        }
        ASSERT_EQ(rr, rb);
        if (rb != ScanResult::Ok) continue;  // stopped at different bytes of the last block
        ASSERT_EQ(stateof(runs), stateof(bytes));
        ASSERT_EQ(outruns, outbytes);
        // The later pass's scanner has followed alike.
        ASSERT_TRUE(samecourse(laterruns, laterbytes));
      }
    }
  }
}

}  // namespace
