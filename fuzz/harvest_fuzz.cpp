// The harvest's scanner on arbitrary bytes, both passes as a run makes them: every record's
// fields terminated within their buffers, land never longer than two characters, the states
// always ones of the tables'.
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "iso20022/harvestscan.h"

namespace {

void checkfields(const HarvestFields& f) {
  for (const char* t : {f.iban, f.konto, f.bic, f.blz, f.land}) {
    FUZZ_CHECK(strnlen(t, kFieldSize) < static_cast<std::size_t>(kFieldSize));
  }
  FUZZ_CHECK(std::strlen(f.land) <= 2);
}

struct Sink final : HarvestSink {
  int records = 0;
  void record(HarvestFields& f) override {
    checkfields(f);
    ++records;
  }
};

bool known(const HarvestScan& s) {
  return static_cast<int>(s.state) <= static_cast<int>(HarvestState::InPartyCtryText) &&
         static_cast<int>(s.x.state) <= static_cast<int>(XmlState::DeclSubset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* p = reinterpret_cast<const char*>(data);
  HarvestScan s;
  Sink sink;
  for (const HarvestSide* side : {&kCreditorHarvest, &kDebtorHarvest}) {
    harveststart(s);
    for (std::size_t i = 0; i < size; ++i) {
      harvestbyte(s, *side, p[i], sink);
      FUZZ_CHECK(known(s));
    }
    checkfields(s.f);
  }
  // A record needs at least the end tag of its element.
  FUZZ_CHECK(static_cast<std::size_t>(sink.records) * 10 <= size);
  return 0;
}
