// A fresh temporary directory per test, removed afterwards, with small file helpers.
#pragma once

#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  /// name inside path(), joined with the platform's separator ("\" on Windows)
  std::string file(const std::string& name) const;
  /// Writes bytes to file(name).
  void write(const std::string& name, const std::string& bytes) const;
  /// The bytes of file(name); empty when it does not exist.
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::string path_;
};

/// The whole content of the file at path (empty when it does not exist).
std::string readfile(const std::string& path);
void writefile(const std::string& path, const std::string& bytes);
