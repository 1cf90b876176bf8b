// The file-system layer on POSIX systems.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/fsys.h"

std::size_t folderend(const std::string& path) {
  const std::string::size_type sep = path.rfind('/');
  return sep == std::string::npos ? 0 : sep + 1;
}

bool replacefile(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

// A data file that is a symbolic link gives its target the hard link, not the link.
bool linkfile(const char* from, const char* to) {
  return ::linkat(AT_FDCWD, from, AT_FDCWD, to, AT_SYMLINK_FOLLOW) == 0;
}

bool removeentry(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISDIR(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

int filemode(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return kNoMode;
  return static_cast<int>(st.st_mode & 07777);
}

File createfresh(const std::string& path, int mode, bool exact) {
  // A name that cannot be removed (another user's file in a shared folder, say) is not
  // written: the exclusive create below then fails on it.
  removeentry(path);
  const mode_t bits = mode == kNoMode ? 0666 : static_cast<mode_t>(mode) & (exact ? 07777 : 0666);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, bits);
  if (fd < 0) return File();
  // Creation applies the file-creation mask; a file that must keep its bits gets them back.
  if (exact && ::fchmod(fd, bits) != 0) {
    ::close(fd);
    ::unlink(path.c_str());
    return File();
  }
  File f(::fdopen(fd, "wb"));
  if (!f) {
    ::close(fd);
    ::unlink(path.c_str());
  }
  return f;
}

bool seekfile(std::FILE* f, std::uint64_t offset) {
  return ::fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool syncfile(std::FILE* f) {
  return std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
}

bool lockfile(std::FILE* f) {
  int r;
  while ((r = ::flock(::fileno(f), LOCK_EX)) != 0 && errno == EINTR) {
  }
  return r == 0;
}

void unlockfile(std::FILE* f) {
  std::fflush(f);
  ::flock(::fileno(f), LOCK_UN);
}

namespace {

bool sameentry(int fd, const std::string& path) {
  struct stat a, b;
  return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

}  // namespace

RunLock::Take RunLock::take(const std::string& lockpath, const std::string& data) {
  release();
  for (int tries = 0; tries < 20; ++tries) {
    int fd = ::open(lockpath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ownsfile = true;
    if (fd < 0 && errno == ELOOP) {
      // A link planted where the lock file goes is never followed: it goes.
      removeentry(lockpath);
      continue;
    }
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
      // A folder this user cannot write to: no run of this user can replace the data file or
      // create files beside it, so a lock on the data file itself keeps two runs apart.
      fd = ::open(data.c_str(), O_RDONLY | O_CLOEXEC);
      ownsfile = false;
      if (fd < 0) return Take::None;
    }
    if (fd < 0) return Take::None;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const bool busy = errno == EWOULDBLOCK;
      ::close(fd);
      return busy ? Take::Busy : Take::None;
    }
    // The run that held the lock removes its lock file when done: a lock taken on a file that
    // is no longer at the name is no lock. Take it again on the name's present file.
    if (ownsfile && !sameentry(fd, lockpath)) {
      ::close(fd);
      continue;
    }
    path_ = lockpath;
    ownsfile_ = ownsfile;
    handle_ = fd;
    return Take::Held;
  }
  return Take::Busy;
}

void RunLock::release() {
  if (handle_ < 0) return;
  // Removed while still locked, so that a run that opened it meanwhile finds it gone.
  if (ownsfile_) ::unlink(path_.c_str());
  ::close(static_cast<int>(handle_));
  handle_ = -1;
}
