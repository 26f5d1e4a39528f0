# Cross toolchain: 64-bit Windows through MinGW-w64. The same sources as the
# 32-bit build; this is the build whose tests run under Wine on machines that
# cannot execute 32-bit code (Wine's 32-bit side needs it).
set(SETUP_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
