// The console side of the platform: the message box and console texts. One implementation per
// platform (platform-posix.cpp, platform-win32.cpp), chosen by the build.
#pragma once

#include <cstdio>
#include <string>

/// Shows text (Windows-1252) in a message box captioned "velmora.exe" with one OK button.
/// On Windows it blocks until the user closes it; elsewhere the text goes to standard error
/// and the call returns at once.
void msgbox(const char* text);

/// Writes text (Windows-1252, lines ending in CR LF) to the console stream f so that it reads
/// right there. On Windows the bytes go as they are, with the console's output code page set
/// to 1252 until the program ends; elsewhere as utf8text gives them.
void consoletext(std::FILE* f, const char* text);

/// text for a terminal: in UTF-8 with plain line ends. Bytes that already form valid UTF-8
/// (the user's paths) pass unchanged; every other byte is read as Windows-1252.
std::string utf8text(const char* text);

/// The block msgbox writes to standard error for text: the caption, utf8text(text), then
/// "[OK]".
std::string boxtext(const char* text);

/// Prepares standard output and standard error so that console texts pass byte for byte.
void initconsole();
