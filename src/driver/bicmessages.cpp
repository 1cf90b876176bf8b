#include "driver/bicmessages.h"

// Texts are Windows-1252: \xe4 is a-umlaut, \xfc u-umlaut. A hex escape runs on over hex
// digits, so such a byte is followed by a closing quote where the next letter is a-f.

const char kBicUsage[] =
    "Verwendung: velmora-bic <Bankleitzahlendatei> <CSV-Datendatei mit Pfadangabe>\r\n"
    "Tr\xe4gt die BICs aus der Bankleitzahlendatei der Deutschen Bundesbank in die Datei\r\n"
    "BIC.csv im Verzeichnis der Datendatei ein.\r\n";

namespace {

std::string atline(const std::string& bankfile, std::size_t line) {
  return "Fehler: Bankleitzahlendatei " + bankfile + ", Zeile " + std::to_string(line) + ": ";
}

const char* faulttext(BankFault fault) {
  switch (fault) {
    case BankFault::TooShort: return "Satz k\xfcrzer als 168 Zeichen";
    case BankFault::BadBlz: return "Bankleitzahl nicht achtstellig numerisch";
    case BankFault::BadBic: return "BIC weder leer noch 8 oder 11 Buchstaben und Ziffern";
    case BankFault::BadChange: return "\xc4nderungskennzeichen nicht A, D, M oder U";
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
