# CMake toolchain for 64-bit Windows, built on Debian with MinGW-w64.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=scripts/windows/mingw64.cmake \
#         -DCMAKE_PREFIX_PATH=<cache>/qt -DQT_HOST_PATH=/usr ...
#
# <cache> is what scripts/windows/toolchain.sh prints; it also uses this file
# to cross-build Qt itself, so both agree on compiler and flags.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(ZORVEL_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix thread model: Qt needs std::thread, std::mutex and friends, which
# the win32 flavour of Debian's MinGW g++ lacks. It costs libwinpthread-1.dll.
set(CMAKE_C_COMPILER ${ZORVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORVEL_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ZORVEL_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZORVEL_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Where the MinGW runtime DLLs live, for packaging and for running under Wine.
set(ZORVEL_MINGW_RUNTIME_DIRS
    /usr/lib/gcc/${ZORVEL_MINGW_TRIPLE}/12-posix
    /usr/${ZORVEL_MINGW_TRIPLE}/lib)

# Cross-built Qt and hidapi sit in a cache outside the checkout; CMake's
# re-rooting must include it, or find_package(Qt6) looks only in the sysroot.
if(NOT DEFINED ZORVEL_WIN64_CACHE)
    if(DEFINED ENV{ZORVEL_WIN64_CACHE})
        set(ZORVEL_WIN64_CACHE "$ENV{ZORVEL_WIN64_CACHE}")
    else()
        set(ZORVEL_WIN64_CACHE /var/cache/zorvel-win64)
    endif()
endif()
# Try-compile projects get a fresh scope; pass the cache root on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZORVEL_WIN64_CACHE)

set(CMAKE_FIND_ROOT_PATH /usr/${ZORVEL_MINGW_TRIPLE} ${ZORVEL_WIN64_CACHE})
if(CMAKE_PREFIX_PATH)
    # A prefix given on the command line is absolute, not relative to a root.
    list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
endif()

# Host programs (moc, uic, rcc come through QT_HOST_PATH) must stay host
# programs, while headers, libraries and CMake packages must be the target's:
# a stray /usr/lib/x86_64-linux-gnu library would link, then fail at run time.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Host .pc files describe Linux libraries; never let pkg-config offer them.
# Only the target's own .pc files count: those in the sysroot and those of
# the cache (hidapi.pc), which pkg_check_modules() finds through
# CMAKE_PREFIX_PATH. An empty value would unset the variable and bring the
# host's default search path back, hence a path that is always there.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${ZORVEL_MINGW_TRIPLE}/lib/pkgconfig)
unset(ENV{PKG_CONFIG_PATH})

# So CTest (and add_test) run the .exe files under Wine. wine64 is the loader
# itself; /usr/bin/wine64 exists only with the wine package's wrapper.
find_program(ZORVEL_WINE64 NAMES wine64 wine
    PATHS /usr/lib/wine /usr/bin NO_DEFAULT_PATH)
if(ZORVEL_WINE64)
    # The tests need the MinGW runtime and Qt's DLLs, which Wine looks up
    # through WINEPATH (';'-separated, hence the escaped separators: each
    # directory stays inside the one env argument).
    set(_zorvel_winepath ${ZORVEL_MINGW_RUNTIME_DIRS})
    foreach(_zorvel_prefix IN LISTS CMAKE_PREFIX_PATH)
        if(IS_DIRECTORY "${_zorvel_prefix}/bin")
            list(APPEND _zorvel_winepath "${_zorvel_prefix}/bin")
        endif()
    endforeach()
    list(JOIN _zorvel_winepath "\\;" _zorvel_winepath)
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env "WINEPATH=${_zorvel_winepath}" ${ZORVEL_WINE64})
endif()

# Link the GCC runtime of the posix flavour statically? No: Qt's DLLs are
# built against the shared runtime, and mixing the two duplicates the C++
# runtime state (exceptions crossing DLL borders break). Ship the DLLs.
