# The native build with clang and LLVM's libc++ (Debian's libc++-dev), the
# compiler and C++ library of macOS, so that code only GCC's libstdc++
# accepts fails here first. GoogleTest is built from its sources with it:
# Debian's GoogleTest library is built against libstdc++.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++")
foreach(kind IN ITEMS EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-stdlib=libc++")
endforeach()
set(ZQV_GOOGLETEST_FROM_SOURCE ON)
