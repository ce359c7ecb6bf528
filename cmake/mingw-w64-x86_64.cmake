# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (packages
# g++-mingw-w64-x86-64-posix, mingw-w64-tools). The POSIX-threads compilers:
# the win32-threads ones have no std::thread.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DCURL_DIR=<libcurl prefix>/lib/cmake/CURL
# tools/build-windows.sh does all of it, the static libcurl included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORNEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VORNEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORNEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VORNEL_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${VORNEL_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VORNEL_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_STRIP ${VORNEL_MINGW_TRIPLET}-strip CACHE FILEPATH "")

# Libraries, headers and packages only from the mingw root, never the host's;
# programs (python3, the wine wrapper) from the host. A libcurl built outside
# this root is found through CURL_DIR, which package mode ONLY still honours.
set(CMAKE_FIND_ROOT_PATH /usr/${VORNEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and tools built for Windows run here under wine, through the wrapper.
get_filename_component(VORNEL_TOOLCHAIN_TOP "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${VORNEL_TOOLCHAIN_TOP}/tools/wine-run" CACHE FILEPATH
  "runs a Windows program under wine")
