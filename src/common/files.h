// Files as RAII handles, and the line reader used for every line-oriented input.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
/// An open stdio file that is closed when it goes out of scope (unchecked; use closefile
/// where the outcome of the close matters).
using File = std::unique_ptr<std::FILE, FileCloser>;

/// Opens path with the stdio mode; empty when it cannot be opened or is a directory.
File openfile(const std::string& path, const char* mode);

/// True when a and b both exist and are one file: the same name, or links to one file.
bool samefile(const std::string& a, const std::string& b);

/// Closes f and reports whether everything written through it reached the file: false when
/// a write failed earlier (the stream's error flag) or the final flush and close fail.
bool closefile(File& f);

/// Reads a stream as lines the way fgets with an n-byte buffer does: a piece ends after a LF
/// or after n - 1 bytes, whichever comes first, and NUL bytes are data like any other.
/// Unlike fgets it tells the length of each piece, so nothing behind a NUL is lost.
/// The reader owns a fixed read-ahead buffer; once a stream is given to a reader, read it only
/// through that reader.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  /// Reads the next piece of at most cap - 1 bytes into buf and terminates it.
  /// Returns its length; 0 at the end of the input (or on a read error, see failed()).
  std::size_t next(char* buf, std::size_t cap);
  /// True when the end came from a read error rather than the end of the file.
  bool failed() const { return failed_; }

 private:
  bool fill();
  std::FILE* f_;
  std::size_t pos_ = 0, end_ = 0;
  bool failed_ = false;
  char ahead_[1 << 16];
};
