#include "driver/bicrun.h"

#include <cstdio>
#include <string>
#include <vector>

#include "bicdir/bankfile.h"
#include "bicdir/bicdir.h"
#include "bicdir/bicindex.h"
#include "common/files.h"
#include "driver/bicmessages.h"
#include "driver/platform.h"

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

  // Every record is checked before anything is written: a file damaged halfway adds nothing.
  BankScan scan;
  const std::string fault = readbank(bankfile, scan);
  if (!fault.empty()) return fatal(fault);

  BicIndex index;
  if (!index.load(data)) return fatal(bicunreadable(bicfile));
  std::vector<BicEntry> entries;
  entries.reserve(scan.entries.size());
  for (const BankRecord& r : scan.entries) entries.push_back({"DE", r.blz, r.bic});
  std::size_t added = 0;
  if (!index.putall(entries, added)) return fatal(bicunwritable(bicfile));

  const std::size_t found = entries.size();
  consoletext(stdout, bicsummary(bicfile, found, added, found - added).c_str());
  return 0;
}
