#include "batch/record.h"

#include <cstring>

#include "common/textbuf.h"

void splitrec(const char* line, char* snr, char* land, char* blz, char* konto, char* iban,
              char* bic) {
  char* const field[6] = {snr, land, blz, konto, iban, bic};
  std::size_t len[6] = {0, 0, 0, 0, 0, 0};
  for (char* f : field) f[0] = '\0';

  int status = 0;       // index of the current field
  bool escape = false;  // inside a quoted section
  for (const char* p = line; *p; ++p) {
    char c = *p;
    if ((c == ';' || c == ',') && !escape) {
      ++status;
    } else if (c == '"') {
      escape = !escape;
    } else if (status <= 5 && len[status] < static_cast<std::size_t>(kFieldFill)) {
      field[status][len[status]++] = c;
      field[status][len[status]] = '\0';
    }
  }
}

void putresult(std::FILE* fo, const char* snr, const char* land, const char* blz,
               const char* konto, const char* iban, const char* bic, const char* code) {
  // Composed in one buffer and written at once; each field is at most kFieldSize - 1 bytes.
  char line[7 * (kFieldSize + 3) + 2];
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
  std::fwrite(line, 1, n, fo);
}
