# 32-bit x86 build with Debian's i686 cross compiler (gcc -m32 from
# g++-multilib cannot be installed beside the ARM cross compiler); programs
# run under qemu-i386 on the host's 32-bit C and C++ libraries (libc6-i386,
# lib32stdc++6), where the loader they name is.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
find_program(CAMRIG_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CAMRIG_QEMU_I386})
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE NEVER)
