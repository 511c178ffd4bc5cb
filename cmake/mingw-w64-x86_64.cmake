# Cross-build for 64-bit Windows with Debian's MinGW-w64 compilers (the posix thread model, for
# std::thread and std::mutex). Use with
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Tests run through Wine (CMAKE_CROSSCOMPILING_EMULATOR); scripts/windows.sh does all of it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QVR_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${QVR_MINGW_TRIPLET}-gcc-posix ${QVR_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QVR_MINGW_TRIPLET}-g++-posix ${QVR_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QVR_MINGW_TRIPLET}-windres)
find_program(CMAKE_OBJDUMP NAMES ${QVR_MINGW_TRIPLET}-objdump)

# Libraries and packages come from the MinGW sysroot only; programs (wine, objdump) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QVR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# printf and friends from MinGW's own C99 implementation rather than the system's msvcrt, which
# knows no %zu and writes numbers differently (output files must match the Linux build's).
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")

# The C++ runtime and winpthread are linked in statically, so that the DLL and the programs run
# under Wine (and on a user's machine) without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(QVR_WINE NAMES wine wine64)
if(QVR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QVR_WINE})
endif()
