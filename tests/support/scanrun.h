// The harvest's and the rewrite's scanners run over texts in memory, both passes, the way the
// harvest and the rewrite run them over files.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "iso20022/rewritescan.h"

/// Bytes written into a string.
class StringSink final : public ByteSink {
 public:
  std::string text;

 protected:
  bool emit(const char* p, std::size_t n) override {
    text.append(p, n);
    return true;
  }
};

/// A record as the harvest's scanner hands it over, with the pass that wrote it.
struct ScanRec {
  char pass;  ///< 'C' creditor, 'D' debtor
  std::string iban, konto, bic, blz, land;
  bool operator==(const ScanRec& o) const {
    return pass == o.pass && iban == o.iban && konto == o.konto && bic == o.bic && blz == o.blz &&
           land == o.land;
  }
};
std::ostream& operator<<(std::ostream& os, const ScanRec& r);

/// Both harvest passes over xml with one scanner state, s, as the harvest runs them.
std::vector<ScanRec> harvestscan(const std::string& xml, HarvestScan& s);
std::vector<ScanRec> harvestscan(const std::string& xml);

/// A result line as the batch writes it, result code "10".
std::string resultline(const char* snr, const char* land, const char* blz, const char* konto,
                       const char* iban, const char* bic);

struct RewriteRun {
  std::string out;  ///< the rewritten text, or what the failing pass wrote
  ScanResult result = ScanResult::Ok;
  std::size_t used = 0;  ///< result lines taken
  /// Record points each pass met (the debtor pass's as the creditor pass's output shows
  /// them), and the lines each pass took: all four equal the harvest's counts in a sound run.
  std::uint64_t creditorpoints = 0, debtorpoints = 0, creditortaken = 0, debtortaken = 0;
  /// Each pass passed as many stretches as were noted for it.
  bool creditorstretches = false, debtorstretches = false;
  RewriteNotice notice;
};

/// Both rewrite passes over xml with one stream of lines, for a mode m (0 to 99) above 0, in
/// the spellings of xml's version.
RewriteRun rewritescan(const std::string& xml, const std::vector<std::string>& lines, int m);
