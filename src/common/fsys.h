// The file-system side of the platform: what the C library does not say the same way on every
// system. One implementation per platform (fsys-posix.cpp, fsys-win32.cpp), chosen by the
// build; nothing above this layer asks which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/files.h"

/// Where the folder part of path ends: just past its last directory separator, or 0 for a
/// bare file name. Only "/" separates on POSIX systems; Windows takes "\\" and "/" alike, and
/// a bare drive prefix ("C:konten.csv") keeps its drive (2).
std::size_t folderend(const std::string& path);

/// Moves the file from to the name to, replacing a file of that name in one step. Returns
/// false, leaving both as they were, when it cannot.
bool replacefile(const char* from, const char* to);

/// Makes to a hard link to the file from: one file under both names. Returns false when to
/// exists or the file system has no hard links; nothing is changed then.
bool linkfile(const char* from, const char* to);

/// Removes the entry path unless it is a directory. True when there is no such entry after.
bool removeentry(const std::string& path);

/// The permission bits of the file path, to give the files made from it; kNoMode where the
/// system has none to give (Windows) or there is no such file.
constexpr int kNoMode = -1;
int filemode(const std::string& path);

/// Creates path anew for writing in binary mode, never through what was there before: an
/// entry of that name that is not a directory is removed first (a link planted there stays
/// unfollowed, a file that cannot be removed is not written), then the file is created
/// exclusively. With mode kNoMode it gets the system's default permissions; otherwise the
/// bits mode, exactly when exact is set, else as the user's file-creation mask allows.
/// Empty when the file cannot be made, also when an entry reappears between the two steps.
File createfresh(const std::string& path, int mode, bool exact = false);

/// Goes to byte offset of the open file f, files above 2 GiB included. False when it cannot.
bool seekfile(std::FILE* f, std::uint64_t offset);

/// Forces what was written through f (flushed first) to the disk. False when that fails.
bool syncfile(std::FILE* f);

/// Waits for an exclusive lock on the open file f, held until unlockfile or its close.
/// False when the system refuses the lock.
bool lockfile(std::FILE* f);
void unlockfile(std::FILE* f);

/// The lock a run holds on its data file from its first step to its last, so that two runs
/// never work on one data file at once. It lives in a lock file beside the data file, which
/// the lock's owner removes when it is done; the system releases the lock of a run that dies.
class RunLock {
 public:
  enum class Take {
    Held,  ///< this run holds the lock
    Busy,  ///< another run holds it
    None,  ///< no lock can be taken here (a folder nobody may write to): the run goes on
  };
  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  ~RunLock() { release(); }

  /// Takes the lock for data file data, through the lock file lockpath; never waits.
  Take take(const std::string& lockpath, const std::string& data);
  /// Gives the lock up and removes the lock file; nothing when no lock is held.
  void release();

 private:
  std::string path_;
  bool ownsfile_ = false;  // the lock lives in path_, which release removes
  long long handle_ = -1;  // the open lock file (or data file), per platform
};
