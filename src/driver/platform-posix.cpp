#include <cstdio>
#include <string>

#include "driver/platform.h"

void consoletext(std::FILE* f, const char* text) {
  const std::string out = utf8text(text);
  std::fwrite(out.data(), 1, out.size(), f);
  std::fflush(f);
}

// No window system to rely on: the box becomes a framed block on standard error, in UTF-8
// with plain line ends, and never waits for input so that scripts cannot hang on it.
void msgbox(const char* text) {
  const std::string out = boxtext(text);
  std::fflush(stdout);
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

void initconsole() {}
