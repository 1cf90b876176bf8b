// A plain reference of the BIC directory's two operations, reading the file line by line on
// every call, to hold the in-memory index against; and the lookup both test files use.
#pragma once

#include <ostream>
#include <string>

/// What a lookup answered: its result and the BIC it gave.
struct Lookup {
  int found;
  std::string bic;
  bool operator==(const Lookup& o) const { return found == o.found && bic == o.bic; }
};
std::ostream& operator<<(std::ostream& os, const Lookup& l);

/// getbic, answered by the index.
Lookup lookup(const std::string& land, const std::string& blz, const std::string& verz);

/// getbic by reading the file: the last matching line wins.
Lookup reflookup(const std::string& land, const std::string& blz, const std::string& verz);

/// putbic by reading the file and appending: 1 when the pair is there after the call.
int refput(const std::string& land, const std::string& blz, const std::string& bic,
           const std::string& verz);
