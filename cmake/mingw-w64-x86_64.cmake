# Cross-compiles for 64-bit Windows with Debian's mingw-w64 compilers: the
# POSIX-threads ones (the win32-threads ones have no std::thread), with the
# C and C++ runtimes linked in so the programs need no DLL beside them.
# CORVALE_MINGW_PREFIX names the folder of the libraries cross-built for it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Toolchain files are read again for every try-compile: pass the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORVALE_MINGW_PREFIX)
if(NOT CORVALE_MINGW_PREFIX AND DEFINED ENV{CORVALE_MINGW_PREFIX})
  set(CORVALE_MINGW_PREFIX $ENV{CORVALE_MINGW_PREFIX})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CORVALE_MINGW_PREFIX})
set(CMAKE_PREFIX_PATH ${CORVALE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the cross-built libraries' files, and names the
# libraries a static link needs as well.
set(ENV{PKG_CONFIG_LIBDIR} ${CORVALE_MINGW_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built here run under wine: tests, and their listing at build time.
find_program(CORVALE_WINE NAMES wine wine64)
if(CORVALE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVALE_WINE})
endif()
