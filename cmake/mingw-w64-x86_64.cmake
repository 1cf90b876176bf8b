# Toolchain file: cross-compile velmora.exe for 64-bit Windows with Debian's mingw-w64.
# The posix thread model: GCC 12's win32 model has no std::thread / std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: without -static it needs libstdc++-6.dll, libgcc_s_seh-1.dll and
# libwinpthread-1.dll, and a missing DLL shows under wine only as exit status 53.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Lets ctest (and gtest_discover_tests at test time) run the .exe files through wine.
find_program(WINE_EXECUTABLE NAMES wine wine64 wine-stable)
if(WINE_EXECUTABLE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
endif()
