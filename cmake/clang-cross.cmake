# What both ARM toolchain files share: clang for the target `korvane_triple`,
# which finds Debian's cross libstdc++ and binutils by itself, and libraries
# looked up below the cross root only. CMake packages may also come from the
# host: the one looked up, nlohmann-json, is headers alone, the same for
# every architecture.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${korvane_triple})
set(CMAKE_CXX_COMPILER_TARGET ${korvane_triple})
set(CMAKE_FIND_ROOT_PATH /usr/${korvane_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
