# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread model).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUENDRA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUENDRA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUENDRA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUENDRA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUENDRA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no libstdc++, libgcc or winpthread DLLs to ship or to find.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Lets ctest (and gtest discovery) run the test executables here.
find_program(QUENDRA_WINE NAMES wine wine64)
if(QUENDRA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENDRA_WINE})
endif()
