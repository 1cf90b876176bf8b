// The texts of velmora-bic: console lines, single-byte Windows-1252, each ending in CR LF.
#pragma once

#include <cstddef>
#include <string>

#include "bicdir/bankfile.h"

/// The usage text for any other number of arguments than two.
extern const char kBicUsage[];

/// The bank code file cannot be opened or read to its end.
std::string bankunreadable(const std::string& bankfile);
/// The bank code file is the BIC directory it would be entered into.
std::string bankisdirectory(const std::string& bankfile);
/// A faulty record: fault is TooShort, BadBlz, BadBic or BadChange, line counts from 1.
std::string bankfault(const std::string& bankfile, BankFault fault, std::size_t line);
/// The BIC directory cannot be read to its end.
std::string bicunreadable(const std::string& bicfile);
/// The new entries could not be written; the BIC directory is as it was.
std::string bicunwritable(const std::string& bicfile);
/// The closing line: main records with a BIC, entries added, entries there already.
std::string bicsummary(const std::string& bicfile, std::size_t found, std::size_t added,
                       std::size_t present);
