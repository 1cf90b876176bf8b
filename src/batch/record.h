// The data-file and result-file line formats.
#pragma once

#include <cstddef>
#include <cstdio>

#include "common/textbuf.h"

/// Splits one terminated line into the six record fields, each a buffer of kFieldSize
/// characters. Every field is emptied first. Fields are separated by ';' or ',' outside double
/// quotes; a double quote toggles quoting and is never stored; each field keeps its first
/// kFieldFill characters; text behind the sixth field is dropped. The line end is not a
/// separator: its bytes go to the field that is current when they are read.
void splitrec(const char* line, char* snr, char* land, char* blz, char* konto, char* iban,
              char* bic);

/// Room a result line needs: seven fields of at most kFieldSize - 1 characters, their quotes
/// and separators, CR LF and a terminator.
constexpr int kResultLine = 7 * (kFieldSize + 2) + 3;

/// Composes the result line of the seven texts into line (kResultLine bytes), as putresult
/// writes it, without a terminator. Returns its length.
std::size_t makeresult(char* line, const char* snr, const char* land, const char* blz,
                       const char* konto, const char* iban, const char* bic, const char* code);

/// Writes one result line to fo: the seven texts, each between double quotes, separated by
/// ';', ended by CR LF. Write errors are left in the stream's error flag for the caller.
void putresult(std::FILE* fo, const char* snr, const char* land, const char* blz,
               const char* konto, const char* iban, const char* bic, const char* code);
