#include "batch/record.h"

#include <cstring>

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

std::size_t makeresult(char* line, const char* snr, const char* land, const char* blz,
                       const char* konto, const char* iban, const char* bic, const char* code) {
  std::size_t n = 0;
  const char* const field[7] = {snr, land, blz, konto, iban, bic, code};
  for (int i = 0; i < 7; ++i) {
    if (i > 0) line[n++] = ';';
    line[n++] = '"';
    std::size_t len = strnlen(field[i], kFieldSize - 1);
    std::memcpy(line + n, field[i], len);
    n += len;
    line[n++] = '"';
  }
  line[n++] = '\r';
  line[n++] = '\n';
  return n;
}

void putresult(std::FILE* fo, const char* snr, const char* land, const char* blz,
               const char* konto, const char* iban, const char* bic, const char* code) {
  char line[kResultLine];
  std::fwrite(line, 1, makeresult(line, snr, land, blz, konto, iban, bic, code), fo);
}
