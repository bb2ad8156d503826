# Cross build of the Linux arm64 plugin with Debian's aarch64 GCC. Executables
# it builds run on the x86-64 build machine under qemu-user; see
# scripts/arm64-run.sh.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(ZQV_ARM64_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${ZQV_ARM64_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${ZQV_ARM64_TRIPLET}-g++)
set(CMAKE_OBJDUMP ${ZQV_ARM64_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZQV_ARM64_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets CMake and CTest run the built programs.
get_filename_component(ZQV_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZQV_SOURCE_ROOT}/scripts/arm64-run.sh")
