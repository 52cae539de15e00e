# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers.
# The posix thread model is required: std::thread and std::mutex need it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELKORAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELKORAN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKORAN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKORAN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKORAN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Never the build machine's own (Linux) packages; a prefix of our own, such as
# the PCRE2 built for Windows, is added to CMAKE_FIND_ROOT_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable that needs no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
