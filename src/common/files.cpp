#include "common/files.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <system_error>

File openfile(const std::string& path, const char* mode) {
  File f(std::fopen(path.c_str(), mode));
  // Some systems open a directory for reading and only fail at the first read: a directory
  // is never a file we can use.
  struct stat st;
  if (f && fstat(fileno(f.get()), &st) == 0 && S_ISDIR(st.st_mode)) f.reset();
  return f;
}

bool samefile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

bool closefile(File& f) {
  if (!f) return false;
  bool ok = std::ferror(f.get()) == 0;
  if (std::fclose(f.release()) != 0) ok = false;
  return ok;
}

bool LineReader::fill() {
  pos_ = 0;
  end_ = std::fread(ahead_, 1, sizeof ahead_, f_);
  if (end_ == 0 && std::ferror(f_)) failed_ = true;
  return end_ > 0;
}

std::size_t LineReader::next(char* buf, std::size_t cap) {
  std::size_t len = 0;
  if (cap == 0) return 0;
  while (len + 1 < cap) {
    if (pos_ == end_ && !fill()) break;
    std::size_t want = cap - 1 - len;
    std::size_t have = end_ - pos_;
    if (have < want) want = have;
    const char* from = ahead_ + pos_;
    const void* lf = std::memchr(from, '\n', want);
    std::size_t take = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1 : want;
    std::memcpy(buf + len, from, take);
    len += take;
    pos_ += take;
    if (lf) break;
  }
  buf[len] = '\0';
  return len;
}
