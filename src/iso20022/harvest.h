// The payment-file harvest: creditor and debtor accounts of a pain.001 file into the data file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "iso20022/harvestscan.h"

class BicIndex;
struct RunFiles;
class ByteSink;

/// What a harvest wrote: the records of each pass, and the captured texts it left empty
/// because a double quote in them cannot stand in a data-file field; and for the rewrite,
/// where the creditor pass's stretches ended and the scanner as that pass left it.
struct HarvestReport {
  std::uint64_t creditor = 0;
  std::uint64_t debtor = 0;
  std::uint64_t quoted = 0;
  std::uint64_t bicslearnt = 0;  ///< (country, bank code) pairs new to the BIC directory
  Stretches creditorstretches;
  HarvestScan creditorend;
};

enum class HarvestResult {
  Skipped,       ///< the payment file could not be opened; nothing was touched
  Done,          ///< the data file holds the harvested records, then the user's lines
  BackupFailed,  ///< the data file could not be kept under its backup name; it is unchanged
  WriteFailed,   ///< the new data file could not be written or put in place; the old one stays
};

/// Harvests the run's payment file into its data file, keeping the previous data file as the
/// backup and its user lines behind the harvested records, and enters new (country, bank code,
/// BIC) triples into the BIC directory beside the data file.
/// A payment file that cannot be opened or read gives Skipped before anything is touched.
/// On BackupFailed and WriteFailed the data file is as it was before the call (a data file
/// that did not exist does not exist afterwards); BIC.csv may keep what was added to it, and
/// the backup may have been replaced by a copy of the data file. The new data file gets the
/// permission bits of the old one. counts tells what was written (nothing unless Done).
HarvestResult harvest(const RunFiles& f, HarvestReport& counts);
/// The same, with the BIC directory read into bics, which afterwards holds it as the harvest
/// left it (not loaded when the harvest read none): a batch that follows may take it over
/// where it is not stale.
HarvestResult harvest(const RunFiles& f, HarvestReport& counts, BicIndex& bics);

/// The record step at a record point: cuts the bank code out of an IBAN of more than 8
/// characters into f.blz and normalises it with getblz, enters (land, blz, bic) into the BIC
/// directory bics when bic and blz are both set, sets land from the IBAN, and
/// writes the record's data-file line into line (kDataLine bytes), terminated.
/// Returns the length of the line. Does not empty the fields; the scanner does that.
std::size_t recordstep(HarvestFields& f, BicIndex& bics, char* line);

/// The merge: copies the lines of from to to byte for byte, except lines that begin with the
/// three characters "0" (quote, zero, quote): the records of earlier harvests.
/// Returns false when reading from failed; write errors stay in to's failed().
bool mergebackup(std::FILE* from, ByteSink& to);
