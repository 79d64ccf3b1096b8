# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model, for std::thread and
# std::mutex). Used for Korvane itself and for the Qt and googletest that scripts/windows-sdk builds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVANE_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KORVANE_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${KORVANE_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries, headers and CMake packages come from the MinGW sysroot and from the SDK that
# scripts/windows-sdk built (KORVANE_WINDOWS_SDK in the environment, so try_compile sees it too);
# programs (moc, rcc, uic, ninja) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KORVANE_MINGW_TRIPLE})
if(DEFINED ENV{KORVANE_WINDOWS_SDK})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{KORVANE_WINDOWS_SDK})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# pkg-config looks only into the MinGW sysroot: the build machine's own libraries (libmosquitto,
# say) are no Windows libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${KORVANE_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and tools run under Wine when asked (ctest, gtest_discover_tests).
find_program(KORVANE_WINE wine)
if(KORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANE_WINE})
endif()
