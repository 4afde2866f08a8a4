# CMake toolchain file: cross-build Quellorn for 64-bit Windows with
# Debian's MinGW-w64 (posix thread model) and run the results with wine.
#
#   cmake -G Ninja -B build-win \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         [-DQUELLORN_MINGW_DEPS=/path/to/prefix]
#
# QUELLORN_MINGW_DEPS is the prefix made by scripts/build-mingw-deps.sh
# (static libpng, libogg, libvorbis and libsndfile); it defaults to the script's default.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUELLORN_MINGW_TRIPLET x86_64-w64-mingw32)
set(QUELLORN_MINGW_SYSROOT /usr/${QUELLORN_MINGW_TRIPLET}
    CACHE PATH "MinGW-w64 system root (headers, import libs, libz.a)")

if(NOT DEFINED QUELLORN_MINGW_DEPS)
  if(DEFINED ENV{QUELLORN_DEPS_CACHE} AND NOT "$ENV{QUELLORN_DEPS_CACHE}" STREQUAL "")
    set(_quellorn_deps_default "$ENV{QUELLORN_DEPS_CACHE}")
  else()
    set(_quellorn_deps_default "$ENV{HOME}/.cache/quellorn/mingw-w64-deps")
  endif()
  set(QUELLORN_MINGW_DEPS "${_quellorn_deps_default}"
      CACHE PATH "Prefix with the static MinGW-w64 libraries from scripts/build-mingw-deps.sh")
endif()

# try_compile projects re-read this file without the main project's cache;
# forward the variables so they see the same paths.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUELLORN_MINGW_DEPS QUELLORN_MINGW_SYSROOT)

# The posix variants are required: the win32 thread model has no
# std::mutex / std::recursive_mutex in libstdc++.
find_program(QUELLORN_MINGW_CC NAMES ${QUELLORN_MINGW_TRIPLET}-gcc-posix ${QUELLORN_MINGW_TRIPLET}-gcc REQUIRED)
find_program(QUELLORN_MINGW_CXX NAMES ${QUELLORN_MINGW_TRIPLET}-g++-posix ${QUELLORN_MINGW_TRIPLET}-g++ REQUIRED)
find_program(QUELLORN_MINGW_RC NAMES ${QUELLORN_MINGW_TRIPLET}-windres REQUIRED)
set(CMAKE_C_COMPILER "${QUELLORN_MINGW_CC}")
set(CMAKE_CXX_COMPILER "${QUELLORN_MINGW_CXX}")
set(CMAKE_RC_COMPILER "${QUELLORN_MINGW_RC}")

set(CMAKE_FIND_ROOT_PATH "${QUELLORN_MINGW_SYSROOT}" "${QUELLORN_MINGW_DEPS}")
# Build-machine tools (code generators, wine) come from the host system;
# libraries, headers and packages only from the Windows roots, so nothing
# from /usr/lib/x86_64-linux-gnu can slip into a Windows binary.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Same idea for pkg-config, in case anything asks it during a cross build.
set(ENV{PKG_CONFIG_LIBDIR} "${QUELLORN_MINGW_DEPS}/lib/pkgconfig:${QUELLORN_MINGW_SYSROOT}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# A plug-in DLL is loaded into foreign hosts that don't ship
# libstdc++-6.dll / libgcc_s / libwinpthread-1.dll, so link those statically
# into every binary.
option(QUELLORN_MINGW_STATIC_RUNTIME "Link libgcc, libstdc++ and winpthread statically" ON)
if(QUELLORN_MINGW_STATIC_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
  set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
  set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
endif()

# Lets ctest (and try_run) execute the Windows binaries. WINEDEBUG=-all
# silences wine's fixme noise; the empty mscoree/mshtml overrides stop it
# from trying to install Mono/Gecko when it creates a fresh WINEPREFIX,
# which would stall or fail on a headless machine. WINEPREFIX itself is
# taken from the environment (default ~/.wine).
# Debian's wine64 package puts its loader in /usr/lib/wine, not on PATH.
find_program(QUELLORN_WINE NAMES wine64 PATHS /usr/lib/wine)
if(NOT QUELLORN_WINE)
  find_program(QUELLORN_WINE NAMES wine)
endif()
if(QUELLORN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" "${QUELLORN_WINE}")
endif()
