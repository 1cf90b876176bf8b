#include "batch/batch.h"

#include <cassert>
#include <cstring>
#include <string_view>

#include "bicdir/banktable.h"
#include "bicdir/bicindex.h"
#include "common/bytesink.h"
#include "common/files.h"
#include "common/fsys.h"
#include "common/runfiles.h"
#include "iban/iban.h"
#include "iban/kontocheck.h"
#include "iban/nationalcheck.h"

namespace {

// The result codes by finding: with a BIC found, and without (the same where no lookup runs).
struct CodeRow {
  Finding finding;
  const char* withbic;
  const char* without;
};
constexpr CodeRow kCodes[] = {
    {Finding::IbanBuilt, "10", "00"},        {Finding::IbanValid, "11", "01"},
    {Finding::IbanWrong, "02", "02"},        {Finding::NoIbanBuilt, "90", "90"},
    {Finding::AccountBroken, "91", "91"},    {Finding::FieldsMissing, "92", "92"},
    {Finding::Unreadable, "99", "99"},       {Finding::IbanBankUnknown, "03", "03"},
    {Finding::IbanAccountFails, "04", "04"}, {Finding::IbanBankDeleted, "05", "05"},
    {Finding::BankUnknown, "93", "93"},      {Finding::AccountFails, "94", "94"},
    {Finding::BankDeleted, "95", "95"},
};
constexpr bool codesinorder() {
  for (int i = 0; i < static_cast<int>(sizeof kCodes / sizeof kCodes[0]); ++i)
    if (static_cast<int>(kCodes[i].finding) != i) return false;
  return true;
}
static_assert(codesinorder(), "kCodes is indexed by Finding");

void settext(char* to, const char* from) {
  std::size_t n = shortlen(from, kFieldSize - 1);
  std::memmove(to, from, n);
  to[n] = '\0';
}

Outcome settled(Finding f, bool bicfound = false) {
  return {f, false, bicfound};
}
Outcome tolookup(Finding f) {
  return {f, true, false};
}

// What the national check digits and the bank table say of a record's numbers.
enum class Verdict { Fine, BankUnknown, AccountFails, BankDeleted };

// The verdict on the record's IBAN (built or given) and its bank code and account number, as
// normalised for country land. First the national check digits of the IBAN's BBAN, wherever
// its country has them; then, for Germany and only where there is one, the bank table. A bank
// whose method the program does not know is not judged on its account numbers. nblz and nkonto
// are the lengths of the two fields where the caller knows them, else -1.
Verdict judge(const BankTable* banks, const Record& r, int nblz, int nkonto) {
  if (hasnationalcheck(r.iban)) {
    // A built IBAN is its bank code and account number behind four characters.
    const std::size_t niban = nblz >= 0 && nkonto >= 0 ? static_cast<std::size_t>(4 + nblz + nkonto)
                                                       : strnlen(r.iban, kFieldSize - 1);
    if (niban > 4 && checkbban(std::string_view(r.iban, 2),
                               std::string_view(r.iban + 4, niban - 4)) == NationalCheck::Invalid)
      return Verdict::AccountFails;
  }
  if (!banks || r.land[0] != 'D' || r.land[1] != 'E' || r.land[2] != '\0') return Verdict::Fine;
  const std::string_view blz(
      r.blz, nblz >= 0 ? static_cast<std::size_t>(nblz) : strnlen(r.blz, kFieldSize - 1));
  const BankRow* row = banks->find(blz.data(), blz.size());
  if (!row) return Verdict::BankUnknown;
  const std::string_view konto(
      r.konto, nkonto >= 0 ? static_cast<std::size_t>(nkonto) : strnlen(r.konto, kFieldSize - 1));
  if (checkslot(row->slot, blz, konto) == AccountCheck::Invalid) return Verdict::AccountFails;
  return row->deleted ? Verdict::BankDeleted : Verdict::Fine;
}

// A record whose IBAN stands or was just built, judged (judge): its lookup to come,
// or a failure, which leaves no BIC to look up; built says whether the IBAN is the program's.
// A failure leaves no IBAN of the program's, but a given one stays, as a wrong one does.
Outcome judged(Record& r, const BankTable* banks, bool built, Finding fine, int nblz = -1,
               int nkonto = -1) {
  switch (judge(banks, r, nblz, nkonto)) {
    case Verdict::Fine: return tolookup(fine);
    case Verdict::BankDeleted:
      return tolookup(built ? Finding::BankDeleted : Finding::IbanBankDeleted);
    case Verdict::BankUnknown:
      if (built) r.iban[0] = '\0';
      r.bic[0] = '\0';
      return settled(built ? Finding::BankUnknown : Finding::IbanBankUnknown);
    case Verdict::AccountFails:
      if (built) r.iban[0] = '\0';
      r.bic[0] = '\0';
      return settled(built ? Finding::AccountFails : Finding::IbanAccountFails);
  }
  return tolookup(fine);
}

// An IBAN record: validated and split; the carried country follows a valid IBAN.
Outcome evaliban(Record& r, CarriedCountry& sland, const BankTable* banks) {
  if (chkiban(r.land, r.blz, r.konto, r.iban) != 1) {
    r.bic[0] = '\0';
    return settled(Finding::IbanWrong);
  }
  sland.set(r.land);
  return judged(r, banks, false, Finding::IbanValid);
}

// A bank code that fits the record's own country: that country is carried on, even when the
// account number fails.
// nleftblz: placeholders leftoutblz put in front of the bank code.
Outcome evalowncountry(Record& r, CarriedCountry& sland, int nblz, int nleftblz, const BankTable* banks) {
  sland.set(r.land);
  const int nleftkonto = leftoutkonto(r.land, r.konto);
  const int nkonto = getkonto(r.land, r.konto);
  if (nkonto < 1) {
    r.konto[0] = '\0';
    return settled(Finding::AccountBroken);
  }
  // makeiban would normalise both again under the same country, which changes nothing.
  // A number the country's rule lets through but the registry's structure does not (a
  // letter among the Spanish control digits) breaks the account's rule all the same.
  if (!finishiban(ibanprefix(r.land), r.blz, nblz, r.konto, nkonto, nleftblz, nleftkonto, r.iban)) {
    r.konto[0] = r.iban[0] = '\0';
    return settled(Finding::AccountBroken);
  }
  return judged(r, banks, true, Finding::IbanBuilt, nblz, nkonto);
}

// A bank code that does not fit its own country falls back to the carried one. The result
// line keeps the bank code as the failed rule left it, although makeiban then normalises it
// once more under the carried country's rule for the IBAN and the lookup.
Outcome evalcarried(Record& r, CarriedCountry& sland, const BicIndex& bics, const BankTable* banks) {
  settext(r.land, sland.code());
  if (getkonto(r.land, r.konto) < 1) {
    r.konto[0] = '\0';
    return settled(Finding::AccountBroken);
  }
  char written[kFieldSize];
  settext(written, r.blz);
  Outcome o = settled(Finding::NoIbanBuilt);
  if (makeiban(r.land, r.blz, r.konto, r.iban) != 0) {
    r.iban[0] = '\0';
  } else {
    // The lookup needs the bank code as makeiban normalised it, so it cannot wait here.
    o = judged(r, banks, true, Finding::IbanBuilt);
    if (o.lookup) o = settled(o.finding, bics.get(r.land, r.blz, r.bic) == 1);
  }
  settext(r.blz, written);
  return o;
}

// An account record: bank code and account number checked, the IBAN built from them.
Outcome evalaccount(Record& r, CarriedCountry& sland, const BicIndex& bics, const BankTable* banks) {
  r.iban[0] = '\0';
  r.bic[0] = '\0';
  if (r.blz[0] == '\0' || r.konto[0] == '\0') {
    settext(r.land, sland.code());
    r.blz[0] = r.konto[0] = '\0';
    return settled(Finding::FieldsMissing);
  }
  const int nleftblz = leftoutblz(r.land, r.blz);
  const int nblz = getblz(r.land, r.blz);
  if (nblz >= 1) return evalowncountry(r, sland, nblz, nleftblz, banks);
  return evalcarried(r, sland, bics, banks);
}

// The batch's look-ahead: each record's BIC lookup waits until the next kAhead - 1 records
// have been evaluated, and the index's memory for it is fetched meanwhile, which matters once
// the directory outgrows the cache. It holds the records between evaluation and lookup, with
// their outcomes and lookup keys; a key points into its own record's fields, which stay put
// until the record is written. The index does not change during the batch and a lookup touches
// nothing a later record reads, so the result lines are exactly those of one record after the
// other. Performance-critical: `make bench` (batch-100k).
class LookupRing {
 public:
  explicit LookupRing(const BicIndex& bics) : bics_(bics) {}
  bool full() const { return read_ - done_ == kAhead; }
  bool empty() const { return read_ == done_; }

  /// The slot for the next record to evaluate.
  Record& next() {
    assert(!full());
    return rec_[read_ % kAhead];
  }
  /// The record in next() has been evaluated to o: its lookup, if any, is prepared.
  void evaluated(const Outcome& o) {
    const std::size_t i = read_++ % kAhead;
    outcome_[i] = o;
    haskey_[i] = o.lookup && !bics_.empty();
    // An empty directory answers every lookup at once, without looking at the key.
    if (haskey_[i]) {
      key_[i] = BicIndex::key(rec_[i].land, rec_[i].blz);
      bics_.prefetch(key_[i]);
    }
  }
  /// Finishes the oldest record with its lookup; its fields and code stay valid until the next
  /// call of next().
  const Record& finish(const char*& code) {
    assert(!empty());
    const std::size_t i = done_++ % kAhead;
    Record& r = rec_[i];
    const Outcome& o = outcome_[i];
    bool found = o.bicfound;
    if (o.lookup) {
      r.bic[0] = '\0';
      found = haskey_[i] && bics_.get(key_[i], r.bic) == 1;
    }
    code = codetext(o.finding, found);
    return r;
  }

 private:
  static constexpr std::size_t kAhead = 8;  // a power of two
  const BicIndex& bics_;
  Record rec_[kAhead] = {};  // makeresult reads whole blocks of each field
  Outcome outcome_[kAhead];
  BicIndex::Key key_[kAhead] = {};
  bool haskey_[kAhead] = {};
  std::size_t read_ = 0, done_ = 0;  // records evaluated, records finished
};

// A record that is no record: an empty line has nothing to evaluate; a line or field longer
// than a record holds cannot be evaluated without cutting a number. The fields stay as read
// (the BIC field is never written back), and the carried country is left alone.
Outcome emptyline() {
  return settled(Finding::FieldsMissing);
}
Outcome unreadable(Record& r) {
  r.bic[0] = '\0';
  return settled(Finding::Unreadable);
}

// The row of a code in kResultCodeTable.
int coderow(const char* code) {
  for (int i = 0; i < kResultCodes; ++i)
    if (std::strcmp(kResultCodeTable[i].code, code) == 0) return i;
  return 0;
}

}  // namespace

// \xfc is u-umlaut, \xe4 a-umlaut (Windows-1252).
const ResultCode kResultCodeTable[kResultCodes] = {
    {"00", "IBAN berechnet"},
    {"01", "IBAN korrekt, Land + Konto + BLZ berechnet"},
    {"02", "IBAN falsch"},
    {"03",
     "IBAN-Pr\xfc"
     "fziffer korrekt, Bankleitzahl unbekannt: IBAN erfragen"},
    {"04",
     "IBAN-Pr\xfc"
     "fziffer korrekt, Kontonummer falsch nach nationaler Pr\xfc"
     "fziffer: IBAN erfragen"},
    {"05",
     "IBAN korrekt, Land + Konto + BLZ (+ BIC) berechnet, Bankleitzahl wird gel\xf6scht: "
     "neue Bankverbindung erfragen"},
    {"10", "IBAN + BIC berechnet"},
    {"11", "IBAN korrekt, Land + Konto + BLZ + BIC berechnet"},
    {"90", "Konto korrekt, Bankleitzahl passt zu keinem Land, keine IBAN"},
    {"91", "Kontonummer falsch oder zu lang"},
    {"92", "Bankleitzahl oder Kontonummer fehlt"},
    {"93",
     "Bankleitzahl unbekannt, keine IBAN: Bankleitzahl pr\xfc"
     "fen"},
    {"94",
     "Kontonummer falsch nach nationaler Pr\xfc"
     "fziffer, keine IBAN: Kontonummer pr\xfc"
     "fen"},
    {"95",
     "IBAN (+ BIC) berechnet, Bankleitzahl wird gel\xf6scht: neue Bankverbindung "
     "erfragen"},
    {"99", "Zeile oder Feld zu lang, Satz nicht ausgewertet"},
};

const char* codetext(Finding f, bool bicfound) {
  const CodeRow& row = kCodes[static_cast<int>(f)];
  return bicfound ? row.withbic : row.without;
}

Outcome evalsteps(Record& r, CarriedCountry& sland, const BicIndex& bics, const BankTable* banks) {
  if (shortlen(r.land, 3) > 2) settext(r.land, sland.code());
  if (hasiban(r.iban)) return evaliban(r, sland, banks);
  return evalaccount(r, sland, bics, banks);
}

const char* lookupbic(Record& r, const Outcome& o, const BicIndex& bics) {
  if (!o.lookup) return codetext(o.finding, o.bicfound);
  return codetext(o.finding, bics.get(r.land, r.blz, r.bic) == 1);
}

const char* evalrec(Record& r, CarriedCountry& sland, const BicIndex& bics, const BankTable* banks) {
  return lookupbic(r, evalsteps(r, sland, bics, banks), bics);
}

bool runbatch(std::FILE* fi, std::FILE* fo, const char* verz, CarriedCountry& sland, BatchCounts* counts,
              const BankTable* banks, const BicIndex* known) {
  // Read once for the whole batch, after the harvest has fed it, so that every lookup is
  // answered from memory with what reading the file would answer: the harvest's own index
  // where it still answers so (a big directory is not read twice in a run), else afresh.
  BicIndex own;
  if (!known || known->stale()) {
    own.load(verz);
    known = &own;
  }
  const BicIndex& bics = *known;
  DataLines in(fi);
  FileSink out(fo);
  LookupRing ring(bics);
  auto finish = [&]() {
    const char* code;
    const Record& r = ring.finish(code);
    out.commit(makeresult(out.reserve(kResultLine), r, code));
    if (counts) {
      ++counts->records;
      ++counts->bycode[coderow(code)];
    }
  };
  // Zeroed once: the bytes splitline reads behind a line are then always ones written before.
  char buffer[kLineBuf + kSplitSlack] = {};
  std::size_t len;
  bool overlong;
  while (in.next(buffer, kLineBuf, len, overlong)) {
    if (ring.full()) finish();
    if (out.failed()) return false;
    Record& r = ring.next();
    const bool toolong = splitline(buffer, r) || overlong;
    if (toolong) {
      ring.evaluated(unreadable(r));
    } else if (len == 0) {
      ring.evaluated(emptyline());
    } else {
      ring.evaluated(evalsteps(r, sland, bics, banks));
    }
  }
  while (!ring.empty()) finish();
  return out.flush() && !in.failed();
}

BatchResult batchstage(const RunFiles& f, CarriedCountry& sland, BatchCounts& counts,
                       const BankTable* banks, const BicIndex* known) {
  File fi = openfile(f.data, "rb");
  if (!fi) return BatchResult::NoDataFile;
  File fo;
  if (!clobbers(f, Output::Result)) fo = createfresh(f.result, filemode(f.data));
  if (!fo) return BatchResult::ResultNotCreated;
  // A result file that could not be written completely must not be reported as a success.
  bool ok = runbatch(fi.get(), fo.get(), f.data.c_str(), sland, &counts, banks, known);
  if (!closefile(fo)) ok = false;
  return ok ? BatchResult::Done : BatchResult::ResultNotWritten;
}

void CarriedCountry::set(const char* land) {
  settext(code_, land);
}
