# Third-party libraries as imported targets, the same names for every build:
#
#   Quellorn::ZLIB  Quellorn::PNG  Quellorn::Ogg  Quellorn::Vorbis
#   Quellorn::VorbisFile  Quellorn::SndFile  Quellorn::FLAC  Quellorn::FreeType
#   Quellorn::XCB (native builds only: the Linux editor window)
#
# Native builds use Debian's -dev packages. Windows (MinGW-w64) builds use
# the static libraries that scripts/build-mingw-deps.sh puts into
# QUELLORN_MINGW_DEPS, plus zlib from Debian's libz-mingw-w64-dev.
#
# Dependencies between the targets are expressed through their link
# interfaces (VorbisFile -> Vorbis -> Ogg, PNG -> ZLIB), so static link
# order comes out right without callers listing them in order.

include_guard(GLOBAL)

function(_quellorn_interface_target name)
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES INTERFACE_LINK_LIBRARIES "${ARGN}")
endfunction()

if(WIN32)
  # ---- MinGW-w64: static libraries from the deps prefix -------------------
  if(NOT DEFINED QUELLORN_MINGW_DEPS)
    if(DEFINED ENV{QUELLORN_DEPS_CACHE} AND NOT "$ENV{QUELLORN_DEPS_CACHE}" STREQUAL "")
      set(QUELLORN_MINGW_DEPS "$ENV{QUELLORN_DEPS_CACHE}" CACHE PATH "")
    else()
      set(QUELLORN_MINGW_DEPS "$ENV{HOME}/.cache/quellorn/mingw-w64-deps" CACHE PATH "")
    endif()
  endif()
  if(NOT DEFINED QUELLORN_MINGW_SYSROOT)
    set(QUELLORN_MINGW_SYSROOT /usr/x86_64-w64-mingw32)
  endif()

  set(_deps "${QUELLORN_MINGW_DEPS}")
  get_filename_component(_build_script "${CMAKE_CURRENT_LIST_DIR}/../scripts/build-mingw-deps.sh" ABSOLUTE)

  # Full paths to the .a files on purpose: the sysroot also has libz.dll.a,
  # which a plain -lz or find_library() would prefer, giving a zlib1.dll
  # dependency.
  set(_libs
      ZLIB       "${QUELLORN_MINGW_SYSROOT}/lib/libz.a"       "${QUELLORN_MINGW_SYSROOT}/include"
      PNG        "${_deps}/lib/libpng16.a"                    "${_deps}/include"
      Ogg        "${_deps}/lib/libogg.a"                      "${_deps}/include"
      Vorbis     "${_deps}/lib/libvorbis.a"                   "${_deps}/include"
      VorbisFile "${_deps}/lib/libvorbisfile.a"               "${_deps}/include"
      SndFile    "${_deps}/lib/libsndfile.a"                  "${_deps}/include"
      FLAC       "${_deps}/lib/libFLAC.a"                     "${_deps}/include"
      FreeType   "${_deps}/lib/libfreetype.a"                 "${_deps}/include/freetype2")

  set(_missing "")
  if(NOT EXISTS "${_deps}/quellorn-deps.stamp")
    # The stamp is written last, so without it the prefix is incomplete.
    list(APPEND _missing "${_deps}/quellorn-deps.stamp")
  endif()
  list(LENGTH _libs _n)
  math(EXPR _last "${_n} - 1")
  foreach(_i RANGE 0 ${_last} 3)
    math(EXPR _j "${_i} + 1")
    list(GET _libs ${_j} _lib)
    if(NOT EXISTS "${_lib}")
      list(APPEND _missing "${_lib}")
    endif()
  endforeach()
  if(_missing)
    list(JOIN _missing "\n  " _missing_text)
    if(NOT EXISTS "${QUELLORN_MINGW_SYSROOT}/lib/libz.a")
      set(_zlib_hint "\nzlib comes from Debian: apt-get install libz-mingw-w64-dev (or run scripts/setup-debian.sh as root).")
    else()
      set(_zlib_hint "")
    endif()
    message(FATAL_ERROR
      "MinGW-w64 dependencies are missing:\n  ${_missing_text}\n"
      "Build them once (takes about a minute) with:\n"
      "  ${_build_script} \"${_deps}\"\n"
      "or point -DQUELLORN_MINGW_DEPS=<prefix> (or QUELLORN_DEPS_CACHE) at an existing prefix.${_zlib_hint}")
  endif()

  foreach(_i RANGE 0 ${_last} 3)
    math(EXPR _j "${_i} + 1")
    math(EXPR _k "${_i} + 2")
    list(GET _libs ${_i} _name)
    list(GET _libs ${_j} _lib)
    list(GET _libs ${_k} _inc)
    add_library(Quellorn::${_name} STATIC IMPORTED GLOBAL)
    set_target_properties(Quellorn::${_name} PROPERTIES
      IMPORTED_LOCATION "${_lib}"
      IMPORTED_LINK_INTERFACE_LANGUAGES C
      INTERFACE_INCLUDE_DIRECTORIES "${_inc}")
  endforeach()
  set_property(TARGET Quellorn::PNG PROPERTY INTERFACE_LINK_LIBRARIES Quellorn::ZLIB)
  set_property(TARGET Quellorn::Vorbis PROPERTY INTERFACE_LINK_LIBRARIES Quellorn::Ogg)
  set_property(TARGET Quellorn::VorbisFile PROPERTY INTERFACE_LINK_LIBRARIES Quellorn::Vorbis)
  set_property(TARGET Quellorn::FreeType PROPERTY INTERFACE_LINK_LIBRARIES Quellorn::ZLIB)
  # The static library: without this its header declares every function as a DLL import.
  set_property(TARGET Quellorn::FLAC PROPERTY INTERFACE_COMPILE_DEFINITIONS FLAC__NO_DLL)
  set(QUELLORN_HAVE_SNDFILE TRUE)

  file(STRINGS "${_deps}/quellorn-deps.stamp" _built REGEX "^# built ")
  list(TRANSFORM _built REPLACE "^# built " "")
  list(JOIN _built ", " _built)
  message(STATUS "Quellorn MinGW-w64 deps: ${_deps} (${_built})")

  unset(_deps)
  unset(_libs)
  unset(_missing)
  unset(_built)
else()
  # ---- Native: Debian packages -----------------------------------------------
  find_package(ZLIB REQUIRED)
  find_package(PNG REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(QUELLORN_PC_OGG REQUIRED IMPORTED_TARGET GLOBAL ogg)
  pkg_check_modules(QUELLORN_PC_VORBIS REQUIRED IMPORTED_TARGET GLOBAL vorbis)
  pkg_check_modules(QUELLORN_PC_VORBISFILE REQUIRED IMPORTED_TARGET GLOBAL vorbisfile)

  # find_package() targets are directory-scoped; the wrappers below are
  # global, so make what they point at global too.
  foreach(_t ZLIB::ZLIB PNG::PNG)
    get_target_property(_global ${_t} IMPORTED_GLOBAL)
    if(NOT _global)
      set_target_properties(${_t} PROPERTIES IMPORTED_GLOBAL TRUE)
    endif()
  endforeach()

  # libvorbis calls libm; shared libvorbis already pulls it in, but a static
  # or --as-needed link of our own code may not.
  find_library(QUELLORN_LIBM m)
  set(_libm "")
  if(QUELLORN_LIBM)
    set(_libm "${QUELLORN_LIBM}")
  endif()

  _quellorn_interface_target(Quellorn::ZLIB ZLIB::ZLIB)
  _quellorn_interface_target(Quellorn::PNG PNG::PNG Quellorn::ZLIB)
  _quellorn_interface_target(Quellorn::Ogg PkgConfig::QUELLORN_PC_OGG)
  _quellorn_interface_target(Quellorn::Vorbis PkgConfig::QUELLORN_PC_VORBIS Quellorn::Ogg ${_libm})
  _quellorn_interface_target(Quellorn::VorbisFile PkgConfig::QUELLORN_PC_VORBISFILE Quellorn::Vorbis)

  # quellorn-host writes its renders with it.
  pkg_check_modules(QUELLORN_PC_SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)
  _quellorn_interface_target(Quellorn::SndFile PkgConfig::QUELLORN_PC_SNDFILE)
  set(QUELLORN_HAVE_SNDFILE TRUE)

  pkg_check_modules(QUELLORN_PC_FLAC REQUIRED IMPORTED_TARGET GLOBAL flac)
  _quellorn_interface_target(Quellorn::FLAC PkgConfig::QUELLORN_PC_FLAC)

  pkg_check_modules(QUELLORN_PC_FREETYPE REQUIRED IMPORTED_TARGET GLOBAL freetype2)
  _quellorn_interface_target(Quellorn::FreeType PkgConfig::QUELLORN_PC_FREETYPE)

  # The editor window (X11 through XCB); the window tests also drive it with XTest and
  # count its resources with the X-Resource extension.
  pkg_check_modules(QUELLORN_PC_XCB REQUIRED IMPORTED_TARGET GLOBAL xcb)
  _quellorn_interface_target(Quellorn::XCB PkgConfig::QUELLORN_PC_XCB)

  message(STATUS "Quellorn deps (native): zlib ${ZLIB_VERSION_STRING}, png ${PNG_VERSION_STRING}, "
                 "ogg ${QUELLORN_PC_OGG_VERSION}, vorbis ${QUELLORN_PC_VORBIS_VERSION}, "
                 "sndfile ${QUELLORN_PC_SNDFILE_VERSION}, flac ${QUELLORN_PC_FLAC_VERSION}, "
                 "freetype ${QUELLORN_PC_FREETYPE_VERSION}")
  unset(_libm)
endif()
