// The IBAN engine on a mixed set of account records and IBANs from all 30 countries, as the
// batch meets them: each call starts from the text as it came out of the record line.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "common/textbuf.h"
#include "iban/iban.h"

namespace {

struct Account {
  const char* land;
  const char* blz;
  const char* konto;
};

// Bank codes and account numbers as users type them: short, with blanks and hyphens, in
// lower case, and already normalised.
const Account kAccounts[] = {
    {"AD", "0001 2030", "200359100100"},
    {"AT", "19043", "234573201"},
    {"BE", "539", "0075470-34"},
    {"CH", "762", "11623852957"},
    {"CZ", "0800", "19-2000145399"},
    {"DE", "370 400 44", "532013000"},
    {"DK", "0040", "0440116243"},
    {"ES", "2100 0418", "45 0200051332"},
    {"FI", "123456", "785"},
    {"FO", "6460", "1631634"},
    {"FR", "20041 01005", "0500013m026"},
    {"GB", "nwbk 60-16-13", "31926819"},
    {"GI", "NWBK", "7099453"},
    {"GL", "6471", "1000206"},
    {"GR", "011 0125", "12300695"},
    {"HU", "117 7301", "6111110180000000"},
    {"IE", "AIBK 93-11-52", "12345678"},
    {"IS", "0159", "260076545510730339"},
    {"IT", "X0542811101", "123456"},
    {"LI", "8810", "2324013AA"},
    {"LU", "001", "9400644750000"},
    {"LV", "bank", "435195001"},
    {"MC", "11222 00001", "01234567890 30"},
    {"NL", "abna", "417164300"},
    {"NO", "8601", "1117947"},
    {"PL", "10901014", "71219812874"},
    {"PT", "0002 0123", "1234567890154"},
    {"SE", "500", "58398257466"},
    {"SI", "26330", "12039086"},
    {"SM", "U0322509800", "270100"},
};

struct Buffers {
  char land[kFieldSize], blz[kFieldSize], konto[kFieldSize], iban[kFieldSize];
};

void settext(char* to, const char* from) {
  std::memcpy(to, from, std::strlen(from) + 1);
}

// The IBANs of the accounts, electronic and every third one printed in groups of four.
std::vector<Buffers> ibans() {
  std::vector<Buffers> out;
  int n = 0;
  for (const Account& a : kAccounts) {
    Buffers b;
    settext(b.blz, a.blz);
    settext(b.konto, a.konto);
    makeiban(a.land, b.blz, b.konto, b.iban);
    if (n++ % 3 == 0) {
      char printed[kFieldSize];
      std::size_t len = 0;
      printed[0] = '\0';
      for (int i = 0; b.iban[i] != '\0'; ++i) {
        if (i > 0 && i % 4 == 0) appendc(printed, sizeof printed, len, ' ');
        appendc(printed, sizeof printed, len, b.iban[i]);
      }
      settext(b.iban, printed);
    }
    out.push_back(b);
  }
  return out;
}

void BM_calcchknr(benchmark::State& state) {
  std::vector<Buffers> set = ibans();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(calcchknr(set[i].iban));
    if (++i == set.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_calcchknr);

void BM_chkiban(benchmark::State& state) {
  const std::vector<Buffers> set = ibans();
  Buffers b;
  std::size_t i = 0;
  for (auto _ : state) {
    settext(b.iban, set[i].iban);  // chkiban cleans in place; start from the record's text
    benchmark::DoNotOptimize(chkiban(b.land, b.blz, b.konto, b.iban));
    benchmark::ClobberMemory();
    if (++i == set.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_chkiban);

void BM_makeiban(benchmark::State& state) {
  Buffers b;
  std::size_t i = 0;
  for (auto _ : state) {
    const Account& a = kAccounts[i];
    settext(b.blz, a.blz);  // makeiban normalises in place; start from the record's text
    settext(b.konto, a.konto);
    benchmark::DoNotOptimize(makeiban(a.land, b.blz, b.konto, b.iban));
    benchmark::ClobberMemory();
    if (++i == sizeof kAccounts / sizeof kAccounts[0]) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_makeiban);

}  // namespace
