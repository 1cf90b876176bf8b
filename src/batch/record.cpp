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

  int status = 0;       // index of the current field
  bool escape = false;  // inside a quoted section
  char* to = field[0];
  std::size_t len = 0, room = kFieldFill;  // room: what the current field still takes
  const bool* stop = kStop.plain;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(line);; ++p) {
    unsigned char c = *p;
    if (!stop[c]) {
      if (len < room) to[len++] = static_cast<char>(c);
      continue;
    }
    if (c == '"') {
      escape = !escape;
      stop = escape ? kStop.quoted : kStop.plain;
      continue;
    }
    if (room > 0) to[len] = '\0';
    if (c == '\0') break;
    // A separator: the next field, or none behind the sixth.
    ++status;
    len = 0;
    if (status <= 5) {
      to = field[status];
    } else {
      room = 0;
    }
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
