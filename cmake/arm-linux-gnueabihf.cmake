# Cross build for 32-bit ARM (Debian's armhf: ARMv7-A with VFPv3-D16 and the
# hard-float calling convention) with clang and Debian's cross libraries
# (libstdc++-12-dev-armhf-cross, libgcc-12-dev-armhf-cross,
# binutils-arm-linux-gnueabihf). The tests run the programs under QEMU's
# user-mode emulation (qemu-user):
#   cmake -S . -B build/armhf --toolchain cmake/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(korvane_triple arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/clang-cross.cmake)
set(CMAKE_C_FLAGS_INIT "-march=armv7-a -mfpu=vfpv3-d16 -mfloat-abi=hard")
set(CMAKE_CXX_FLAGS_INIT "-march=armv7-a -mfpu=vfpv3-d16 -mfloat-abi=hard")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /usr/${korvane_triple})
