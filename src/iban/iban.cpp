// IBAN construction and validation.
#include "iban/iban.h"

#include <cstring>

#include "common/textbuf.h"

namespace {

constexpr int kBlzTake = 25;  ///< BBAN characters that chkiban hands to getblz for the cut

bool isupperc(unsigned char c) {
  return c >= 'A' && c <= 'Z';
}
bool islowerc(unsigned char c) {
  return c >= 'a' && c <= 'z';
}
bool isdigitc(unsigned char c) {
  return c >= '0' && c <= '9';
}

// Appends the n characters of from to buf through the one bounded append.
void appendn(char* buf, std::size_t& len, const char* from, int n) {
  for (int i = 0; i < n; ++i) appendc(buf, kFieldSize, len, from[i]);
}

// Copies at most n characters of from into to as a terminated text. Returns the length.
int copyn(char* to, const char* from, int n) {
  int i = 0;
  for (; i < n && from[i] != '\0'; ++i) to[i] = from[i];
  to[i] = '\0';
  return i;
}

// Brings iban to its electronic form in place: upper case, letters and digits only.
int cleaniban(char* iban) {
  int kept = 0;
  for (int read = 0; iban[read] != '\0'; ++read) {
    unsigned char c = iban[read];
    if (islowerc(c)) c = static_cast<unsigned char>(c - 'a' + 'A');
    if (isupperc(c) || isdigitc(c)) iban[kept++] = static_cast<char>(c);
  }
  iban[kept] = '\0';
  return kept;
}

}  // namespace

int makeiban(const char* land, char* blz, char* konto, char* iban) {
  if (land[0] == '\0' || land[1] == '\0' || land[2] != '\0') return 1;
  // The code goes in as given; an unknown or lower-case one then fails in getblz.
  iban[0] = '\0';
  std::size_t len = 0;
  appendn(iban, len, land, 2);
  appendn(iban, len, "00", 2);
  int nblz = getblz(land, blz);
  if (nblz < 1) return 1;
  appendn(iban, len, blz, nblz);
  int nkonto = getkonto(land, konto);
  if (nkonto < 1) return 1;
  appendn(iban, len, konto, nkonto);
  // Check digits: 98 minus the check number with "00" in their places, always two digits.
  int c = 98 - calcchknr(iban);
  iban[2] = static_cast<char>('0' + c / 10);
  iban[3] = static_cast<char>('0' + c % 10);
  return 0;
}

int chkiban(char* land, char* blz, char* konto, char* iban) {
  int len = cleaniban(iban);
  if (calcchknr(iban) != 1) {
    land[0] = blz[0] = konto[0] = '\0';
    return 0;
  }
  // A check number of 1 needs at least 5 characters, so land and the BBAN's start exist.
  copyn(land, iban, 2);
  copyn(blz, iban + 4, kBlzTake);
  // The split follows the length getblz reports, not the text it leaves: an unknown country
  // gives 0 and the whole BBAN becomes the account. When the bank code was padded beyond the
  // end of a short BBAN, nothing is left for the account.
  int start = 4 + getblz(land, blz);
  if (start < len) {
    copyn(konto, iban + start, kFieldSize - 1);
  } else {
    konto[0] = '\0';
  }
  getkonto(land, konto);  // normalises only; an account that breaks the rule stays as split
  return 1;
}
