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

// One pass over xml.
ScanResult pass(const RewritePass& p, const std::string& xml, RewriteScan& scan,
                const HarvestScan& start, std::string& out, StringSink& sink) {
  rewritestart(scan, start);
  ScanResult r = rewritetext(scan, p, xml.data(), xml.size());
  if (r == ScanResult::Ok) {
    rewriteend(scan, p);
  } else {
    sink.flush();
  }
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

RewriteRun rewritescan(const std::string& xml, const std::vector<std::string>& lines, int m) {
  Lines src(lines);
  RewriteRun o;
  const PaymentVersion version = painversion(xml.substr(0, kVersionHead));
  // The creditor stretches as the harvest's creditor pass notes them.
  HarvestScan creditor;
  Stretches stretches;
  NoRecords none;
  harvestnote(creditor, kCreditorHarvest, xml.data(), xml.size(), none, stretches);
  HarvestFollower later{kDebtorHarvest, creditor, {}};
  harveststart(later.scan);
  later.ownlexer = later.scan.x.state != XmlState::Text;
  std::string mid;
  {
    StringSink sink;
    RewriteScan scan;
    const RewritePass p = {kCreditorRewrite, formsfor(m), *version.row, sink, src,
                           stretches,        &later,      o.notice};
    o.result = pass(p, xml, scan, HarvestScan(), mid, sink);
    o.creditortaken = scan.taken;
    o.creditorstretches = scan.stretch == stretches.count();
  }
  o.creditorpoints = stretches.records();
  o.debtorpoints = later.stretches.records();
  if (o.result == ScanResult::Ok) {
    StringSink sink;
    RewriteScan scan;
    const RewritePass p = {kDebtorRewrite,  formsfor(m), *version.row, sink, src,
                           later.stretches, nullptr,     o.notice};
    o.result = pass(p, mid, scan, creditor, o.out, sink);
    o.debtortaken = scan.taken;
    o.debtorstretches = scan.stretch == later.stretches.count();
  } else {
    o.out = mid;
  }
  o.used = src.used;
  return o;
}
