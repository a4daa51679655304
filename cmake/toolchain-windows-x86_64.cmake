# Windows, 64-bit (x86_64), with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-windows-x86_64.cmake
set(NETROV_MINGW_ARCH x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
