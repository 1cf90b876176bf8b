#include "batch/record.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/bits.h"
#include "common/textbuf.h"

namespace {

// The bytes among the 16 at block, from bit `from` on, that stop a run: outside quotes the
// separators, the quote and the end of the text; inside quotes only the quote and the end.
unsigned stopsin(const char* block, int from, bool quoted) {
  const unsigned stops =
      quoted ? matchbytes16(block, '"', '\0', '"', '\0') : matchbytes16(block, ';', ',', '"', '\0');
  return from >= 16 ? 0 : stops & (~0u << from);
}

// Appends the n bytes at run to the field text of length len, as far as the field takes
// them; full records that the field had more. Runs of up to 32 bytes are stored in whole
// blocks of 16 where the field has room for them; bytes stored behind the run are overwritten
// later or lie behind the field's terminator. Every byte read lies within 15 bytes behind
// the run.
void appendrun(char* field, std::size_t& len, const char* run, std::size_t n, bool& full) {
  if (len + n > static_cast<std::size_t>(kFieldFill)) full = true;
  if (len >= static_cast<std::size_t>(kFieldFill)) return;
  const std::size_t take = std::min<std::size_t>(n, kFieldFill - len);
  char* to = field + len;
  if (take <= 16 && len + 16 <= static_cast<std::size_t>(kFieldSize)) {
    std::memcpy(to, run, 16);
  } else if (take <= 32 && len + 32 <= static_cast<std::size_t>(kFieldSize)) {
    std::memcpy(to, run, 16);
    std::memcpy(to + 16, run + 16, 16);
  } else {
    std::memcpy(to, run, take);
  }
  len += take;
}

}  // namespace

bool splitline(const char* line, Record& r) {
  char* const field[6] = {r.snr, r.land, r.blz, r.konto, r.iban, r.bic};
  for (char* f : field) f[0] = '\0';

  int status = 0;       // index of the current field
  bool quoted = false;  // inside a quoted section
  std::size_t len = 0;  // characters in the current field
  bool full = false;    // a field had more than it keeps
  // The line is looked at sixteen bytes at a time: block is the current sixteen, stops the
  // bytes among them that end a run and lie at or behind run, where the current run begins.
  const char* block = line;
  const char* run = line;
  unsigned stops = stopsin(block, 0, quoted);
  for (;;) {
    if (stops == 0) {
      block += 16;
      stops = stopsin(block, 0, quoted);
      continue;
    }
    const char* at = block + lowestbit(stops);
    stops &= stops - 1;
    appendrun(field[status], len, run, static_cast<std::size_t>(at - run), full);
    run = at + 1;
    if (*at == '"') {
      quoted = !quoted;
      stops = stopsin(block, static_cast<int>(run - block), quoted);
      continue;
    }
    field[status][len] = '\0';
    // A separator begins the next field; behind the sixth, the rest of the line is dropped.
    if (*at == '\0' || ++status > 5) break;
    len = 0;
  }
  return full;
}

void splitrec(const char* line, char* snr, char* land, char* blz, char* konto, char* iban,
              char* bic) {
  // The line again with the room behind it that splitline reads: lines of the batch's size
  // in a buffer of their own, longer ones on the heap.
  const std::size_t n = std::strlen(line);
  Record r;
  if (n < static_cast<std::size_t>(kLineBuf)) {
    char room[kLineBuf + kSplitSlack];
    std::memcpy(room, line, n);
    std::memset(room + n, 0, kSplitSlack);
    splitline(room, r);
  } else {
    std::string room(line, n);
    room.append(kSplitSlack, '\0');
    splitline(room.c_str(), r);
  }
  char* const to[6] = {snr, land, blz, konto, iban, bic};
  const char* const from[6] = {r.snr, r.land, r.blz, r.konto, r.iban, r.bic};
  for (int i = 0; i < 6; ++i) std::memcpy(to[i], from[i], std::strlen(from[i]) + 1);
}

bool DataLines::fill() {
  pos_ = 0;
  std::size_t at = 0;
  if (odd_) {  // the first byte of a character that the last read cut in two
    ahead_[0] = held_;
    at = 1;
    odd_ = false;
  }
  end_ = at + std::fread(ahead_ + at, 1, sizeof ahead_ - at, f_);
  if (end_ == at && std::ferror(f_)) failed_ = true;
  if (utf16_) end_ = fromutf16(0);
  return end_ > 0;
}

// Each character of two bytes from `from` on, low byte first, becomes the byte of Windows-1252
// it is, or "?" where it has none; a last byte without its partner waits for the next read.
// Returns the bytes now at the front of ahead_.
std::size_t DataLines::fromutf16(std::size_t from) {
  if ((end_ - from) % 2 == 1) {
    held_ = ahead_[--end_];
    odd_ = true;
  }
  std::size_t n = 0;
  for (std::size_t i = from; i < end_; i += 2) ahead_[n++] = ahead_[i + 1] == 0 ? ahead_[i] : '?';
  return n;
}

// Performance-critical (once per record of the batch): `make bench`.
bool DataLines::next(char* buf, std::size_t cap, std::size_t& len, bool& overlong) {
  len = 0;
  overlong = false;
  if (pos_ == end_ && !fill()) return false;
  if (!started_) {
    started_ = true;
    // A byte-order mark split over two reads cannot be: the first read holds 3 bytes or all.
    if (end_ - pos_ >= 3 && std::memcmp(ahead_ + pos_, "\xef\xbb\xbf", 3) == 0) pos_ += 3;
    // The mark of UTF-16 (a spreadsheet's "Unicode-Text"): the file is read as its characters.
    if (end_ - pos_ >= 2 && std::memcmp(ahead_ + pos_, "\xff\xfe", 2) == 0) {
      utf16_ = true;
      end_ = fromutf16(pos_ + 2);
      pos_ = 0;
      if (end_ == 0 && !fill()) return false;
    }
  }
  if (aftercr_) {
    aftercr_ = false;
    if (pos_ == end_ && !fill()) return false;
    if (ahead_[pos_] == '\n') ++pos_;
  }
  if (pos_ == end_ && !fill()) return false;
  for (;;) {
    // The bytes up to the next CR or LF are the line's; as many as fit go into buf.
    const char* from = ahead_ + pos_;
    const std::size_t have = end_ - pos_;
    std::size_t k = 0;
    for (; k + 16 <= have; k += 16)
      if (const unsigned m = matchbytes16(from + k, '\r', '\n', '\r', '\n'); m != 0) {
        k += lowestbit(m);
        break;
      }
    if (k + 16 > have)
      while (k < have && from[k] != '\r' && from[k] != '\n') ++k;
    const std::size_t room = cap - 1 - len;
    const std::size_t take = k < room ? k : room;
    std::memcpy(buf + len, from, take);
    len += take;
    if (take < k) overlong = true;
    pos_ += k;
    if (pos_ < end_) {  // the line end
      aftercr_ = ahead_[pos_] == '\r';
      ++pos_;
      if (aftercr_ && pos_ < end_) {
        aftercr_ = false;
        if (ahead_[pos_] == '\n') ++pos_;
      }
      break;
    }
    if (!fill()) break;  // the last line, without a line end
  }
  buf[len] = '\0';
  return true;
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
// position behind it. It reads the field sixteen bytes at a time, all of them inside the
// buffer, and may write up to fifteen bytes past the text's end, which the caller leaves room
// for and overwrites next.
char* copyfield(char* out, const char (&f)[kFieldSize]) {
  int i = 0;
  for (; i + 16 <= kFieldSize; i += 16) {
    std::memcpy(out + i, f + i, 16);
    if (const unsigned ends = matchbytes16(f + i, '\0', '\0', '\0', '\0'); ends != 0)
      return out + i + lowestbit(ends);
  }
  for (; f[i] != '\0'; ++i) out[i] = f[i];
  return out + i;
}

}  // namespace

std::size_t makeresult(char* line, const Record& r, const char* code) {
  char* p = line;
  *p++ = '"';
  for (const char(*f)[kFieldSize] : {&r.snr, &r.land, &r.blz, &r.konto, &r.iban, &r.bic}) {
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

// makeresult for texts of any buffer: each is taken into a record field first.
void putresult(std::FILE* fo, const char* snr, const char* land, const char* blz, const char* konto,
               const char* iban, const char* bic, const char* code) {
  Record r = {};  // makeresult reads whole blocks of each field
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
