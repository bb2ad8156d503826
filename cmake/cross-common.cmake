# What every cross build shares: programs from this machine, but libraries,
# headers and packages only from the target's own root, ZQV_CROSS_ROOT; and
# ZQV_CROSS_RUNNER, the script of scripts/ through which CMake, CTest and the
# suite run what the build makes (Wine, qemu, ...).
set(CMAKE_FIND_ROOT_PATH ${ZQV_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

get_filename_component(ZQV_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZQV_SOURCE_ROOT}/scripts/${ZQV_CROSS_RUNNER}")
