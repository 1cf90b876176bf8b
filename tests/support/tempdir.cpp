#include "support/tempdir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
  static unsigned counter = 0;
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path p = base / ("velmora-test-" + std::to_string(std::rand()) + "-" +
                         std::to_string(++counter));
    if (fs::create_directory(p)) {
      path_ = p.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

// Joined with the platform's own separator: on Windows only "\" ends the directory part of a
// data-file path, and the BIC directory is looked for there.
std::string TempDir::file(const std::string& name) const {
  return (fs::path(path_) / name).string();
}
void TempDir::write(const std::string& name, const std::string& bytes) const {
  writefile(file(name), bytes);
}
std::string TempDir::read(const std::string& name) const { return readfile(file(name)); }
bool TempDir::exists(const std::string& name) const { return fs::exists(file(name)); }

std::string readfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writefile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
