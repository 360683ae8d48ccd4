# Cross-builds for 64-bit Windows with MinGW-w64 on Debian, and runs the
# results under Wine (ctest, test discovery).
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: the win32 one has no std::thread with GCC 12.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
# A Qt kit for Windows given as CMAKE_PREFIX_PATH (scripts/test-windows)
# is searched too: packages are looked up inside the find roots only.
foreach(tess_prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${tess_prefix})
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libstdc++, libgcc, winpthread) goes into every program:
# without it each one would need DLLs that Wine cannot find.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TESS_WINE NAMES wine wine64)
if(TESS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TESS_WINE})
endif()
