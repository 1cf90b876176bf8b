// The IBAN engine: check number, field checks, country rules, IBAN construction and validation.
// All texts are caller-owned, terminated buffers of kFieldSize characters changed in place.
// Result senses differ from function to function; each is stated below.
#pragma once

/// Check number of an IBAN text by ISO 7064 MOD 97-10: the first four characters, as they
/// stand, are moved to the end; letters count 10 to 35 (either case), every other non-digit
/// is skipped. Never changes the text and reads no further than its 40th character.
/// Returns the remainder 0..96 of the digit string;
///         0 also when the text has fewer than 5 or more than 39 characters (separators
///         counted), or fewer than 5 digits after conversion.
int calcchknr(const char* iban0);

/// Pattern checks "l1 characters of a class, then l2 digits". Separators (anything but an
/// ASCII letter or digit) are dropped wherever they stand.
/// On a fit the text is upper-cased where letters are allowed and padded (left in the first
/// section with the pad character, right with '0' in the second) to l1 + l2 characters; the
/// buffer must hold l1 + l2 + 1 characters. A text with more significant characters than
/// that does not fit: a number is never cut. Only surplus leading zeros of a pattern padded
/// with '0' are dropped ("0000532013000" fits 10 digits as 0532013000).
/// On a misfit the separators in front of the offending character (for a text too long, the
/// first surplus one) are gone and, in the first section, letters in front of it are
/// upper-cased; the text is neither padded nor cut.
/// Returns 0 when the text fits (and is normalised);
///         1 when it does not, or when l1/l2 are negative or above 50, or l1 + l2 would not
///           fit a kFieldSize buffer (text untouched).
int isnnum(char* text, int l1, int l2);      ///< first section digits, padded with '0'
int isnalfa(char* text, int l1, int l2);     ///< first section letters, padded with 'X'
int isnalfanum(char* text, int l1, int l2);  ///< first section letters or digits, padded '0'

/// The same checks for the head of a longer text, the bank code at the start of an IBAN's
/// BBAN: what follows the pattern's l1 + l2 significant characters is dropped unchecked.
int cutnum(char* text, int l1, int l2);
int cutalfa(char* text, int l1, int l2);
int cutalfanum(char* text, int l1, int l2);

/// Checks and normalises a bank code by the rule of country land (exact, case-sensitive).
/// Returns the length (3..11) of the normalised bank code now in blz;
///         0 for an unknown country (blz untouched) or a bank code that breaks the rule or is
///           too long (blz possibly cleaned in part, never padded or cut).
int getblz(const char* land, char* blz);

/// The bank code at the head of the rest of an IBAN behind its check digits: the rule of land
/// applied to blz's first characters, the rest dropped. Returns as getblz does.
int ibanblz(const char* land, char* blz);

/// Checks and normalises an account number by the rule of country land.
/// Returns the length (7..18) of the normalised account number now in konto;
///         0 for an unknown country (konto untouched) or a number that breaks the rule.
int getkonto(const char* land, char* konto);

/// The supported countries by code "AA" to "ZZ": their row number + 1 in the country tables,
/// 0 for the codes they lack.
struct CountryIndex {
  unsigned char row[26 * 26];
};
extern const CountryIndex kCountryIndex;

/// Whether getblz and getkonto have rules of their own for land (territories not counted).
inline bool supported(const char* land) {
  // Each character read only when the one before it is a letter: never behind a short text.
  const unsigned a = static_cast<unsigned char>(land[0]) - 'A';
  if (a >= 26) return false;
  const unsigned b = static_cast<unsigned char>(land[1]) - 'A';
  return b < 26 && land[2] == '\0' && kCountryIndex.row[a * 26 + b] != 0;
}

/// The registry country whose IBANs the accounts of territory land take ("GP": "FR", "AX":
/// "FI", "JE": "GB"), nullptr for a code that is no such territory.
const char* territoryprefix(const char* land);

/// The country whose IBANs the accounts of land take: land itself when getblz and getkonto
/// know it, else its territoryprefix. getblz and getkonto apply that country's rules to a
/// territory's numbers.
inline const char* ibanprefix(const char* land) {
  return supported(land) ? land : territoryprefix(land);
}

/// Whether the rules of land (a supported country) let through a BBAN that the registry's
/// structure does not have, so that an IBAN built by them must be checked against it: ES
/// takes its control digits as they stand, BG's account letters or digits throughout, where
/// the registry has digits. Every other country's rules admit no more than its registry
/// structure (the round trip through chkiban, which checks it, shows that).
inline bool looserthanregistry(const char* land) {
  return (land[0] == 'E' && land[1] == 'S') || (land[0] == 'B' && land[1] == 'G');
}

/// National check characters a record left out of its number, put back as placeholders before
/// the number is normalised: the CIN letter in front of an Italian or San Marino bank code of
/// ten digits (ABI and CAB), the Spanish control digits in front of an account number of ten,
/// the Hungarian check digit of bank and branch in front of an account number of sixteen
/// (numbers of digits and separators only).
/// Returns how many placeholder characters went in front of the text (0: none). The IBAN
/// built from the number gets them filled in (finishiban). Once per record of a batch: the
/// countries without such characters are let by inline.
int leftoutblzrule(const char* land, char* blz);
int leftoutkontorule(const char* land, char* konto);
inline int leftoutblz(const char* land, char* blz) {
  const bool may = (land[0] == 'I' && land[1] == 'T') || (land[0] == 'S' && land[1] == 'M');
  return may ? leftoutblzrule(land, blz) : 0;
}
inline int leftoutkonto(const char* land, char* konto) {
  const bool may = (land[0] == 'E' && land[1] == 'S') || (land[0] == 'H' && land[1] == 'U');
  return may ? leftoutkontorule(land, konto) : 0;
}

/// Builds the IBAN of land, blz and konto into iban; normalises blz and konto on the way.
/// Returns 0 when the IBAN was built;
///         1 when land is not 2 characters (iban untouched), or the country is unknown or
///           blz/konto break its rules (iban then holds land, "00" and what was appended).
int makeiban(const char* land, char* blz, char* konto, char* iban);

/// The IBAN of land (two characters) from a bank code and an account number that getblz and
/// getkonto have already normalised under land, with the lengths they returned: what makeiban
/// builds for them, without normalising them again.
void buildiban(const char* land, const char* blz, int nblz, const char* konto, int nkonto,
               char* iban);

/// The IBAN of the registry country prefix from a bank code and an account number normalised
/// under its rules (lengths nblz and nkonto), as buildiban builds it, with the national check
/// characters filled in that the record left out: nleftblz placeholders at the head of blz,
/// nleftkonto at the head of konto (leftoutblz, leftoutkonto), and for FR and MC an account
/// key of "00", which no account has. What was filled in is written back into blz and konto.
/// Returns true when the IBAN has its registry country's length and BBAN structure; false
/// when not (a letter where the registry wants a digit, which some country rules let
/// through), iban holding it all the same.
bool finishiban(const char* prefix, char* blz, int nblz, char* konto, int nkonto, int nleftblz,
                int nleftkonto, char* iban);

/// finishiban's work past buildiban, for the records that need it.
bool fillandcheck(const char* prefix, char* blz, int nblz, char* konto, int nkonto, int nleftblz,
                  int nleftkonto, char* iban);

inline bool finishiban(const char* prefix, char* blz, int nblz, char* konto, int nkonto,
                       int nleftblz, int nleftkonto, char* iban) {
  buildiban(prefix, blz, nblz, konto, nkonto, iban);
  // Most records have all their check characters, and a country whose rules the registry
  // bears out: nothing more to do.
  const bool rib = (prefix[0] == 'F' && prefix[1] == 'R') || (prefix[0] == 'M' && prefix[1] == 'C');
  if (nleftblz == 0 && nleftkonto == 0 && !rib && !looserthanregistry(prefix)) return true;
  return fillandcheck(prefix, blz, nblz, konto, nkonto, nleftblz, nleftkonto, iban);
}

/// Cleans iban to upper-case letters and digits (kept whatever the outcome), validates its
/// check number and splits it into land, bank code and normalised account number.
/// Returns 1 when valid (land, blz, konto then hold its parts);
///         0 when not (land, blz and konto emptied).
int chkiban(char* land, char* blz, char* konto, char* iban);

/// Characters of an IBAN behind its first four that ibanblz is given to cut the bank code from,
/// by chkiban and by the harvest alike.
constexpr int kIbanBlzTake = 25;
