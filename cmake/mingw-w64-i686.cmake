# Cross build of the Windows 32-bit plugin with Debian's i686 mingw-w64.
# Executables it builds run under Wine's 32-bit half (Debian's wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZQV_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
