// The IBAN engine: check number, field checks, country rules, IBAN construction and validation.
// All texts are caller-owned, terminated buffers of kFieldSize characters changed in place.
#pragma once

/// Check number of an IBAN text by ISO 7064 MOD 97-10: the first four characters are moved to
/// the end, letters count 10 to 35 (either case), every other non-digit is skipped.
/// Returns the remainder 0..96; 0 also when the text has fewer than 5 or more than 39
/// characters, or fewer than 5 digits after conversion. Never changes the text.
int calcchknr(const char* iban0);

/// Pattern checks "l1 characters of a class, then l2 digits". On a fit the text is cleaned of
/// separators, upper-cased where letters are allowed, padded (left in the first section, right
/// with '0' in the second) and cut to l1 + l2 characters.
/// Returns 0 when the text fits (and is normalised), 1 when it does not or l1/l2 exceed 50.
int isnnum(char* text, int l1, int l2);      ///< first section digits, padded with '0'
int isnalfa(char* text, int l1, int l2);     ///< first section letters, padded with 'X'
int isnalfanum(char* text, int l1, int l2);  ///< first section letters or digits, padded '0'

/// Checks and normalises a bank code by the rule of country land (exact, case-sensitive).
/// Returns the length of the normalised bank code, or 0 for an unknown country or a bank code
/// that breaks the rule.
int getblz(const char* land, char* blz);

/// Checks and normalises an account number by the rule of country land.
/// Returns the length of the normalised account number, or 0 on failure.
int getkonto(const char* land, char* konto);

/// Builds the IBAN of land, blz and konto into iban; normalises blz and konto on the way.
/// Returns 0 when the IBAN was built, 1 when it could not be.
int makeiban(const char* land, char* blz, char* konto, char* iban);

/// Cleans iban to upper-case letters and digits, validates its check number and splits it.
/// Returns 1 when valid (land, blz, konto then hold its parts), 0 when not (they are emptied).
int chkiban(char* land, char* blz, char* konto, char* iban);
