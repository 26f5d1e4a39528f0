# libdeflate: the whole-buffer decoder tried first on every compressed chunk,
# and the packer's compressor. Natively it is Debian's libdeflate-dev. The
# Windows builds use the static library that scripts/build-libdeflate-mingw
# builds from Debian's source package into build/deps/<triple>; without it
# they keep zlib alone.
#
# Defines the target setup_libdeflate (an interface library, empty without
# libdeflate) carrying SETUP_HAVE_LIBDEFLATE=0 or 1.
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
