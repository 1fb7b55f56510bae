# SPDX-License-Identifier: Apache-2.0
# Cross-builds the Windows x86-64 console program with MinGW-w64 from a Linux
# host:
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSORAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSORAN_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TESSORAN_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${TESSORAN_MINGW_TRIPLET}-windres)

# Headers and libraries come from the cross environment only; programs (the
# build's own tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TESSORAN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
