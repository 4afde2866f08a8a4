# quellorn_embed_files(TARGET OUTPUT NAMESPACE KIND [INCLUDE HEADER] FILES KEY FILE [KEY FILE ...])
#
# Compiles data files into TARGET as the table NAMESPACE::kFiles (raster/EmbeddedFile.h):
# scripts/embed-files.py writes OUTPUT (under the build tree's generated/) from them whenever
# one changes. KIND is "truetype" or "png"; each KEY is the entry's int key, a number or a
# constant of HEADER. Call it from the top directory: a generated source gets its build rule
# only in the directory of the target that lists it.

include_guard(GLOBAL)

function(quellorn_embed_files target output namespace kind)
  cmake_parse_arguments(PARSE_ARGV 4 _embed "" "INCLUDE" "FILES")
  set(_args ${output} ${namespace} ${kind})
  if(_embed_INCLUDE)
    list(APPEND _args --include ${_embed_INCLUDE})
  endif()
  set(_files "")
  list(LENGTH _embed_FILES _n)
  math(EXPR _last "${_n} - 1")
  foreach(_i RANGE 0 ${_last} 2)
    math(EXPR _j "${_i} + 1")
    list(GET _embed_FILES ${_i} _key)
    list(GET _embed_FILES ${_j} _file)
    list(APPEND _args "${_key}=${_file}")
    list(APPEND _files "${_file}")
  endforeach()
  get_filename_component(_dir ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/embed-files.py ${_args}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/embed-files.py ${_files}
    COMMENT "Embedding ${namespace}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
