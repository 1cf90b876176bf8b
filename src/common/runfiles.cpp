#include "common/runfiles.h"

#include "common/files.h"
#include "common/fsys.h"

RunFiles runfiles(const std::string& data, const std::string& payment) {
  RunFiles f;
  f.data = data;
  f.backup = data + ".old";
  f.fresh = data + ".tmp";
  f.staged = f.backup + ".tmp";
  f.lock = data + ".lock";
  f.result = data + ".out";
  f.bicdir = bicdirof(data);
  f.banktable = banktableof(data);
  f.payment = payment;
  if (!payment.empty()) {
    f.intermediate = payment + ".out";
    f.rewritten = payment + ".out.xml";
  }
  return f;
}

std::string bicdirof(const std::string& data) {
  return data.substr(0, folderend(data)) + "BIC.csv";
}

std::string banktableof(const std::string& data) {
  return data.substr(0, folderend(data)) + "BLZ.csv";
}

namespace {

using Name = std::string RunFiles::*;

// What each output must not be. The result file would empty the data or payment file given as
// its name, or the bank table linked to its name; the rewrite's outputs a data file, result file or
// directory named like them (the intermediate file is removed at the end); the harvest's names the
// payment file it reads.
struct KeepRow {
  Output out;
  Name path;
  Name keep[6];
};
const KeepRow kKeep[] = {
    {Output::Result,
     &RunFiles::result,
     {&RunFiles::data, &RunFiles::payment, &RunFiles::banktable}},
    {Output::Intermediate,
     &RunFiles::intermediate,
     {&RunFiles::data, &RunFiles::backup, &RunFiles::result, &RunFiles::payment, &RunFiles::bicdir,
      &RunFiles::banktable}},
    {Output::Rewritten,
     &RunFiles::rewritten,
     {&RunFiles::data, &RunFiles::backup, &RunFiles::result, &RunFiles::payment, &RunFiles::bicdir,
      &RunFiles::banktable}},
    {Output::Data, &RunFiles::data, {&RunFiles::payment}},
    {Output::Backup, &RunFiles::backup, {&RunFiles::payment}},
    {Output::Fresh, &RunFiles::fresh, {&RunFiles::payment}},
    {Output::Staged, &RunFiles::staged, {&RunFiles::payment}},
};

}  // namespace

bool clobbers(const RunFiles& f, Output out) {
  for (const KeepRow& row : kKeep) {
    if (row.out != out) continue;
    for (Name keep : row.keep) {
      if (keep && !(f.*keep).empty() && samefile(f.*row.path, f.*keep)) return true;
    }
  }
  return false;
}
