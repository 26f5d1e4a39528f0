# libdeflate, two ways.
#
# setup_libdeflate: the stock library, for the packer's compressor (and the
# benchmark's limit). Natively it is Debian's libdeflate-dev. The Windows
# builds use the static library that scripts/build-libdeflate-mingw builds
# from Debian's source package into build/deps/<triple>; without it they keep
# zlib alone. Carries SETUP_HAVE_LIBDEFLATE=0 or 1.
#
# setup_fast_inflate: the whole-buffer decoder tried first on every
# compressed chunk of a restore. It is libdeflate's decompressor, built here
# for every target from the same source package (unpacked into
# build/deps/src by scripts/build-libdeflate-mingw) with the changes of
# cmake/libdeflate-strict.patch, which make it refuse whatever zlib refuses.
# Its symbols carry other names (cmake/libdeflate-strict-names.h), so that it
# links beside the stock library. Carries SETUP_HAVE_FAST_INFLATE=0 or 1;
# without the source the restore keeps zlib alone.
if(WIN32)
  list(APPEND CMAKE_FIND_ROOT_PATH "${CMAKE_SOURCE_DIR}/build/deps/${SETUP_MINGW_TRIPLE}")
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
  find_library(LIBDEFLATE_LIBRARY NAMES libdeflate.a)
else()
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
  find_library(LIBDEFLATE_LIBRARY NAMES deflate REQUIRED)
endif()

add_library(setup_libdeflate INTERFACE)
if(LIBDEFLATE_INCLUDE_DIR AND LIBDEFLATE_LIBRARY)
  message(STATUS "libdeflate: ${LIBDEFLATE_LIBRARY}")
  target_include_directories(setup_libdeflate SYSTEM INTERFACE "${LIBDEFLATE_INCLUDE_DIR}")
  target_link_libraries(setup_libdeflate INTERFACE "${LIBDEFLATE_LIBRARY}")
  target_compile_definitions(setup_libdeflate INTERFACE SETUP_HAVE_LIBDEFLATE=1)
else()
  message(STATUS "libdeflate: not found, zlib alone")
  target_compile_definitions(setup_libdeflate INTERFACE SETUP_HAVE_LIBDEFLATE=0)
endif()

file(GLOB _setup_ld_sources LIST_DIRECTORIES true "${CMAKE_SOURCE_DIR}/build/deps/src/libdeflate-*")
set(_setup_ld_default "")
foreach(dir IN LISTS _setup_ld_sources)
  if(EXISTS "${dir}/lib/deflate_decompress.c")
    set(_setup_ld_default "${dir}")
  endif()
endforeach()
set(SETUP_LIBDEFLATE_SOURCE "${_setup_ld_default}" CACHE PATH
    "libdeflate's unpacked source package, for the restore's strict decoder")
if(NOT SETUP_LIBDEFLATE_SOURCE AND _setup_ld_default)
  set(SETUP_LIBDEFLATE_SOURCE "${_setup_ld_default}" CACHE PATH "" FORCE)
endif()

if(SETUP_LIBDEFLATE_SOURCE AND EXISTS "${SETUP_LIBDEFLATE_SOURCE}/lib/deflate_decompress.c")
  # A patched copy of the sources the zlib-format decompress call needs,
  # remade whenever the patch or the source changes.
  set(patch "${CMAKE_SOURCE_DIR}/cmake/libdeflate-strict.patch")
  set(names "${CMAKE_SOURCE_DIR}/cmake/libdeflate-strict-names.h")
  set(strict "${CMAKE_BINARY_DIR}/libdeflate-strict")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${patch}" "${names}")
  file(SHA256 "${patch}" patch_hash)
  file(SHA256 "${names}" names_hash)
  set(stamp "${SETUP_LIBDEFLATE_SOURCE} ${patch_hash} ${names_hash}")
  set(stamp_file "${strict}/stamp")
  set(old_stamp "")
  if(EXISTS "${stamp_file}")
    file(READ "${stamp_file}" old_stamp)
  endif()
  if(NOT old_stamp STREQUAL stamp)
    file(REMOVE_RECURSE "${strict}")
    file(MAKE_DIRECTORY "${strict}")
    file(COPY "${SETUP_LIBDEFLATE_SOURCE}/lib" "${SETUP_LIBDEFLATE_SOURCE}/common_defs.h"
              "${SETUP_LIBDEFLATE_SOURCE}/libdeflate.h" "${names}"
         DESTINATION "${strict}" PATTERN "*.o" EXCLUDE)
    execute_process(COMMAND patch -p1 --quiet --forward -i "${patch}"
                    WORKING_DIRECTORY "${strict}" RESULT_VARIABLE patched)
    if(NOT patched EQUAL 0)
      message(FATAL_ERROR "cmake/libdeflate-strict.patch does not apply to ${SETUP_LIBDEFLATE_SOURCE}")
    endif()
    file(WRITE "${stamp_file}" "${stamp}")
  endif()

  add_library(setup_fast_inflate STATIC
    "${strict}/lib/deflate_decompress.c"
    "${strict}/lib/zlib_decompress.c"
    "${strict}/lib/adler32.c"
    "${strict}/lib/utils.c"
    "${strict}/lib/x86/cpu_features.c")
  target_compile_options(setup_fast_inflate PRIVATE -include "${strict}/libdeflate-strict-names.h")
  # Speed over size here, also in the size-optimised Windows build.
  target_compile_options(setup_fast_inflate PRIVATE $<$<CONFIG:Release>:-O2>)
  target_include_directories(setup_fast_inflate SYSTEM PUBLIC "${strict}")
  target_compile_definitions(setup_fast_inflate INTERFACE SETUP_HAVE_FAST_INFLATE=1)
  message(STATUS "fast inflate: libdeflate with zlib's checks, from ${SETUP_LIBDEFLATE_SOURCE}")
else()
  add_library(setup_fast_inflate INTERFACE)
  target_compile_definitions(setup_fast_inflate INTERFACE SETUP_HAVE_FAST_INFLATE=0)
  message(WARNING "No libdeflate source in build/deps/src (scripts/build-libdeflate-mingw unpacks it): "
                  "the restore inflates with zlib alone")
endif()
