# Cross toolchain for the 64-bit build of the Windows tree (build/win64): the programs the Wine
# tests run on kernels without 32-bit support. MinGW-w64, static runtime.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
