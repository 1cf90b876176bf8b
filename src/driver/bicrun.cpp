#include "driver/bicrun.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bicdir/bankfile.h"
#include "bicdir/banktable.h"
#include "bicdir/bicdir.h"
#include "bicdir/bicindex.h"
#include "common/files.h"
#include "common/runfiles.h"
#include "driver/bicmessages.h"
#include "driver/platform.h"
#include "iban/kontocheck.h"

namespace {

// The one way velmora-bic ends in failure. A console tool: the text goes to standard error,
// and no box waits for a click in the scripts that run it.
int fatal(const std::string& text) {
  consoletext(stderr, text.c_str());
  return 1;
}

// The bank code file read whole and checked; empty when it is fine, else the message.
std::string readbank(const std::string& bankfile, BankScan& scan) {
  File f = openfile(bankfile, "rb");
  if (!f) return bankunreadable(bankfile);
  if (readbankfile(f.get(), scan)) return "";
  if (scan.fault == BankFault::Unreadable) return bankunreadable(bankfile);
  return bankfault(bankfile, scan.fault, scan.faultline);
}

// One notice per check method code the program does not know, with the number of bank codes
// that have it: their account numbers are not judged until a program that knows it.
std::string unknownmethods(const std::vector<BankRecord>& banks) {
  std::map<std::string, std::size_t> unknown;
  for (const BankRecord& r : banks) {
    if (!knownmethod(r.method)) ++unknown[r.method];
  }
  std::string lines;
  for (const auto& [method, count] : unknown) lines += unknownmethod(method.c_str(), count);
  return lines;
}

}  // namespace

int bicrun(int argc, char** argv) {
  initconsole();
  if (argc != 3) return fatal(kBicUsage);
  const std::string bankfile = argv[1];
  const char* data = argv[2];
  // The same directory velmora reads for this data file, which need not exist yet.
  const std::string bicfile = bicpath(data);
  // Entries appended to the bank code file itself would spoil it for the next run.
  if (samefile(bankfile, bicfile)) return fatal(bankisdirectory(bankfile));
  // Nor may the bank table, written anew, take the place of either file named.
  const std::string tablefile = banktableof(data);
  if (samefile(bankfile, tablefile)) return fatal(bankfileistable(bankfile));
  if (samefile(data, tablefile)) return fatal(dataistable(data));

  // Every record is checked before anything is written: a file damaged halfway adds nothing.
  BankScan scan;
  const std::string fault = readbank(bankfile, scan);
  if (!fault.empty()) return fatal(fault);

  BicIndex index;
  if (!index.load(data)) return fatal(bicunreadable(bicfile));
  std::vector<BicEntry> entries;
  entries.reserve(scan.entries.size());
  for (const BankRecord& r : scan.entries) entries.push_back({"DE", r.blz, r.bic});
  // The directory's lock, held to the end, keeps another import from writing the bank table
  // between this one's BICs and its table.
  if (!index.lock()) return fatal(bicunwritable(bicfile));
  std::size_t added = 0;
  if (!index.putall(entries, added)) return fatal(bicunwritable(bicfile));

  const std::size_t found = entries.size();
  std::string lines = bicsummary(bicfile, found, added, found - added);
  // An empty file would leave a table in which no bank code exists.
  if (scan.banks.empty()) {
    lines += tablenotwritten(tablefile);
  } else {
    const BankTableText table = banktabletext(scan.banks);
    if (!writebanktable(tablefile, table.text)) {
      consoletext(stdout, lines.c_str());
      return fatal(tableunwritable(tablefile));
    }
    lines += tablesummary(tablefile, table.rows, table.deleted) + unknownmethods(scan.banks);
  }
  consoletext(stdout, lines.c_str());
  return 0;
}
