#include "driver/messages.h"

#include "batch/batch.h"

// Texts are Windows-1252: \xfc is u-umlaut, \xf6 o-umlaut. A hex escape runs on over hex
// digits, so such a byte is followed by a closing quote where the next letter is a-f.

namespace {
const char kErrorHead[] = "Das Programm velmora.exe hat folgenden Fehler festgestellt:\r\n";
const char kThanks[] = "Vielen Dank f\xfcr die Verwendung von velmora.exe !";

std::string errorbox(const std::string& body) {
  return kErrorHead + body + "\r\n\r\n" + kThanks;
}
}  // namespace

// A made-up account at a made-up bank; its IBAN is what makeiban builds from "AT", the bank
// code and the account number shown (a unit test holds them together).
const DonationAccount kDonation = {"98765432", "Velmora Software",     "Velmora Musterbank",
                                   "19999",    "AT601999900098765432", "VLMRATW1XXX"};

const char kUsageLine[] =
    "\r\nVerwendung: velmora.exe <CSV-Datendatei mit Pfadangabe> <ISO20022-Datei mit "
    "Pfadangabe> <Mode>\r\n";
std::string legend() {
  // The meanings are the batch's own, one line per result code.
  std::string out =
      "\r\nAufbau der Datendatei:\r\nSatznummer;Landescode;Bankleitzahl;Kontonummer;IBAN\r\n"
      "Codes in der Ausgabedatei:\r\n";
  for (const ResultCode& c : kResultCodeTable)
    out += std::string(c.code) + " = " + c.meaning + "\r\n";
  out +=
      "03, 05, 93 und 95 nur f\xfcr deutsche Konten, und deutsche Kontonummern (04, 94) nur,\r\n"
      "wenn velmora-bic die Banktabelle BLZ.csv neben die Datendatei geschrieben hat.\r\n";
  return out;
}
const char kOutputNotWritable[] = "\r\nFehler: Ausgabefile nicht beschreibbar !\r\n";
const char kDataNotWritable[] = "\r\nFehler: Datendatei nicht beschreibbar !\r\n";
const char kDataBusy[] = "\r\nFehler: Datendatei in Bearbeitung !\r\n";
const char kBankTableFaulty[] = "\r\nFehler: Banktabelle fehlerhaft !\r\n";
const char kInternal01[] = "\r\nFehler: Interner Fehler 01 !\r\n";
const char kInternal02[] = "\r\nFehler: Interner Fehler 02 !\r\n";
const char kInternal03[] = "\r\nFehler: Interner Fehler 03 !\r\n";

std::string usagebox() {
  return std::string(kErrorHead) + "Angabe einer Datendatei erforderlich !\r\n" + "\r\n" + kThanks;
}

std::string datanotfoundbox(const std::string& data) {
  return std::string(kErrorHead) + "Datenfile nicht gefunden:\r\n" + data + "\r\n" + kThanks;
}

std::string outputopenbox(const std::string& path) {
  return errorbox(
      "Ausgabedatei kann nicht ge\xf6"
      "ffnet werden: " +
      path);
}

std::string outputwritebox(const std::string& path) {
  return errorbox("Ausgabedatei kann nicht geschrieben werden: " + path);
}

std::string backupfailbox(const std::string& data) {
  return errorbox("Datendatei kann nicht gesichert werden: " + data + ".old");
}

std::string datawritebox(const std::string& data) {
  return errorbox("Datendatei kann nicht geschrieben werden: " + data);
}

std::string databusybox(const std::string& data) {
  return errorbox("Datendatei wird gerade von einem anderen Lauf bearbeitet: " + data);
}

std::string banktablebox(const std::string& path, std::size_t line) {
  // Without its bank table a run would pass German accounts unchecked and seem to have checked
  // them: it stops before it touches a file. velmora-bic writes the table anew.
  const std::string where = line == 0 ? "" : ", Zeile " + std::to_string(line);
  return errorbox("Banktabelle fehlerhaft" + where + ": " + path +
                  "\r\nBitte mit velmora-bic neu einlesen oder entfernen.");
}

std::string groupsoffour(const std::string& iban) {
  std::string out;
  for (std::size_t i = 0; i < iban.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    out += iban[i];
  }
  return out;
}

namespace {
// "1 Element", "2 Elemente".
std::string count(unsigned long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}
}  // namespace

std::string noticelines(const RunNotice& n) {
  std::string out;
  if (n.quoted > 0) {
    out += "Hinweis: " + count(n.quoted, "Text", "Texte") +
           " der Zahlungsdatei mit Anf\xfchrungszeichen nicht \xfc"
           "bernommen, das Feld "
           "bleibt leer.\r\n";
  }
  const char* left = " unver\xe4ndert gelassen: ";
  if (n.noplace > 0) {
    out += "Hinweis: " + count(n.noplace, "Element", "Elemente") + left + n.version +
           " hat f\xfcr die gew\xe4hlte Form keinen Platz.\r\n";
  }
  if (n.nocode > 0) {
    out += "Hinweis: " + count(n.nocode, "Element", "Elemente") + left +
           "f\xfcr das Land gibt es keinen Clearing-System-Code.\r\n";
  }
  if (n.inway > 0) {
    out += "Hinweis: " + count(n.inway, "Element", "Elemente") + left +
           "Markup im Inhalt oder in den Werten h\xe4tte Paare verschoben.\r\n";
  }
  return out;
}

std::string argerrorbox(ArgError e, const std::string& text) {
  // \x84 and \x93 are the German quotation marks, \xdf sharp s, \xf6 o-umlaut.
  const std::string quoted = "\x84" + text + "\x93";
  switch (e) {
    case ArgError::TooMany:
      return errorbox(
          "Zu viele Angaben: velmora.exe nimmt h\xf6"
          "chstens drei, die Datendatei, die "
          "Zahlungsdatei und den Modus.");
    case ArgError::PaymentMissing:
      return errorbox("Die Zahlungsdatei (2. Angabe) gibt es nicht:\r\n" + text);
    case ArgError::PaymentFolder:
      return errorbox("Die Zahlungsdatei (2. Angabe) ist ein Ordner:\r\n" + text);
    case ArgError::PaymentUnreadable:
      return errorbox("Die Zahlungsdatei (2. Angabe) kann nicht gelesen werden:\r\n" + text);
    case ArgError::NotCreditTransfer:
      return errorbox(
          "Die Zahlungsdatei (2. Angabe) ist keine \xdc"
          "berweisungsdatei nach ISO 20022 "
          "(pain.001):\r\n" +
          text);
    case ArgError::ModeNotNumber:
      return errorbox("Der Modus (3. Angabe) ist keine ganze Zahl: " + quoted);
    case ArgError::ModeNotPositive:
      return errorbox(
          "Der Modus (3. Angabe) muss gr\xf6\xdf"
          "er als 0 sein: " +
          quoted);
  }
  return errorbox(text);
}

std::string summarylines(const RunSummary& s) {
  std::string out = count(s.records, "Datensatz", "Datens\xe4tze") + " in der Ausgabedatei" +
                    (s.records > 0 ? ":\r\n" : ".\r\n");
  for (const RunSummary::Code& c : s.codes) {
    out += "   " + std::to_string(c.count) + " x " + c.code + " = " + c.meaning + "\r\n";
  }
  if (s.harvested) {
    out +=
        "Aus der Zahlungsdatei \xfc"
        "bernommen: " +
        count(s.creditors + s.debtors, "Satz", "S\xe4tze") + " (" + std::to_string(s.creditors) +
        " Empf\xe4nger, " + std::to_string(s.debtors) + " Auftraggeber), " +
        count(s.bicslearnt, "BIC", "BICs") + " neu im BIC-Verzeichnis.\r\n";
  }
  if (s.rewritten) {
    if (s.modereplacesnothing) {
      out += "Der Modus " + s.mode +
             " ersetzt nichts: die neue Zahlungsdatei gleicht der "
             "alten.\r\n";
    } else {
      out += "In der Zahlungsdatei ersetzt: " + count(s.replaced, "Element", "Elemente") +
             ", unver\xe4ndert gelassen: " + std::to_string(s.asked - s.replaced) + ".\r\n";
    }
  }
  return out;
}

std::string closingbox(const std::string& data, const std::string& summary) {
  const DonationAccount& d = kDonation;
  return (summary.empty() ? "" : summary + "\r\n") +
         "Das Programm velmora.exe wurde mit der Datendatei:\r\n" + data +
         "\r\nausgef\xfchrt. Der Name der Ausgabedatei lautet:\r\n" + data + ".out\r\n\r\n" +
         "Hinweis: Wenn Ihnen dieses Freeware - Programm eine Hilfe war,\r\n" +
         "ersuchen wir Sie um eine Spende auf das Konto: " + d.konto + "\r\n" +
         "Kontowortlaut: Fa. " + d.holder + ", bei der " + d.bank + ", Bankleitzahl: " + d.blz +
         "\r\n" + "IBAN: " + groupsoffour(d.iban) + "  BIC: " + d.bic + " !\r\n\r\n" + kThanks;
}
