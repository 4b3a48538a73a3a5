# Included by the top-level CMakeLists.txt before any target when ZELVARO_FUZZ
# is on: everything is built for fuzzing.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZELVARO_FUZZ needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
# A division by zero or a float-to-integer overflow anywhere in the core is a
# finding too: the checked arithmetic must stop before either happens.
set(ZELVARO_FUZZ_SANITIZERS address,undefined,float-divide-by-zero,float-cast-overflow)
add_compile_options(-fsanitize=fuzzer-no-link,${ZELVARO_FUZZ_SANITIZERS} -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=${ZELVARO_FUZZ_SANITIZERS})
