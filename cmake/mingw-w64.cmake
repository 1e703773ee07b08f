# Cross-compiling the standard-C++ layers for 64-bit Windows with Debian's
# MinGW-w64 (POSIX threads, for std::thread and std::stop_token); the test
# binaries run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No MinGW runtime DLLs to copy next to the tests.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ZORVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZORVANE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZORVANE_WINE64})
endif()
