# Cross build of the Linux arm64 plugin with Debian's aarch64 GCC. Executables
# it builds run on the x86-64 build machine under qemu-user; see
# scripts/arm64-run.sh.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ZQV_LINUX_TRIPLET aarch64-linux-gnu)
set(ZQV_CROSS_RUNNER arm64-run.sh)
set(ZQV_EXCLUDED_TESTS_FILE tests/linux_arm64_excluded_tests.txt)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
