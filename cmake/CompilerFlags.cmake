# Warnings and floating-point rules shared by every target.
#
# Audio output is compared bit for bit between the Linux and the Windows build, so both
# must do the same arithmetic: SSE2 scalar math (the x86-64 default), no fast-math, and no
# fused multiply-add that one compiler would form and the other not.
add_library(quellorn_flags INTERFACE)
target_compile_options(quellorn_flags INTERFACE
  -Wall -Wextra
  -ffp-contract=off
  -fno-fast-math
  -msse2 -mfpmath=sse)
target_include_directories(quellorn_flags INTERFACE ${PROJECT_SOURCE_DIR})
if(WIN32)
  # Lean Windows headers, and no min/max macros colliding with the standard library.
  target_compile_definitions(quellorn_flags INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

if(QUELLORN_SANITIZE)
  # No recovery: a report must fail the test that caused it, not scroll past in a log.
  add_compile_options(-fsanitize=${QUELLORN_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QUELLORN_SANITIZE})
endif()

if(QUELLORN_BUILD_FUZZ)
  # The fuzz tree (clang): every object, the core library's included, carries libFuzzer's
  # coverage hooks and the sanitizers; only the fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer
                      -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignore.txt)
  add_link_options(-fsanitize=address,undefined)
endif()
