# The font files compiled into quellorn_core (see raster/EmbeddedFonts.h). They come from
# Debian's font packages (fonts-liberation2 for Liberation Sans, fonts-dejavu-core for DejaVu
# Sans; scripts/setup-debian.sh installs them); each path is a cache variable, so another
# copy of the same files can be named instead. Included from the top directory: a generated
# source only gets its build rule in the directory of the target that lists it.

include_guard(GLOBAL)

set(_font_dirs
  /usr/share/fonts/truetype/liberation2
  /usr/share/fonts/truetype/liberation
  /usr/share/fonts/truetype/dejavu)
set(_fonts
  ArialRegular LiberationSans-Regular.ttf fonts-liberation2
  ArialBold    LiberationSans-Bold.ttf    fonts-liberation2
  ArialItalic  LiberationSans-Italic.ttf  fonts-liberation2
  Verdana      DejaVuSans.ttf             fonts-dejavu-core)

include(${CMAKE_CURRENT_LIST_DIR}/EmbedFiles.cmake)

set(_entries "")
set(_files "")
list(LENGTH _fonts _n)
math(EXPR _last "${_n} - 1")
foreach(_i RANGE 0 ${_last} 3)
  math(EXPR _j "${_i} + 1")
  math(EXPR _k "${_i} + 2")
  list(GET _fonts ${_i} _name)
  list(GET _fonts ${_j} _file)
  list(GET _fonts ${_k} _package)
  find_file(QUELLORN_FONT_${_name} ${_file} PATHS ${_font_dirs} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT QUELLORN_FONT_${_name})
    message(FATAL_ERROR
      "Font file ${_file} not found in ${_font_dirs}.\n"
      "Install Debian's ${_package} (apt-get install ${_package}, or run scripts/setup-debian.sh "
      "as root), or set -DQUELLORN_FONT_${_name}=<path to ${_file}>.")
  endif()
  list(APPEND _entries "int(Face::${_name})" "${QUELLORN_FONT_${_name}}")
  list(APPEND _files "${QUELLORN_FONT_${_name}}")
endforeach()

quellorn_embed_files(quellorn_core ${CMAKE_BINARY_DIR}/generated/EmbeddedFonts.cpp EmbeddedFonts truetype
  INCLUDE raster/EmbeddedFonts.h
  FILES ${_entries})
message(STATUS "Quellorn fonts: ${_files}")

unset(_font_dirs)
unset(_fonts)
unset(_entries)
unset(_files)
