#include "batch/batch.h"

#include <cstring>

#include "batch/record.h"
#include "bicdir/bicindex.h"
#include "common/files.h"
#include "iban/iban.h"

namespace {

void settext(char* to, const char* from) {
  std::size_t n = strnlen(from, kFieldSize - 1);
  std::memmove(to, from, n);
  to[n] = '\0';
}

// An IBAN record: validated and split; the carried country follows a valid IBAN.
const char* evaliban(Record& r, char* sland, const BicIndex& bics) {
  if (chkiban(r.land, r.blz, r.konto, r.iban) != 1) {
    r.bic[0] = '\0';
    return "02";
  }
  settext(sland, r.land);
  return bics.get(r.land, r.blz, r.bic) == 1 ? "11" : "01";
}

// An account record: bank code and account number checked, the IBAN built from them.
const char* evalaccount(Record& r, char* sland, const BicIndex& bics) {
  r.iban[0] = '\0';
  r.bic[0] = '\0';
  if (r.blz[0] == '\0' || r.konto[0] == '\0') {
    settext(r.land, sland);
    r.blz[0] = r.konto[0] = '\0';
    return "92";
  }
  // A bank code that fits its own country passes that country on, even when the account
  // number fails later. One that does not fit falls back to the carried country, and the
  // result line keeps the bank code as the failed rule left it, although makeiban then
  // normalises it once more under the carried country's rule for the IBAN and the lookup.
  const int nblz = getblz(r.land, r.blz);
  const bool fitted = nblz >= 1;
  if (fitted) {
    settext(sland, r.land);
  } else {
    settext(r.land, sland);
  }
  char written[kFieldSize];
  if (!fitted) settext(written, r.blz);

  const char* code;
  const int nkonto = getkonto(r.land, r.konto);
  if (nkonto < 1) {
    r.konto[0] = '\0';
    code = "91";
  } else if (fitted) {
    // makeiban would normalise both again under the same country, which changes nothing,
    // and then always build the IBAN.
    buildiban(r.land, r.blz, nblz, r.konto, nkonto, r.iban);
    code = bics.get(r.land, r.blz, r.bic) == 1 ? "10" : "00";
  } else if (makeiban(r.land, r.blz, r.konto, r.iban) != 0) {
    r.iban[0] = '\0';
    code = "90";
  } else {
    code = bics.get(r.land, r.blz, r.bic) == 1 ? "10" : "00";
  }
  if (!fitted) settext(r.blz, written);
  return code;
}

}  // namespace

const char* evalrec(Record& r, char* sland, const BicIndex& bics) {
  if (std::strlen(r.land) > 2) settext(r.land, sland);
  if (std::strlen(r.iban) > 8) return evaliban(r, sland, bics);
  return evalaccount(r, sland, bics);
}

bool runbatch(std::FILE* fi, std::FILE* fo, const char* verz, char* sland) {
  // Read once for the whole batch, after the harvest has fed it, so that every lookup is
  // answered from memory with what reading the file would answer.
  BicIndex bics;
  bics.load(verz);
  LineReader in(fi);
  BlockWriter out(fo);
  char buffer[kLineBuf];
  Record r;
  while (in.next(buffer, sizeof buffer) > 0) {
    splitrec(buffer, r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
    const char* code = evalrec(r, sland, bics);
    // The line putresult would write, collected with its neighbours into one large write.
    char* line = out.reserve(kResultLine);
    out.commit(makeresult(line, r.snr, r.land, r.blz, r.konto, r.iban, r.bic, code));
    if (out.failed()) return false;
  }
  return out.flush() && !in.failed();
}
