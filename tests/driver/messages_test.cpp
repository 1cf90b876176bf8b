#include "driver/messages.h"

#include <gtest/gtest.h>

#include <cstring>

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

TEST(Messages, TextsAreWindows1252) {
  EXPECT_EQ(outputopenbox("d.csv.out"),
            "Das Programm velmora.exe hat folgenden Fehler festgestellt:\r\n"
            "Ausgabedatei kann nicht ge\xf6"
            "ffnet werden: d.csv.out\r\n\r\n"
            "Vielen Dank f\xfcr die Verwendung von velmora.exe !");
  std::string closing = closingbox("x.csv");
  EXPECT_EQ(closing.rfind(
                "Das Programm velmora.exe wurde mit der Datendatei:\r\nx.csv\r\nausgef\xfchrt.", 0),
            0u);
  EXPECT_NE(closing.find("IBAN: AT60 1999 9000 9876 5432  BIC: VLMRATW1XXX !\r\n\r\n"),
            std::string::npos);
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
