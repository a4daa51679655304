# Cross-compiling for Windows with Debian's mingw-w64 toolchain. Included by
# the two toolchain files, which set NETROV_MINGW_ARCH (x86_64 or i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${NETROV_MINGW_ARCH})
set(triple ${NETROV_MINGW_ARCH}-w64-mingw32)

# The "posix" compilers carry std::thread and std::mutex (winpthreads); the
# "win32" ones of GCC 12 do not.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the toolchain and from the prefix the
# build script fills with cross-built dependencies, never from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${NETROV_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NETROV_MINGW_ARCH NETROV_WINDOWS_PREFIX)

# The runtime (libgcc, libstdc++, winpthreads) is linked into every module,
# so the program folder needs no DLLs but our own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
