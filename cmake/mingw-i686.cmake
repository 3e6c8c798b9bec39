# Cross toolchain: 32-bit Windows through Debian's mingw-w64, posix thread
# model (the win32 model of GCC 12 has no std::thread or std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           ${TOOLCHAIN_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       ${TOOLCHAIN_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# The dependency prefix made by scripts/deps-build.sh.
if(NOT DEPS_PREFIX AND DEFINED ENV{DEPS_PREFIX})
  set(DEPS_PREFIX "$ENV{DEPS_PREFIX}")
endif()
set(DEPS_PREFIX "${DEPS_PREFIX}" CACHE PATH "cross-built dependency prefix")

set(CMAKE_FIND_ROOT_PATH ${DEPS_PREFIX} /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON CACHE BOOL "link libz.a, not the DLL import library")

# Test binaries run under Wine, through a wrapper that sets up the private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
