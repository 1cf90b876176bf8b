#include "driver/messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/textbuf.h"
#include "iban/iban.h"

namespace {

// The closing message asks for a donation to an account it shows; its IBAN must be the one the
// tool itself builds from the bank code and account number it shows beside it.
TEST(Messages, DonationIbanIsBuiltFromTheAccountShown) {
  char land[kFieldSize] = "AT";
  char blz[kFieldSize], konto[kFieldSize], iban[kFieldSize];
  std::strcpy(blz, kDonation.blz);
  std::strcpy(konto, kDonation.konto);
  ASSERT_EQ(makeiban(land, blz, konto, iban), 0);
  EXPECT_STREQ(iban, kDonation.iban);
  EXPECT_STREQ(blz, kDonation.blz) << "the bank code is shown in its normalised form";
}

TEST(Messages, IbanInGroupsOfFour) {
  EXPECT_EQ(groupsoffour("AT601999900098765432"), "AT60 1999 9000 9876 5432");
  EXPECT_EQ(groupsoffour("DE89370400440532013000"), "DE89 3704 0044 0532 0130 00");
  EXPECT_EQ(groupsoffour(""), "");
}

// The texts are single-byte Windows-1252 with CR LF: a text typed in UTF-8 (a "\xc3\xb6" for an
// o umlaut), a byte the code page leaves undefined, or a bare LF would reach the user garbled.
// Every message the driver composes, with every reason and code, is held to that.
std::string faultin(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0x81 || c == 0x8d || c == 0x8f || c == 0x90 || c == 0x9d)
      return "byte undefined in Windows-1252 at " + std::to_string(i);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c >= 0xc2 && c <= 0xf4 && next >= 0x80 && next <= 0xbf)
      return "UTF-8 sequence at " + std::to_string(i);
    if (c == '\n' && (i == 0 || text[i - 1] != '\r')) return "LF without CR at " + std::to_string(i);
  }
  return "";
}

TEST(Messages, TextsAreWindows1252WithCrLf) {
  std::vector<std::string> texts = {legend(),
                                    usagebox(),
                                    datanotfoundbox("d.csv"),
                                    outputopenbox("d.csv.out"),
                                    outputwritebox("d.csv.out"),
                                    backupfailbox("d.csv"),
                                    datawritebox("d.csv"),
                                    databusybox("d.csv"),
                                    banktablebox("BLZ.csv", 7),
                                    closingbox("d.csv")};
  for (ArgError e : {ArgError::TooMany, ArgError::PaymentMissing, ArgError::PaymentFolder,
                     ArgError::PaymentUnreadable, ArgError::NotCreditTransfer,
                     ArgError::ModeNotNumber, ArgError::ModeNotPositive})
    texts.push_back(argerrorbox(e, "x"));
  RunNotice n;
  n.quoted = n.noplace = n.nocode = n.inway = 2;
  n.version = "pain.001.001.09";
  texts.push_back(noticelines(n));
  RunSummary s;
  s.records = 3;
  s.codes = {{"00", "IBAN berechnet", 1}, {"94", "Kontonummer falsch", 2}};
  s.harvested = s.rewritten = s.modereplacesnothing = true;
  s.creditors = s.debtors = s.bicslearnt = s.asked = s.replaced = 2;
  s.mode = "9";
  texts.push_back(summarylines(s));
  texts.push_back(closingbox("d.csv", summarylines(s)));
  // The legend names every result code with its meaning: the summary takes them from there.
  ASSERT_NE(legend().find("94"), std::string::npos);
  for (const std::string& t : texts) {
    SCOPED_TRACE(t);
    EXPECT_EQ(faultin(t), "");
  }
  // The check itself finds what it is for.
  EXPECT_NE(faultin("Ausgabedatei kann nicht ge\xc3\xb6" "ffnet werden\r\n"), "");
  EXPECT_NE(faultin("Zeile\n"), "");
  EXPECT_NE(faultin("\x81"), "");
  EXPECT_EQ(faultin("ge\xf6" "ffnet f\xfcr \xc4" "nderung\r\n"), "");
}

// A completed run's notice: one line per reason that occurred, counted, singular or plural,
// on the console and in the closing box.
TEST(Messages, NoticeLines) {
  EXPECT_EQ(noticelines(RunNotice()), "");
  RunNotice n;
  n.noplace = 1;
  n.version = "pain.001.003.03";
  EXPECT_EQ(
      noticelines(n),
      "Hinweis: 1 Element unver\xe4ndert gelassen: pain.001.003.03 hat f\xfcr die gew\xe4hlte "
      "Form keinen Platz.\r\n");
  n.noplace = 0;
  n.quoted = 2;
  n.nocode = 3;
  n.inway = 1;
  EXPECT_EQ(noticelines(n),
            "Hinweis: 2 Texte der Zahlungsdatei mit Anf\xfchrungszeichen nicht \xfc"
            "bernommen, das Feld bleibt leer.\r\n"
            "Hinweis: 3 Elemente unver\xe4ndert gelassen: f\xfcr das Land gibt es keinen "
            "Clearing-System-Code.\r\n"
            "Hinweis: 1 Element unver\xe4ndert gelassen: Markup im Inhalt oder in den Werten "
            "h\xe4tte Paare verschoben.\r\n");
  const std::string box = closingbox("x.csv", noticelines(n));
  EXPECT_EQ(box.find("Hinweis: 2 Texte"), 0u);
  EXPECT_NE(box.find("verschoben.\r\n\r\nDas Programm velmora.exe wurde"), std::string::npos);
}

}  // namespace
