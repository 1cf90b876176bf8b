// The payment-file harvest: creditor and debtor accounts of a pain.001 file into the data file.
#pragma once

enum class HarvestResult {
  Skipped,       ///< the payment file could not be opened; nothing was touched
  Done,          ///< the data file holds the harvested records, then the user's lines
  BackupFailed,  ///< the data file could not be moved to its backup name; it is unchanged
  WriteFailed,   ///< the new data file could not be written; the old one is back in place
};

/// Harvests the payment file paypath into the data file datapath, keeping the previous data
/// file as datapath + ".old" and its user lines behind the harvested records, and enters new
/// (country, bank code, BIC) triples into the BIC directory beside the data file.
HarvestResult harvest(const char* datapath, const char* paypath);
