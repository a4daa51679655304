# Windows, 32-bit (i686), with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-windows-i686.cmake
set(NETROV_MINGW_ARCH i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
