# Builds mimetic 0.9.8 from Debian's upstream tarball, with our patch series
# applied, as a static position-independent library. The source tree is laid
# out again only when the tarball or a patch changes.

set(MIMETIC_TARBALL "${PROJECT_SOURCE_DIR}/third_party/mimetic_0.9.8.orig.tar.gz")
set(MIMETIC_PATCH_DIR "${PROJECT_SOURCE_DIR}/patches")
set(MIMETIC_ROOT "${CMAKE_BINARY_DIR}/mimetic-src")
set(MIMETIC_SOURCE "${MIMETIC_ROOT}/mimetic-0.9.8")

if(NOT EXISTS "${MIMETIC_TARBALL}")
  message(FATAL_ERROR "mimetic source missing: run scripts/setup.sh first (it fetches ${MIMETIC_TARBALL})")
endif()

file(STRINGS "${MIMETIC_PATCH_DIR}/series" MIMETIC_SERIES REGEX "^[^#].*")
set(MIMETIC_PATCHES "")
foreach(entry IN LISTS MIMETIC_SERIES)
  string(STRIP "${entry}" entry)
  if(entry)
    list(APPEND MIMETIC_PATCHES "${MIMETIC_PATCH_DIR}/${entry}")
  endif()
endforeach()

# Fingerprint of everything that shapes the patched tree.
file(SHA256 "${MIMETIC_TARBALL}" mimetic_fingerprint)
foreach(patch IN LISTS MIMETIC_PATCHES)
  file(SHA256 "${patch}" patch_sum)
  string(APPEND mimetic_fingerprint ";${patch}=${patch_sum}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${MIMETIC_TARBALL}" "${MIMETIC_PATCH_DIR}/series" ${MIMETIC_PATCHES})

set(stamp_file "${MIMETIC_ROOT}/.fingerprint")
set(old_fingerprint "")
if(EXISTS "${stamp_file}")
  file(READ "${stamp_file}" old_fingerprint)
endif()

if(NOT old_fingerprint STREQUAL mimetic_fingerprint)
  message(STATUS "Unpacking mimetic and applying our patch series")
  file(REMOVE_RECURSE "${MIMETIC_ROOT}")
  file(MAKE_DIRECTORY "${MIMETIC_ROOT}")
  file(ARCHIVE_EXTRACT INPUT "${MIMETIC_TARBALL}" DESTINATION "${MIMETIC_ROOT}")
  find_program(PATCH_PROGRAM patch REQUIRED)
  foreach(patch IN LISTS MIMETIC_PATCHES)
    execute_process(COMMAND "${PATCH_PROGRAM}" -p1 --forward --batch -i "${patch}"
      WORKING_DIRECTORY "${MIMETIC_SOURCE}" RESULT_VARIABLE patch_result
      OUTPUT_VARIABLE patch_output ERROR_VARIABLE patch_output)
    if(NOT patch_result EQUAL 0)
      message(FATAL_ERROR "Applying ${patch} to mimetic failed:\n${patch_output}")
    endif()
  endforeach()
  # The tarball's files carry their old dates, and a file a dropped patch
  # used to change would look older than its object: date the whole new tree
  # now, so that everything in it is compiled again.
  file(GLOB_RECURSE mimetic_files "${MIMETIC_SOURCE}/*")
  file(TOUCH_NOCREATE ${mimetic_files})
  file(WRITE "${stamp_file}" "${mimetic_fingerprint}")
endif()

file(GLOB_RECURSE MIMETIC_SOURCES "${MIMETIC_SOURCE}/mimetic/*.cxx")
list(FILTER MIMETIC_SOURCES EXCLUDE REGEX "/mimetic/os/mmfile\\.cxx$")

add_library(mimetic STATIC ${MIMETIC_SOURCES})
set_target_properties(mimetic PROPERTIES POSITION_INDEPENDENT_CODE ON)
# mimetic is third-party code: build it quietly and never with -Werror.
target_compile_options(mimetic PRIVATE -w)
target_include_directories(mimetic SYSTEM PUBLIC "${MIMETIC_SOURCE}")
if(WIN32)
  # mimetic's Windows config header uses __int16/__int64 without including
  # anything that defines them, and its headers use the `uint` that its
  # libconfig.h defines there (glibc's <sys/types.h> has it on Linux) without
  # always including that first. Every file that includes mimetic's headers
  # needs both up front, ours as much as mimetic's own.
  target_compile_options(mimetic PUBLIC "SHELL:-include cstdio" "SHELL:-include mimetic/libconfig.h")
else()
  target_compile_definitions(mimetic PUBLIC HAVE_MIMETIC_CONFIG)
  target_include_directories(mimetic SYSTEM PUBLIC "${PROJECT_SOURCE_DIR}/cmake/mimetic-config")
endif()
