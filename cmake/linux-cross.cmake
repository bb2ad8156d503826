# The part every Linux cross build shares: Debian's cross GCC for
# ZQV_LINUX_TRIPLET, with its C library as the target's root. Included by the
# toolchain file of each target, which sets that triplet, the runner
# (ZQV_CROSS_RUNNER) and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${ZQV_LINUX_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${ZQV_LINUX_TRIPLET}-g++)
set(CMAKE_OBJDUMP ${ZQV_LINUX_TRIPLET}-objdump)

set(ZQV_CROSS_ROOT /usr/${ZQV_LINUX_TRIPLET})
include(${CMAKE_CURRENT_LIST_DIR}/cross-common.cmake)
