// The BIC directory "BIC.csv" beside the data file.
#pragma once

#include <string>

/// Path of the BIC directory for the data file verz: its directory part (up to and including
/// the last directory separator: "/", on Windows also "\\"; there a bare drive prefix such as
/// "C:" too) followed by "BIC.csv".
std::string bicpath(const char* verz);

/// Looks up (land, blz) in the BIC directory of data file verz. Returns 1 when an entry was
/// found (the last matching line wins) and bic (kFieldSize buffer) then holds its BIC;
/// 0 otherwise, with bic empty.
int getbic(const char* land, const char* blz, char* bic, const char* verz);

/// Adds (land, blz, bic) to the BIC directory of data file verz unless (land, blz) is there;
/// the first BIC entered for a pair stays. A file whose last line lacks its line end gets a
/// CR LF before the new line. Returns 1 when the pair is in the directory after the call;
/// 0 when it could not be added: the file not readable to its end, not writable (nothing is
/// left of a failed write), or an entry that would not read back as (land, blz).
int putbic(const char* land, const char* blz, const char* bic, const char* verz);
