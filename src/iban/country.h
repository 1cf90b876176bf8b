// The per-country rules behind getblz and getkonto. Internal to the IBAN engine; exposed so
// that the tests can hold the two tables against each other.
#pragma once

/// How a rule checks its text: one of the field checks with the row's two lengths, or one of
/// two country-specific leads in front of isnnum.
enum class Check : unsigned char {
  Num,      ///< isnnum(l1, l2)
  Alfa,     ///< isnalfa(l1, l2)
  Alfanum,  ///< isnalfanum(l1, l2)
  Letter,   ///< one upper-case letter, taken as it stands, then isnnum(l1, l2) ("IT", "SM")
  Pair,     ///< two characters taken unchecked and unchanged, then isnnum(l1, l2) ("ES")
};

struct CountryRule {
  char land[3];  ///< country code, compared exactly
  Check check;
  int l1;
  int l2;
};

constexpr int kCountries = 39;  ///< every SEPA country of the registry, and FO and GL

/// Characters a check takes over in front of its sections.
constexpr int leadlength(Check check) {
  return check == Check::Letter ? 1 : check == Check::Pair ? 2 : 0;
}

/// Length of the text that the rule leaves on a fit: what getblz and getkonto return.
constexpr int rulelength(const CountryRule& rule) {
  return leadlength(rule.check) + rule.l1 + rule.l2;
}

/// The rules of getblz, one row per country in alphabetical order of the codes. The order is
/// what keeps the two tables in step: a country's row number is the same in both, so one
/// index from country code to row serves both.
extern const CountryRule kBankCodeRules[kCountries];
extern const CountryRule kAccountRules[kCountries];  ///< getkonto, same countries, same order
