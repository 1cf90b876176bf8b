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
/// A faulty record: fault is one of a record's (not None or Unreadable), line counts from 1.
std::string bankfault(const std::string& bankfile, BankFault fault, std::size_t line);
/// The BIC directory cannot be read to its end.
std::string bicunreadable(const std::string& bicfile);
/// The new entries could not be written; the BIC directory is as it was.
std::string bicunwritable(const std::string& bicfile);
/// The bank table would be written over the bank code file or the data file named.
std::string bankfileistable(const std::string& bankfile);
std::string dataistable(const std::string& data);
/// The bank table could not be written; it is as it was.
std::string tableunwritable(const std::string& table);
/// A check method code the program does not know, and how many bank codes have it.
std::string unknownmethod(const char* method, std::size_t banks);
/// The bank table's line: bank codes written, how many of them are marked for deletion.
std::string tablesummary(const std::string& table, std::size_t banks, std::size_t deleted);
/// The bank code file held no main record: the bank table is left as it was.
std::string tablenotwritten(const std::string& table);
/// The closing line: main records with a BIC, entries added, entries there already.
std::string bicsummary(const std::string& bicfile, std::size_t found, std::size_t added,
                       std::size_t present);
