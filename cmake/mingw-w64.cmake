# Cross build of the Windows x64 plugin with Debian's mingw-w64 (the POSIX
# thread model, whose libstdc++ has std::thread and friends). Executables it
# builds run on Linux under Wine; see scripts/wine-run.sh. The 32-bit build's
# toolchain file names its own triplet and processor and includes this one.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT ZQV_MINGW_TRIPLET)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(ZQV_MINGW_TRIPLET x86_64-w64-mingw32)
endif()
set(ZQV_EXCLUDED_TESTS_FILE tests/windows_excluded_tests.txt)

set(CMAKE_C_COMPILER ${ZQV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZQV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZQV_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${ZQV_MINGW_TRIPLET}-objdump)

# Each program runs in the build tree's own Wine prefix.
set(ZQV_CROSS_ROOT /usr/${ZQV_MINGW_TRIPLET})
set(ZQV_CROSS_RUNNER wine-run.sh)
include(${CMAKE_CURRENT_LIST_DIR}/cross-common.cmake)
