# Run by CPack on the staged files before it builds the package: each
# program is stripped as Debian strips it (debugging information, unneeded
# symbols, the compiler's .comment notes) and its debugging information is
# kept apart, beside the package, in debug/.build-id/xx/rest.debug, the
# layout gdb reads with "set debug-file-directory <that folder>".
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*")
if(NOT programs)
  message(FATAL_ERROR "no programs staged under ${CPACK_TEMPORARY_DIRECTORY}/usr/bin")
endif()
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()
foreach(program IN LISTS programs)
  run(env LC_ALL=C readelf -n "${program}")
  if(NOT output MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    message(FATAL_ERROR "${program} has no build id")
  endif()
  set(debug "${CPACK_PACKAGE_DIRECTORY}/debug/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.debug")
  get_filename_component(folder "${debug}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  run(objcopy --only-keep-debug --compress-debug-sections "${program}" "${debug}")
  run(objcopy --strip-debug --strip-unneeded --remove-section=.comment "${program}")
  run(objcopy "--add-gnu-debuglink=${debug}" "${program}")
endforeach()
