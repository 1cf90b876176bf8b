#include "driver/bicmessages.h"

// Texts are Windows-1252: \xe4 is a-umlaut, \xfc u-umlaut. A hex escape runs on over hex
// digits, so such a byte is followed by a closing quote where the next letter is a-f.

const char kBicUsage[] =
    "Verwendung: velmora-bic <Bankleitzahlendatei> <CSV-Datendatei mit Pfadangabe>\r\n"
    "Tr\xe4gt die BICs aus der Bankleitzahlendatei der Deutschen Bundesbank in die Datei\r\n"
    "BIC.csv im Verzeichnis der Datendatei ein und schreibt dort die Banktabelle BLZ.csv\r\n"
    "neu, nach der velmora deutsche Bankleitzahlen und Kontonummern pr\xfc"
    "ft.\r\n";

namespace {

std::string atline(const std::string& bankfile, std::size_t line) {
  return "Fehler: Bankleitzahlendatei " + bankfile + ", Zeile " + std::to_string(line) + ": ";
}

const char* faulttext(BankFault fault) {
  switch (fault) {
    case BankFault::TooShort: return "Satz k\xfcrzer als 168 Zeichen";
    case BankFault::BadBlz: return "Bankleitzahl nicht achtstellig numerisch";
    case BankFault::BadBic: return "BIC weder leer noch 8 oder 11 Buchstaben und Ziffern";
    case BankFault::BadMethod:
      return "Pr\xfc"
             "fzifferberechnungsmethode nicht Ziffer oder Buchstabe und Ziffer";
    case BankFault::BadChange: return "\xc4nderungskennzeichen nicht A, D, M oder U";
    case BankFault::BadDeletion: return "Bankleitzahll\xf6schung nicht 0 oder 1";
    case BankFault::BadSuccessor: return "Nachfolge-Bankleitzahl nicht achtstellig numerisch";
    case BankFault::None:
    case BankFault::Unreadable: break;
  }
  return "Satz fehlerhaft";
}

}  // namespace

std::string bankunreadable(const std::string& bankfile) {
  return "Fehler: Bankleitzahlendatei kann nicht gelesen werden: " + bankfile + "\r\n";
}

std::string bankisdirectory(const std::string& bankfile) {
  return "Fehler: Die Bankleitzahlendatei ist selbst das BIC-Verzeichnis: " + bankfile + "\r\n";
}

std::string bankfault(const std::string& bankfile, BankFault fault, std::size_t line) {
  return atline(bankfile, line) + faulttext(fault) + "\r\n";
}

std::string bicunreadable(const std::string& bicfile) {
  return "Fehler: BIC-Verzeichnis kann nicht gelesen werden: " + bicfile + "\r\n";
}

std::string bicunwritable(const std::string& bicfile) {
  return "Fehler: BIC-Verzeichnis kann nicht geschrieben werden, es bleibt unver\xe4ndert: " +
         bicfile + "\r\n";
}

std::string bicsummary(const std::string& bicfile, std::size_t found, std::size_t added,
                       std::size_t present) {
  return std::to_string(found) + " Bankleitzahlen mit BIC gelesen, " + std::to_string(added) +
         " neu in " + bicfile + " eingetragen, " + std::to_string(present) +
         " schon vorhanden.\r\n";
}

std::string bankfileistable(const std::string& bankfile) {
  return "Fehler: Die Bankleitzahlendatei ist selbst die Banktabelle: " + bankfile + "\r\n";
}

std::string dataistable(const std::string& data) {
  return "Fehler: Die Datendatei ist selbst die Banktabelle: " + data + "\r\n";
}

std::string tableunwritable(const std::string& table) {
  return "Fehler: Banktabelle kann nicht geschrieben werden, sie bleibt unver\xe4ndert: " + table +
         "\r\n";
}

std::string unknownmethod(const char* method, std::size_t banks) {
  return "Hinweis: Pr\xfc"
         "fzifferberechnungsmethode " +
         std::string(method) + " unbekannt, die Kontonummern von " + std::to_string(banks) +
         (banks == 1 ? " Bankleitzahl" : " Bankleitzahlen") +
         " werden nicht gepr\xfc"
         "ft.\r\n";
}

std::string tablesummary(const std::string& table, std::size_t banks, std::size_t deleted) {
  return std::to_string(banks) + " Bankleitzahlen in die Banktabelle " + table + " geschrieben, " +
         std::to_string(deleted) + " davon zur L\xf6schung vorgesehen.\r\n";
}

std::string tablenotwritten(const std::string& table) {
  return "Keine Bankleitzahl gelesen, die Banktabelle " + table + " bleibt unver\xe4ndert.\r\n";
}
