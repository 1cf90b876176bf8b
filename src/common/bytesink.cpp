#include "common/bytesink.h"

#include <cstring>

void ByteSink::write(const char* s, std::size_t n) {
  while (n > 0) {
    if (len_ == sizeof buf_) flush();
    std::size_t take = sizeof buf_ - len_;
    if (take > n) take = n;
    std::memcpy(buf_ + len_, s, take);
    len_ += take;
    s += take;
    n -= take;
  }
}

void ByteSink::write(const char* s) {
  write(s, std::strlen(s));
}

bool ByteSink::flush() {
  // After a failure nothing more is written: what follows would not join up with what is on
  // the disk.
  if (len_ > 0 && !failed_ && !emit(buf_, len_)) failed_ = true;
  len_ = 0;
  return !failed_;
}
