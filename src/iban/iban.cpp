// IBAN construction and validation.
#include "iban/iban.h"

#include <cstring>

#include "common/textbuf.h"
#include "iban/chars.h"

namespace {

// Appends the n characters of from to the field text buf of length len, as many as fit.
void appendn(char* buf, std::size_t& len, const char* from, int n) {
  const std::size_t room = kFieldSize - 1 - len;
  const std::size_t take = n < 0 ? 0 : static_cast<std::size_t>(n) < room ? n : room;
  std::memcpy(buf + len, from, take);
  len += take;
  buf[len] = '\0';
}

// Sets to to the n characters at from as a terminated text.
void settext(char* to, const char* from, int n) {
  std::memcpy(to, from, n);
  to[n] = '\0';
}

// Brings iban to its electronic form in place: upper case, letters and digits only. Most
// IBANs arrive in that form already, so nothing is written until the first character that
// changes; from there each character is stored unconditionally and kept only when significant,
// which avoids a data-dependent branch per character.
int cleaniban(char* iban) {
  int read = 0;
  while (iban[read] != '\0' && significant(iban[read]) == iban[read]) ++read;
  int kept = read;
  for (; iban[read] != '\0'; ++read) {
    char c = significant(iban[read]);
    iban[kept] = c;
    kept += c != '\0';
  }
  iban[kept] = '\0';
  return kept;
}

}  // namespace

void buildiban(const char* land, const char* blz, int nblz, const char* konto, int nkonto,
               char* iban) {
  iban[0] = '\0';
  std::size_t len = 0;
  appendn(iban, len, land, 2);
  appendn(iban, len, "00", 2);
  appendn(iban, len, blz, nblz);
  appendn(iban, len, konto, nkonto);
  // Check digits: 98 minus the check number with "00" in their places, always two digits.
  int c = 98 - calcchknr(iban);
  iban[2] = static_cast<char>('0' + c / 10);
  iban[3] = static_cast<char>('0' + c % 10);
}

int makeiban(const char* land, char* blz, char* konto, char* iban) {
  if (land[0] == '\0' || land[1] == '\0' || land[2] != '\0') return 1;
  // The code goes in as given; an unknown or lower-case one then fails in getblz, and iban
  // then holds the code and "00", as it does when the account number fails.
  iban[0] = land[0];
  iban[1] = land[1];
  iban[2] = iban[3] = '0';
  iban[4] = '\0';
  int nblz = getblz(land, blz);
  if (nblz < 1) return 1;
  int nkonto = getkonto(land, konto);
  if (nkonto < 1) {
    std::size_t len = 4;
    appendn(iban, len, blz, nblz);
    return 1;
  }
  buildiban(land, blz, nblz, konto, nkonto, iban);
  return 0;
}

int chkiban(char* land, char* blz, char* konto, char* iban) {
  int len = cleaniban(iban);
  if (calcchknr(iban) != 1) {
    land[0] = blz[0] = konto[0] = '\0';
    return 0;
  }
  // A check number of 1 needs at least 5 characters, so land and the BBAN's start exist; and
  // at most 39, so every part fits its field.
  settext(land, iban, 2);
  settext(blz, iban + 4, len - 4 < kIbanBlzTake ? len - 4 : kIbanBlzTake);
  // The split follows the length ibanblz reports, not the text it leaves: an unknown country
  // gives 0 and the whole BBAN becomes the account. When the bank code was padded beyond the
  // end of a short BBAN, nothing is left for the account.
  int start = 4 + ibanblz(land, blz);
  settext(konto, iban + (start < len ? start : len), start < len ? len - start : 0);
  // Normalises only: an account that breaks the rule, or is longer than it, stays as split.
  getkonto(land, konto);
  return 1;
}
