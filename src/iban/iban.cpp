// IBAN construction and validation.
#include "iban/iban.h"

#include <cstring>

#include "common/textbuf.h"
#include "iban/chars.h"
#include "iban/country.h"
#include "iban/nationalcheck.h"
#include "iban/registry.h"

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

bool fillandcheck(const char* prefix, char* blz, int nblz, char* konto, int nkonto, int nleftblz,
                  int nleftkonto, char* iban) {
  const bool rib = (prefix[0] == 'F' && prefix[1] == 'R') || (prefix[0] == 'M' && prefix[1] == 'C');
  // Where in the BBAN the placeholders stand.
  struct Gap {
    int at, n;
  } gaps[3];
  int ngaps = 0;
  if (nleftblz > 0) gaps[ngaps++] = {0, nleftblz};
  if (nleftkonto > 0) gaps[ngaps++] = {nblz, nleftkonto};
  if (rib && nkonto >= 2 && konto[nkonto - 2] == '0' && konto[nkonto - 1] == '0')
    gaps[ngaps++] = {nblz + nkonto - 2, 2};
  const int nbban = nblz + nkonto;
  if (ngaps > 0 && nbban < kFieldSize) {
    // Filled in on a copy, of which only the placeholders' places are taken: a check digit the
    // record gave stays as given, to be found wrong, never quietly put right.
    char bban[kFieldSize];
    std::memcpy(bban, iban + 4, nbban);
    bban[nbban] = '\0';
    if (fillcheckdigits(prefix, bban, nbban)) {
      for (int g = 0; g < ngaps; ++g)
        std::memcpy(iban + 4 + gaps[g].at, bban + gaps[g].at, gaps[g].n);
      std::memcpy(blz, iban + 4, nblz);
      std::memcpy(konto, iban + 4 + nblz, nkonto);
      iban[2] = iban[3] = '0';
      const int c = 98 - calcchknr(iban);
      iban[2] = static_cast<char>('0' + c / 10);
      iban[3] = static_cast<char>('0' + c % 10);
    }
  }
  if (!looserthanregistry(prefix)) return true;
  const RegistryCountry* country = registrycountry(prefix);
  return country != nullptr && registryform(*country, iban, std::strlen(iban));
}

int makeiban(const char* land, char* blz, char* konto, char* iban) {
  if (land[0] == '\0' || land[1] == '\0' || land[2] != '\0') return 1;
  // The code goes in as given, a territory's as the country whose IBANs it uses; an unknown
  // or lower-case one then fails in getblz, and iban then holds the code and "00", as it does
  // when the account number fails.
  const char* prefix = ibanprefix(land);
  const char* code = prefix != nullptr ? prefix : land;
  iban[0] = code[0];
  iban[1] = code[1];
  iban[2] = iban[3] = '0';
  iban[4] = '\0';
  const int nleftblz = leftoutblz(land, blz);
  int nblz = getblz(land, blz);
  if (nblz < 1) return 1;
  const int nleftkonto = leftoutkonto(land, konto);
  int nkonto = getkonto(land, konto);
  if (nkonto < 1) {
    std::size_t len = 4;
    appendn(iban, len, blz, nblz);
    return 1;
  }
  return finishiban(prefix, blz, nblz, konto, nkonto, nleftblz, nleftkonto, iban) ? 0 : 1;
}

int chkiban(char* land, char* blz, char* konto, char* iban) {
  int len = cleaniban(iban);
  // The registry first: a country it lacks, a length or a character class its structure
  // does not have, is no IBAN, whatever its check digits say.
  const RegistryCountry* country = nullptr;
  if (len >= 4) {
    const char code[3] = {iban[0], iban[1], '\0'};
    country = registrycountry(code);
  }
  if (country == nullptr || !registryform(*country, iban, len) || calcchknr(iban) != 1) {
    land[0] = blz[0] = konto[0] = '\0';
    return 0;
  }
  // The registry's lengths are at most 34, so every part fits its field.
  settext(land, iban, 2);
  if (!supported(land)) {
    // The registry's split: bank and branch identifier as the bank code, the rest of the
    // BBAN as the account number.
    const int bank = country->bankstart;
    int end = bank + country->banklength;
    if (country->branchlength > 0 && country->branchstart + country->branchlength > end)
      end = country->branchstart + country->branchlength;
    settext(blz, iban + 4 + bank, end - bank);
    settext(konto, iban + 4, bank);
    std::strcat(konto, iban + 4 + end);
    return 1;
  }
  // The country's own split. The registry's structure admits nothing its rules would change
  // (each has the full length, digits where the rules want digits, upper case), so the bank
  // code is the BBAN's first characters as the rule is long, and the account the rest: what
  // ibanblz and getkonto would leave (the round trips of the tests hold them to that).
  const int nblz =
      rulelength(kBankCodeRules[kCountryIndex.row[(land[0] - 'A') * 26 + (land[1] - 'A')] - 1]);
  settext(blz, iban + 4, nblz);
  settext(konto, iban + 4 + nblz, len - 4 - nblz);
  return 1;
}
