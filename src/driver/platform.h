// The console side of the platform: the message box. One implementation per platform
// (platform-posix.cpp, platform-win32.cpp), chosen by the build.
#pragma once

#include <string>

/// Shows text (Windows-1252) in a message box captioned "velmora.exe" with one OK button.
/// On Windows it blocks until the user closes it; elsewhere the text goes to standard error
/// and the call returns at once.
void msgbox(const char* text);

#ifndef _WIN32
/// The block msgbox writes to standard error for text: the caption, the text in UTF-8 with
/// plain line ends, then "[OK]". Bytes that already form valid UTF-8 (the user's paths) pass
/// unchanged; every other byte is read as Windows-1252.
std::string boxtext(const char* text);
#endif

/// Prepares standard output so that console texts pass byte for byte.
void initconsole();
