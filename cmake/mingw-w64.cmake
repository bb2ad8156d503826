# Cross build of the Windows x64 plugin with Debian's mingw-w64 (the POSIX
# thread model, whose libstdc++ has std::thread and friends). Executables it
# builds run on Linux under Wine; see scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZQV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZQV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZQV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZQV_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${ZQV_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZQV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets CMake and CTest run the built programs, each in the build tree's own
# Wine prefix.
get_filename_component(ZQV_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZQV_SOURCE_ROOT}/scripts/wine-run.sh")
