# Cross build for 64-bit ARM (Debian's arm64) with clang and Debian's cross
# libraries (libstdc++-12-dev-arm64-cross, libgcc-12-dev-arm64-cross,
# binutils-aarch64-linux-gnu). The tests run the programs under QEMU's
# user-mode emulation (qemu-user):
#   cmake -S . -B build/aarch64 --toolchain cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(korvane_triple aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/clang-cross.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${korvane_triple})
