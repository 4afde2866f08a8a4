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

set(_args "")
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
  list(APPEND _args "${_name}=${QUELLORN_FONT_${_name}}")
  list(APPEND _files "${QUELLORN_FONT_${_name}}")
endforeach()

set(QUELLORN_EMBEDDED_FONTS ${CMAKE_BINARY_DIR}/generated/EmbeddedFonts.cpp)
add_custom_command(
  OUTPUT ${QUELLORN_EMBEDDED_FONTS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/embed-fonts.py ${QUELLORN_EMBEDDED_FONTS} ${_args}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/embed-fonts.py ${_files}
  COMMENT "Embedding the editor's font files"
  VERBATIM)
target_sources(quellorn_core PRIVATE ${QUELLORN_EMBEDDED_FONTS})
message(STATUS "Quellorn fonts: ${_files}")

unset(_font_dirs)
unset(_fonts)
unset(_args)
unset(_files)
