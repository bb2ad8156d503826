# Cross build of the Linux ARM 32-bit plugin (ARMv7 with hardware floating
# point, as Raspberry Pi OS 32-bit runs) with Debian's armhf GCC. Executables
# it builds run on the x86-64 build machine under qemu-user; see
# scripts/arm-run.sh.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(ZQV_LINUX_TRIPLET arm-linux-gnueabihf)
set(ZQV_CROSS_RUNNER arm-run.sh)
set(ZQV_EXCLUDED_TESTS_FILE tests/linux_arm_excluded_tests.txt)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
