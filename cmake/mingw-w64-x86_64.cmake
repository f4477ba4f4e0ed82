# Cross build for 64-bit Windows with Debian's MinGW-w64
# (g++-mingw-w64-x86-64-posix): the posix thread model, whose libstdc++ has
# std::mutex. The programs are linked statically, so that they import
# nothing but Windows' own DLLs. The tests run under wine (see
# tests/windows/private_wine.sh):
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(korvane_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${korvane_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${korvane_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${korvane_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${korvane_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
