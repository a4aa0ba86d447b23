# Cross build for 64-bit Windows with Debian's mingw-w64 compiler, the variant with POSIX threads
# (the win32 one has no std::thread). The C and C++ runtimes and winpthread are linked in, so the
# programs run from a folder of their own with nothing beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quorlaneMingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quorlaneMingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quorlaneMingw}-g++-posix)
set(CMAKE_RC_COMPILER ${quorlaneMingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${quorlaneMingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine: ctest and the discovery of GoogleTest cases go through it.
find_program(QUORLANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUORLANE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORLANE_WINE})
endif()
