#include "batch/batch.h"

#include <cstdint>
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
Outcome evaliban(Record& r, char* sland) {
  if (chkiban(r.land, r.blz, r.konto, r.iban) != 1) {
    r.bic[0] = '\0';
    return {"02", nullptr};
  }
  settext(sland, r.land);
  return {"11", "01"};
}

// An account record: bank code and account number checked, the IBAN built from them.
Outcome evalaccount(Record& r, char* sland, const BicIndex& bics) {
  r.iban[0] = '\0';
  r.bic[0] = '\0';
  if (r.blz[0] == '\0' || r.konto[0] == '\0') {
    settext(r.land, sland);
    r.blz[0] = r.konto[0] = '\0';
    return {"92", nullptr};
  }
  // A bank code that fits its own country passes that country on, even when the account
  // number fails later. One that does not fit falls back to the carried country, and the
  // result line keeps the bank code as the failed rule left it, although makeiban then
  // normalises it once more under the carried country's rule for the IBAN and the lookup.
  const int nblz = getblz(r.land, r.blz);
  if (nblz >= 1) {
    settext(sland, r.land);
    const int nkonto = getkonto(r.land, r.konto);
    if (nkonto < 1) {
      r.konto[0] = '\0';
      return {"91", nullptr};
    }
    // makeiban would normalise both again under the same country, which changes nothing,
    // and then always build the IBAN.
    buildiban(r.land, r.blz, nblz, r.konto, nkonto, r.iban);
    return {"10", "00"};
  }
  settext(r.land, sland);
  if (getkonto(r.land, r.konto) < 1) {
    r.konto[0] = '\0';
    return {"91", nullptr};
  }
  char written[kFieldSize];
  settext(written, r.blz);
  Outcome o = {"90", nullptr};
  if (makeiban(r.land, r.blz, r.konto, r.iban) != 0) {
    r.iban[0] = '\0';
  } else {
    // The lookup needs the bank code as makeiban normalised it, so it cannot wait here.
    o = {bics.get(r.land, r.blz, r.bic) == 1 ? "10" : "00", nullptr};
  }
  settext(r.blz, written);
  return o;
}

// Copies the terminated text of a record field (a kFieldSize buffer) to out and returns the
// position behind it. It reads the field eight bytes at a time, all of them inside the
// buffer, and may write up to seven bytes past the text's end, which the caller leaves room
// for and overwrites next.
char* copyfield(char* out, const char (&f)[kFieldSize]) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  int i = 0;
  for (; i + 8 <= kFieldSize; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, f + i, 8);
    std::memcpy(out + i, &w, 8);
    const std::uint64_t zero = (w - kOnes) & ~w & kHighs;  // the high bit of each NUL byte
    if (zero != 0) return out + i + __builtin_ctzll(zero) / 8;
  }
  for (; f[i] != '\0'; ++i) out[i] = f[i];
  return out + i;
#else
  std::size_t n = strnlen(f, kFieldSize - 1);
  std::memcpy(out, f, n);
  return out + n;
#endif
}

// The result line of an evaluated record, byte for byte what makeresult composes.
std::size_t resultline(char* line, const Record& r, const char* code) {
  char* p = line;
  *p++ = '"';
  for (const char (*f)[kFieldSize] : {&r.snr, &r.land, &r.blz, &r.konto, &r.iban, &r.bic}) {
    p = copyfield(p, *f);
    *p++ = '"';
    *p++ = ';';
    *p++ = '"';
  }
  *p++ = code[0];
  *p++ = code[1];
  *p++ = '"';
  *p++ = '\r';
  *p++ = '\n';
  return static_cast<std::size_t>(p - line);
}

}  // namespace

Outcome evalsteps(Record& r, char* sland, const BicIndex& bics) {
  if (std::strlen(r.land) > 2) settext(r.land, sland);
  if (std::strlen(r.iban) > 8) return evaliban(r, sland);
  return evalaccount(r, sland, bics);
}

const char* lookupbic(Record& r, const Outcome& o, const BicIndex& bics) {
  if (o.miss == nullptr) return o.code;
  return bics.get(r.land, r.blz, r.bic) == 1 ? o.code : o.miss;
}

namespace {

// lookupbic for a key made, and its memory fetched, a record earlier.
const char* lookupbic(Record& r, const Outcome& o, const BicIndex& bics, const BicIndex::Key& k) {
  if (o.miss == nullptr) return o.code;
  return bics.get(k, r.bic) == 1 ? o.code : o.miss;
}

}  // namespace

const char* evalrec(Record& r, char* sland, const BicIndex& bics) {
  return lookupbic(r, evalsteps(r, sland, bics), bics);
}

bool runbatch(std::FILE* fi, std::FILE* fo, const char* verz, char* sland) {
  // Read once for the whole batch, after the harvest has fed it, so that every lookup is
  // answered from memory with what reading the file would answer.
  BicIndex bics;
  bics.load(verz);
  LineReader in(fi);
  BlockWriter out(fo);
  char buffer[kLineBuf];
  // Each record's BIC lookup waits until the next kAhead - 1 records have been evaluated:
  // the index's memory for it is fetched meanwhile, which matters once the directory outgrows
  // the cache. The index does not change during the batch and a lookup touches nothing a
  // later record reads, so the result lines are exactly those of one record after the other.
  constexpr std::size_t kAhead = 8;  // a power of two
  Record rec[kAhead];
  Outcome outcome[kAhead];
  BicIndex::Key key[kAhead] = {};
  std::size_t read = 0, done = 0;  // records evaluated, records written
  auto finish = [&]() {
    const std::size_t i = done++ % kAhead;
    Record& r = rec[i];
    const char* code = lookupbic(r, outcome[i], bics, key[i]);
    // The line putresult would write, collected with its neighbours into one large write.
    char* line = out.reserve(kResultLine + 8);
    out.commit(resultline(line, r, code));
  };
  while (in.next(buffer, sizeof buffer) > 0) {
    if (read - done == kAhead) finish();
    if (out.failed()) return false;
    const std::size_t i = read++ % kAhead;
    Record& r = rec[i];
    splitrec(buffer, r.snr, r.land, r.blz, r.konto, r.iban, r.bic);
    outcome[i] = evalsteps(r, sland, bics);
    // An empty directory answers every get at once, without looking at the key.
    if (outcome[i].miss != nullptr && !bics.empty()) {
      key[i] = BicIndex::key(r.land, r.blz);
      bics.prefetch(key[i]);
    }
  }
  while (done < read) finish();
  return out.flush() && !in.failed();
}
