// The platform layer on Windows. The only file that includes <windows.h>: its macros (min,
// max, the A/W name switches) stay out of the rest of the program.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "driver/platform.h"

// No owner window, one OK button, and it blocks until the user closes it. The answer is not
// looked at: there is only one button, and without a desktop (a service, or wine with no
// display) the call fails at once and the run goes on as if the user had pressed OK.
void msgbox(const char* text) {
  std::fflush(stdout);
  MessageBoxA(nullptr, text, "velmora.exe", 0);
}

// The console texts carry their own CR LF. In the default text mode the C runtime would turn
// each "\n" into "\r\n" once more, so every line would end in "\r\r\n".
void initconsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

namespace {
UINT oldcp = 0;  // the console's output code page before the first console text

void restorecp() {
  SetConsoleOutputCP(oldcp);
}

// A console window shows bytes in its own code page (850 on a German system), in which the
// umlauts of the texts would come out as other letters. The code page belongs to the console
// window and outlives the program, so the one it had is put back at the end. Without a
// console (output to a file or pipe) there is nothing to set.
void usecp1252() {
  oldcp = GetConsoleOutputCP();
  if (oldcp != 0 && oldcp != 1252 && SetConsoleOutputCP(1252)) std::atexit(restorecp);
}
}  // namespace

void consoletext(std::FILE* f, const char* text) {
  static const bool set = (usecp1252(), true);
  (void)set;
  std::fputs(text, f);
  std::fflush(f);
}
