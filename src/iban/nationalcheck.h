// National check digits of the BBAN, the part of an IBAN behind its first four characters:
// many countries' account numbers carry check digits of their own, by rules their national
// bank or banking association publishes. Each country's rule is described where it is coded,
// in nationalcheck.cpp; so are the countries with check digits that the program leaves out.
#pragma once

#include <cstddef>
#include <string_view>

/// What the national check of a BBAN says.
enum class NationalCheck : unsigned char {
  Valid,    ///< the BBAN's national check digits are right
  Invalid,  ///< they are wrong
  None,     ///< the country defines none (or this program does not verify them)
};

/// The countries with a rule, by code "AA" to "ZZ": non-zero where checkbban looks at a BBAN.
struct NationalRuleIndex {
  unsigned char row[26 * 26];
};
extern const NationalRuleIndex kNationalRuleIndex;

/// Whether country has national check digits that checkbban verifies: once per record of a
/// batch, the others let by inline.
inline bool hasnationalcheck(const char* country) {
  // The second character read only when the first is a letter: never behind a short text.
  const unsigned a = static_cast<unsigned char>(country[0]) - 'A';
  if (a >= 26) return false;
  const unsigned b = static_cast<unsigned char>(country[1]) - 'A';
  return b < 26 && kNationalRuleIndex.row[a * 26 + b] != 0;
}

/// The national check digits of bban, the BBAN of an IBAN with country code country (the
/// IBAN's own prefix: "FR" also for an account of Guadeloupe, "FI" for one of the Åland
/// Islands), in electronic form (upper-case letters and digits) and of the registry's length
/// and structure for that country. Never reads outside bban.
/// Returns None for a country without checked digits (or an unknown code);
///         Invalid for a BBAN of another length, or one that does not fit what the country's
///           rule needs (a letter where it needs a digit);
///         else Valid or Invalid as the check digits are right or wrong.
NationalCheck checkbban(std::string_view country, std::string_view bban);

/// Writes the national check digit(s) of country into their places in the BBAN bban (n
/// characters, of the registry's length for that country); whatever stands in those places is
/// ignored and replaced.
/// Returns true when they were written;
///         false, leaving bban unchanged, when the country has none (or the program does not
///           compute them), n is not the country's BBAN length, or they cannot be computed from
///           the rest (a letter where the rule needs a digit, or a rest that no check digit
///           makes valid, as a remainder of 1 under some modulus 11 rules).
bool fillcheckdigits(std::string_view country, char* bban, std::size_t n);
