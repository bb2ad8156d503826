# Cross build of the Linux 32-bit x86 plugin with Debian's i686 GCC.
# Executables it builds run on the x86-64 build machine with the i386 C and
# C++ libraries, natively or under qemu-user; see scripts/x86-run.sh.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZQV_LINUX_TRIPLET i686-linux-gnu)
set(ZQV_CROSS_RUNNER x86-run.sh)
set(ZQV_EXCLUDED_TESTS_FILE tests/linux_x86_excluded_tests.txt)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
