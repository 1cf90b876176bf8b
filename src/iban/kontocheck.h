// The check methods of German account numbers, as the Deutsche Bundesbank defines them
// ("Prüfzifferberechnungsmethoden"): the bank code file names one for every bank code, and an
// account number of that bank is valid when its method accepts it.
#pragma once

#include <string_view>

/// What a check method says of an account number.
enum class AccountCheck : unsigned char {
  Valid,
  Invalid,
  Unknown,  ///< a method code this program does not know
};

/// Checks the German account number konto (its digits, at most ten; fewer stand for as many
/// leading zeros) by the check method method ("00" to "E4") of the bank code blz (eight
/// digits, which some methods look at).
/// Returns Valid or Invalid; Unknown for a method code the program does not know, and Invalid
/// for a konto or blz that is no such digit string.
AccountCheck checkaccount(std::string_view method, std::string_view blz, std::string_view konto);

/// Whether the program knows the check method code method.
bool knownmethod(std::string_view method);

/// The check method code method resolved once, for the checks of many account numbers: its
/// slot for checkslot, or -1 for a code the program does not know.
int methodslot(std::string_view method);

/// checkaccount for the method of slot (from methodslot): Unknown for -1. Performance-critical
/// (once per German record of a batch with a bank table): `make bench` (batch-de-table).
AccountCheck checkslot(int slot, std::string_view blz, std::string_view konto);
