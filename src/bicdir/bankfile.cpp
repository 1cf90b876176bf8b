#include "bicdir/bankfile.h"

#include <cstring>

#include "iban/chars.h"

namespace {

// Offsets of the fields that are read, counted from 0 (the file's own layout counts from 1).
constexpr std::size_t kAtBlz = 0;
constexpr std::size_t kAtKind = 8;  // Merkmal: "1" the bank code's main record, "2" a branch
constexpr std::size_t kAtBic = 139;
constexpr std::size_t kAtMethod = 150;     // Pruefzifferberechnungsmethode
constexpr std::size_t kAtChange = 158;     // Aenderungskennzeichen: A, D, M or U
constexpr std::size_t kAtDeletion = 159;   // Bankleitzahlloeschung: 1 the code will be deleted
constexpr std::size_t kAtSuccessor = 160;  // Nachfolge-Bankleitzahl

bool alldigits(const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (charclass(p[i]) != CharClass::Digit) return false;
  }
  return true;
}

// Copies the BIC field without its padding blanks into bic. False when what is left is not
// 0, 8 or 11 upper-case letters and digits: a blank inside, or a field that begins with a blank,
// is a fault too. A file re-saved in a multi-byte encoding shifts every field behind the first
// umlaut of a name, and most shifted BIC fields fail here.
bool takebic(const char* field, char* bic) {
  std::size_t n = kBankBic;
  while (n > 0 && field[n - 1] == ' ') --n;
  if (n != 0 && n != 8 && n != kBankBic) return false;
  for (std::size_t i = 0; i < n; ++i) {
    CharClass c = charclass(field[i]);
    if (c != CharClass::Digit && c != CharClass::Upper) return false;
  }
  std::memcpy(bic, field, n);
  bic[n] = '\0';
  return true;
}

// The change code decides which records are dropped as deleted, so it must be one of the four
// the file knows. It also catches the shifted records that the BIC check lets through: a shift
// of one to six bytes puts a digit of the record number here.
bool knownchange(char c) {
  return c == 'A' || c == 'D' || c == 'M' || c == 'U';
}

// A method code is two characters, a digit or letter, then a digit ("00" to "E4" so far).
// Codes the program does not know are kept: the bank table carries them, and the run that
// writes it names them.
bool methodcode(const char* p) {
  const CharClass first = charclass(p[0]);
  return (first == CharClass::Digit || first == CharClass::Upper) &&
         charclass(p[1]) == CharClass::Digit;
}

void fail(BankScan& s, BankFault fault, std::size_t line) {
  s.fault = fault;
  s.faultline = line;
}

// The line just read is complete. An empty line is held back: it is a fault only when a
// record follows it, so that empty lines at the end of a file are harmless.
void endline(BankScan& s) {
  if (s.len == 0) {
    if (s.emptyline == 0) s.emptyline = s.line;
  } else if (s.emptyline != 0) {
    fail(s, BankFault::TooShort, s.emptyline);
  } else {
    BankRecord rec;
    BankFault fault = readbankrecord(s.rec, s.len, rec);
    if (fault != BankFault::None) {
      fail(s, fault, s.line);
    } else {
      if (rec.entry) s.entries.push_back(rec);
      if (rec.main) s.banks.push_back(rec);
    }
  }
  ++s.line;
  s.len = 0;
}

}  // namespace

BankFault readbankrecord(const char* text, std::size_t len, BankRecord& rec) {
  if (len < kBankRecord) return BankFault::TooShort;
  if (!alldigits(text + kAtBlz, kBankBlz)) return BankFault::BadBlz;
  if (!takebic(text + kAtBic, rec.bic)) return BankFault::BadBic;
  if (!methodcode(text + kAtMethod)) return BankFault::BadMethod;
  if (!knownchange(text[kAtChange])) return BankFault::BadChange;
  const char deletion = text[kAtDeletion];
  if (deletion != '0' && deletion != '1') return BankFault::BadDeletion;
  if (!alldigits(text + kAtSuccessor, kBankBlz)) return BankFault::BadSuccessor;
  std::memcpy(rec.blz, text + kAtBlz, kBankBlz);
  rec.blz[kBankBlz] = '\0';
  std::memcpy(rec.method, text + kAtMethod, kBankMethod);
  rec.method[kBankMethod] = '\0';
  std::memcpy(rec.successor, text + kAtSuccessor, kBankBlz);
  rec.successor[kBankBlz] = '\0';
  // Branch records may carry a BIC of their own; the directory holds one BIC per bank code,
  // the main record's, and the bank table one row per bank code, also the main record's.
  rec.main = text[kAtKind] == '1';
  rec.entry = rec.main && rec.bic[0] != '\0' && text[kAtChange] != 'D';
  rec.deleted = deletion == '1' || text[kAtChange] == 'D';
  return BankFault::None;
}

void bankscanstart(BankScan& s) {
  s.len = 0;
  s.line = 1;
  s.emptyline = 0;
  s.cr = false;
  s.fault = BankFault::None;
  s.faultline = 0;
  s.entries.clear();
  s.banks.clear();
}

bool bankscanfeed(BankScan& s, const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n && s.fault == BankFault::None; ++i) {
    const char c = p[i];
    if (c == '\n' && s.cr) {
      s.cr = false;  // the LF of a CR LF: its line has ended at the CR
    } else if (c == '\r' || c == '\n') {
      endline(s);
      s.cr = c == '\r';
    } else {
      s.cr = false;
      if (s.len < kBankRecord) s.rec[s.len] = c;
      ++s.len;
    }
  }
  return s.fault == BankFault::None;
}

void bankscanend(BankScan& s) {
  if (s.fault == BankFault::None && s.len > 0) endline(s);
}

bool readbankfile(std::FILE* f, BankScan& s) {
  bankscanstart(s);
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (!bankscanfeed(s, buf, n)) return false;
  }
  if (std::ferror(f)) {
    fail(s, BankFault::Unreadable, s.line);
    return false;
  }
  bankscanend(s);
  return s.fault == BankFault::None;
}
