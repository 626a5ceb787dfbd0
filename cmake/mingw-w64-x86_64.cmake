# Toolchain file: Windows x64 programs built on Debian with MinGW-w64, posix thread
# variant of the compilers (std::thread and friends need it).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=<Qt for Windows> -DQT_HOST_PATH=/usr
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(PRAVELOT_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PRAVELOT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PRAVELOT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PRAVELOT_MINGW}-windres)
set(CMAKE_AR /usr/bin/${PRAVELOT_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${PRAVELOT_MINGW}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${PRAVELOT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Header-only libraries are taken from the build machine (see pravelot_host_headers).
set(PRAVELOT_HOST_INCLUDE /usr/include CACHE PATH "Where the host's header-only libraries lie")

# Packages given in CMAKE_PREFIX_PATH (Qt for Windows) lie outside the find root.
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
    list(FIND CMAKE_FIND_ROOT_PATH "${prefix}" index)
    if(index EQUAL -1)
        list(APPEND CMAKE_FIND_ROOT_PATH "${prefix}")
    endif()
endforeach()

# The tests run under Wine: ctest and test discovery start them through this loader.
set(PRAVELOT_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "Wine's 64-bit loader")
set(CMAKE_CROSSCOMPILING_EMULATOR ${PRAVELOT_WINE_LOADER})
