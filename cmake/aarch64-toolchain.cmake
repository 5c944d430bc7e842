# 64-bit ARM build with Debian's cross compiler against the Debian arm64 tree
# that scripts/setup.sh unpacks (the C and C++ libraries; Ceres, CLI11 and stb
# for the calibration tools, the demo and the examples). Programs run under
# qemu-aarch64, which takes the loader and the libraries from that tree
# (qemu-user has no root of its own).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CAMRIG_ARM64_ROOT /opt/camrig/arm64-root CACHE PATH "Debian arm64 tree the ARM build compiles against")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CAMRIG_ARM64_ROOT)
if(NOT EXISTS ${CAMRIG_ARM64_ROOT}/usr/lib/aarch64-linux-gnu/libc.so)
  message(FATAL_ERROR "no arm64 tree at ${CAMRIG_ARM64_ROOT}: run scripts/setup.sh as root")
endif()
set(CMAKE_SYSROOT ${CAMRIG_ARM64_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages from the tree first; a camrig installed into a scratch prefix
# outside it must be found too.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
find_program(CAMRIG_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CAMRIG_QEMU_AARCH64} -L ${CAMRIG_ARM64_ROOT})
