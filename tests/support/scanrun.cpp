#include "support/scanrun.h"

#include <algorithm>
#include <cstring>

namespace {

class Capture final : public HarvestSink {
 public:
  std::vector<ScanRec> recs;
  char pass = 'C';
  void record(HarvestFields& f) override {
    recs.push_back({pass, f.iban, f.konto, f.bic, f.blz, f.land});
  }
};

class Lines final : public LineSource {
 public:
  explicit Lines(const std::vector<std::string>& lines) : lines_(lines) {}
  std::size_t next(char* buf, std::size_t cap) override {
    if (used == lines_.size()) return 0;
    std::string l = lines_[used++].substr(0, cap - 1);
    std::memcpy(buf, l.c_str(), l.size() + 1);
    return l.size();
  }
  std::size_t used = 0;

 private:
  const std::vector<std::string>& lines_;
};

// One pass over xml from the harvest scanner's state track, which it leaves where it ended.
ScanResult pass(const RewriteSide& side, RewriteForms forms, const std::string& xml, Lines& lines,
                std::string& out, HarvestScan& track, std::size_t aheadread) {
  StringSink sink;
  TextSource ahead(xml, aheadread);
  PairAhead pairs(side.track, ahead, track);
  RewriteScan scan;
  rewritestart(scan, track);
  const RewritePass p = {side, forms, sink, lines, pairs};
  ScanResult r = rewritetext(scan, p, xml.data(), xml.size());
  if (r == ScanResult::Ok) {
    rewriteend(scan, p);
  } else {
    sink.flush();
  }
  track = scan.track;
  out = sink.text;
  return r;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const ScanRec& r) {
  return os << r.pass << "{iban=" << r.iban << " konto=" << r.konto << " bic=" << r.bic
            << " blz=" << r.blz << " land=" << r.land << "}";
}

std::vector<ScanRec> harvestscan(const std::string& xml, HarvestScan& s) {
  Capture cap;
  harveststart(s);
  harvesttext(s, kCreditorHarvest, xml.data(), xml.size(), cap);
  cap.pass = 'D';
  harveststart(s);
  harvesttext(s, kDebtorHarvest, xml.data(), xml.size(), cap);
  return cap.recs;
}

std::vector<ScanRec> harvestscan(const std::string& xml) {
  HarvestScan s;
  return harvestscan(xml, s);
}

std::string resultline(const char* snr, const char* land, const char* blz, const char* konto,
                       const char* iban, const char* bic) {
  return std::string("\"") + snr + "\";\"" + land + "\";\"" + blz + "\";\"" + konto + "\";\"" +
         iban + "\";\"" + bic + "\";\"10\"\r\n";
}

RewriteRun rewritescan(const std::string& xml, const std::vector<std::string>& lines, int m,
                       std::size_t aheadread) {
  Lines src(lines);
  RewriteRun o;
  std::string mid;
  HarvestScan track;
  o.result = pass(kCreditorRewrite, formsfor(m), xml, src, mid, track, aheadread);
  if (o.result == ScanResult::Ok) {
    o.result = pass(kDebtorRewrite, formsfor(m), mid, src, o.out, track, aheadread);
  } else {
    o.out = mid;
  }
  o.used = src.used;
  return o;
}
