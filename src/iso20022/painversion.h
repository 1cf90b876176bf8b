// The pain.001 versions and how each spells the identifications the rewrite writes: one row
// per version or variant, so that a new version is a new row. A file's version is known from
// its Document namespace, or, for the 2006 edition, from the name of the message element.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// The replacement forms a mode can ask for.
enum class Form : unsigned char {
  Unchanged,
  Iban,         ///< the account as an IBAN
  PrtryAcct,    ///< the account as its (national) account number
  Bic,          ///< the agent as a BIC
  Combined,     ///< the agent as clearing member, country and proprietary identification
  ClrSysMmbId,  ///< the agent as a clearing-system member (the national bank code)
  PrtryId,      ///< the agent as a proprietary identification (the national bank code)
};
constexpr int kForms = 7;

/// How a version writes one form: the markup that takes the place of the held content, with
/// the values of the result line in braces: {iban}, {konto}, {bic}, {blz}, {land}, and {code},
/// the country's clearing-system code. Every element in it gets the prefix of the element it
/// is written into.
using Spelling = const char*;

/// A pain.001 version or variant.
struct PainVersion {
  const char* ns;    ///< its Document namespace; nullptr for the row of files of no known version
  const char* name;  ///< as the run's notice names it
  /// The spelling of each form, by Form, for the creditor's and for the debtor's elements;
  /// nullptr where the version has no place for the form (a SEPA variant allows only IBAN and
  /// BIC, for instance).
  Spelling creditor[kForms];
  Spelling debtor[kForms];
};

/// A payment file's version: its row, and its name as the notice shows it (a version newer
/// than the table's rows takes the last row's spellings under its own name).
struct PaymentVersion {
  const PainVersion* row;
  std::string name;
};

/// The version of a payment file whose first bytes are head: known from the namespace of its
/// Document element, or from a message element named "pain.001.001.02". A file of no known
/// version gets the 2006 spellings, which the rewrite has always written.
PaymentVersion painversion(std::string_view head);

/// Bytes of a payment file that painversion needs at most to see its Document tag and the
/// element inside it.
constexpr std::size_t kVersionHead = 1 << 16;

/// The clearing-system code of ISO's external code list for a country's bank codes ("DEBLZ"
/// for "DE"), or nullptr when the country has none.
const char* clearingcode(std::string_view land);

/// Whether a spelling writes the country's clearing-system code.
bool needsclearingcode(Spelling s);

/// The value a spelling names in braces (name without them), from a result line's fields and
/// the country's clearing-system code; nullptr for a name it does not know.
struct SpellingValues {
  const char* iban;
  const char* konto;
  const char* bic;
  const char* blz;
  const char* land;
  const char* code;
};
const char* spellingvalue(const SpellingValues& v, std::string_view name);
