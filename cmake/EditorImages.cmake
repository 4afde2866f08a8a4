# The editor's PNG images, listed once in resources/Quellorn.rc (id and file), compiled into
# every program that shows or tests the editor:
#   Windows: the resource script itself, through the resource compiler (windres), into the
#            object library quellorn_images, which the module and the Windows test programs
#            link; the images are read back with FindResource on the module's handle.
#   Other builds: the same files as bytes in quellorn_core (cmake/EmbedFiles.cmake);
#            quellorn_images is empty there, so every target may link it.
# Included from the top directory, after quellorn_core exists.

include_guard(GLOBAL)

set(_rc ${PROJECT_SOURCE_DIR}/resources/Quellorn.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_rc})
file(STRINGS ${_rc} _lines REGEX "^[0-9]+ +PNG +\"[^\"]+\"")
set(_entries "")
set(_files "")
foreach(_line IN LISTS _lines)
  string(REGEX MATCH "^([0-9]+) +PNG +\"([^\"]+)\"" _ ${_line})
  list(APPEND _entries ${CMAKE_MATCH_1} ${PROJECT_SOURCE_DIR}/resources/${CMAKE_MATCH_2})
  list(APPEND _files ${PROJECT_SOURCE_DIR}/resources/${CMAKE_MATCH_2})
endforeach()
if(NOT _files)
  message(FATAL_ERROR "No images listed in ${_rc}")
endif()

if(WIN32)
  enable_language(RC)
  add_library(quellorn_images OBJECT ${_rc})
  target_include_directories(quellorn_images PRIVATE ${PROJECT_SOURCE_DIR}/resources)
  # windres reads the files itself; the build must know to run it again when one changes.
  set_source_files_properties(${_rc} PROPERTIES OBJECT_DEPENDS "${_files}")
else()
  include(${CMAKE_CURRENT_LIST_DIR}/EmbedFiles.cmake)
  quellorn_embed_files(quellorn_core ${CMAKE_BINARY_DIR}/generated/EditorImages.cpp EditorImages png
    FILES ${_entries})
  add_library(quellorn_images INTERFACE)
endif()

unset(_rc)
unset(_lines)
unset(_entries)
unset(_files)
