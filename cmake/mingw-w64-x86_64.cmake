# Cross-builds the 64-bit Windows programs with Debian's MinGW-w64 (POSIX threads, for
# std::thread) and runs them under Wine, so that ctest can run the Windows suites here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 warns falsely of overlapping copies in optimised std::string code (GCC bug
# 105329); the Windows build is optimised and treats warnings as errors.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Statically linked, so that each exe runs without the compiler's DLLs beside it; the
# release build without symbols.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
