// The one buffered writer: every output of the program (the result file, the harvested data
// file, the rewritten payment files) is collected here and handed on in large blocks.
#pragma once

#include <cstddef>
#include <cstdio>

/// Buffered byte output. put() and reserve() are cheap; the bytes reach emit() in blocks.
/// Performance-critical (the batch writes every result line through it): `make bench`.
class ByteSink {
 public:
  ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  virtual ~ByteSink() = default;

  void put(char c) {
    if (len_ == sizeof buf_) flush();
    buf_[len_++] = c;
  }
  void write(const char* s, std::size_t n);
  void write(const char* s);
  /// Room for at least n bytes (n at most kBlock) at the end of the buffer: write into it, then
  /// commit what was written.
  char* reserve(std::size_t n) {
    if (sizeof buf_ - len_ < n) flush();
    return buf_ + len_;
  }
  void commit(std::size_t n) { len_ += n; }
  /// Hands everything collected to emit(). Returns false when an emit has failed, now or
  /// before.
  bool flush();
  bool failed() const { return failed_; }

  static constexpr std::size_t kBlock = 1 << 16;

 protected:
  /// Takes n bytes on. Returns false when they could not be written.
  virtual bool emit(const char* p, std::size_t n) = 0;

 private:
  char buf_[kBlock];
  std::size_t len_ = 0;
  bool failed_ = false;
};

/// A ByteSink into a stdio stream. A failed write is remembered, and the stream's error flag
/// makes closefile report it too.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(std::FILE* f) : f_(f) {}

 protected:
  bool emit(const char* p, std::size_t n) override { return std::fwrite(p, 1, n, f_) == n; }

 private:
  std::FILE* f_;
};
