// The file-system layer on Windows. With the console's file in src/driver, the only files that
// include <windows.h>: its macros (min, max, the A/W name switches) stay out of the rest.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>

#include "common/fsys.h"

// "C:konten.csv" names a file in the current folder of drive C:, whose folder part is "C:".
std::size_t folderend(const std::string& path) {
  const std::string::size_type sep = path.find_last_of("\\/");
  if (sep != std::string::npos) return sep + 1;
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive ? 2 : 0;
}

// rename() on Windows refuses to replace an existing file; MoveFileExA does it in one step
// and leaves both files alone when it fails.
bool replacefile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool linkfile(const char* from, const char* to) {
  return CreateHardLinkA(to, from, nullptr) != 0;
}

bool removeentry(const std::string& path) {
  const DWORD attrs = GetFileAttributesA(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (attrs & FILE_ATTRIBUTE_DIRECTORY) return false;
  return DeleteFileA(path.c_str()) != 0;
}

// Windows keeps access in lists of its own: files take their folder's.
int filemode(const std::string&) {
  return kNoMode;
}

File createfresh(const std::string& path, int, bool) {
  removeentry(path);
  // _O_EXCL is CREATE_NEW: the create fails on any entry that is there.
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return File();
  File f(_fdopen(fd, "wb"));
  if (!f) {
    _close(fd);
    DeleteFileA(path.c_str());
  }
  return f;
}

bool seekfile(std::FILE* f, std::uint64_t offset) {
  return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
}

bool syncfile(std::FILE* f) {
  return std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
}

namespace {

HANDLE handleof(std::FILE* f) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
}

// Windows locks are binding: a locked range cannot be read by anyone else. Readers of the file
// (another run loading its index) must not be kept out, so the lock covers one byte far beyond
// any real file's end, which every adder locks and nobody reads.
OVERLAPPED lockbyte() {
  OVERLAPPED at = {};
  at.OffsetHigh = 0x40000000;
  return at;
}

}  // namespace

bool lockfile(std::FILE* f) {
  OVERLAPPED at = lockbyte();
  return LockFileEx(handleof(f), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

void unlockfile(std::FILE* f) {
  std::fflush(f);
  OVERLAPPED at = lockbyte();
  UnlockFileEx(handleof(f), 0, 1, 0, &at);
}

// The lock file is opened without sharing: while a run holds it, no other run can open it.
// The system deletes it when the handle closes, also when the run dies.
RunLock::Take RunLock::take(const std::string& lockpath, const std::string&) {
  release();
  for (int tries = 0; tries < 50; ++tries) {
    HANDLE h = CreateFileA(lockpath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      path_ = lockpath;
      ownsfile_ = true;
      handle_ = reinterpret_cast<long long>(h);
      return Take::Held;
    }
    const DWORD err = GetLastError();
    if (err == ERROR_SHARING_VIOLATION) return Take::Busy;
    // Denied: the lock file of a run that has just ended is still being deleted, or the
    // folder cannot be written to. Wait a little for the first; after that it is the second.
    if (err != ERROR_ACCESS_DENIED) return Take::None;
    Sleep(10);
  }
  return Take::None;
}

void RunLock::release() {
  if (handle_ < 0) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}
