// A cap on the size of the files this process writes, as a full disk would cut a write short:
// set while the object lives, lifted when it goes. The write past the cap fails with an error
// instead of raising SIGXFSZ. POSIX only.
#pragma once

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>

#include <cstddef>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::size_t bytes) {
    if (getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
    rlimit small = old_;
    small.rlim_cur = bytes;
    oldsig_ = signal(SIGXFSZ, SIG_IGN);
    ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    if (!ok_) return;
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldsig_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }  ///< the cap is in force

 private:
  rlimit old_{};
  void (*oldsig_)(int) = SIG_DFL;
  bool ok_ = false;
};
#endif
