#include "batch/record.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "common/bits.h"
#include "common/textbuf.h"

namespace {

// Bytes that end a run of field data: outside quotes the separators, the quote and the end of
// the text; inside quotes only the quote and the end.
struct StopTable {
  bool plain[256];
  bool quoted[256];
};

constexpr StopTable makestoptable() {
  StopTable t{};
  t.plain[int{';'}] = t.plain[int{','}] = t.plain[int{'"'}] = t.plain[0] = true;
  t.quoted[int{'"'}] = t.quoted[0] = true;
  return t;
}

constexpr StopTable kStop = makestoptable();

}  // namespace

void splitrec(const char* line, char* snr, char* land, char* blz, char* konto, char* iban,
              char* bic) {
  char* const field[6] = {snr, land, blz, konto, iban, bic};
  for (char* f : field) f[0] = '\0';

  int status = 0;  // index of the current field
  const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
  const bool* stop = kStop.plain;  // the quoted table inside a quoted section
  std::size_t len = 0;             // characters in the current field
  for (;;) {
    // A run of data bytes, found first and copied at once, as much as the field still takes.
    const unsigned char* run = p;
    while (!stop[*p]) ++p;
    if (status <= 5 && len < static_cast<std::size_t>(kFieldFill)) {
      std::size_t n = static_cast<std::size_t>(p - run);
      if (n > kFieldFill - len) n = kFieldFill - len;
      std::memcpy(field[status] + len, run, n);
      len += n;
    }
    const unsigned char c = *p++;
    if (c == '"') {
      stop = stop == kStop.plain ? kStop.quoted : kStop.plain;
      continue;
    }
    if (status <= 5) field[status][len] = '\0';
    if (c == '\0') break;
    ++status;  // a separator: the next field, or none behind the sixth
    len = 0;
  }
}

std::size_t makedataline(char* line, const char* land, const char* blz, const char* konto,
                         const char* iban) {
  std::size_t len = 0;
  line[0] = '\0';
  for (const char* field : {kHarvestedSnr, land, blz, konto, iban}) {
    appendc(line, kDataLine, len, '"');
    for (const char* p = field; *p && len + 6 < static_cast<std::size_t>(kDataLine); ++p) {
      appendc(line, kDataLine, len, *p);
    }
    appendc(line, kDataLine, len, '"');
    appendc(line, kDataLine, len, ';');
  }
  appendc(line, kDataLine, len, '\r');
  appendc(line, kDataLine, len, '\n');
  return len;
}

namespace {

// Copies the terminated text of a record field (a kFieldSize buffer) to out and returns the
// position behind it. It reads the field eight bytes at a time, all of them inside the
// buffer, and may write up to seven bytes past the text's end, which the caller leaves room
// for and overwrites next.
char* copyfield(char* out, const char (&f)[kFieldSize]) {
  int i = 0;
  for (; i + 8 <= kFieldSize; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, f + i, 8);
    std::memcpy(out + i, &w, 8);
    if (int at = firstzerobyte(w); at < 8) return out + i + at;
  }
  for (; f[i] != '\0'; ++i) out[i] = f[i];
  return out + i;
}

}  // namespace

std::size_t makeresult(char* line, const Record& r, const char* code) {
  char* p = line;
  *p++ = '"';
  for (const char (*f)[kFieldSize] : {&r.snr, &r.land, &r.blz, &r.konto, &r.iban, &r.bic}) {
    p = copyfield(p, *f);
    *p++ = '"';
    *p++ = ';';
    *p++ = '"';
  }
  for (int i = 0; i < kFieldSize - 1 && code[i] != '\0'; ++i) *p++ = code[i];
  *p++ = '"';
  *p++ = '\r';
  *p++ = '\n';
  return static_cast<std::size_t>(p - line);
}

// A door onto makeresult for texts of any buffer: each is taken into a record field first.
void putresult(std::FILE* fo, const char* snr, const char* land, const char* blz,
               const char* konto, const char* iban, const char* bic, const char* code) {
  Record r;
  char* const field[6] = {r.snr, r.land, r.blz, r.konto, r.iban, r.bic};
  const char* const text[6] = {snr, land, blz, konto, iban, bic};
  for (int i = 0; i < 6; ++i) {
    const std::size_t n = strnlen(text[i], kFieldSize - 1);
    std::memcpy(field[i], text[i], n);
    field[i][n] = '\0';
  }
  char line[kResultLine];
  std::size_t n = makeresult(line, r, code);
  std::fwrite(line, 1, n, fo);
}
