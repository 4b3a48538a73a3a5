# Run by CPack before it stages the files: a package is whole or not built.
# It needs dpkg-shlibdeps, without which Depends would lack the libraries the
# programs link, and it carries the web page, built here, afresh, by
# emscripten from this very tree (never a page left over from another build).
#
# From CPackConfig.cmake: CPACK_ZELVARO_SOURCE_DIR, CPACK_ZELVARO_BINARY_DIR,
# CPACK_ZELVARO_WEB_DIR (the page's folder under the prefix).
function(missing what package)
  message(FATAL_ERROR "zelvaro package: ${what} is missing; install ${package} "
                      "(scripts/install-deps package installs all the package needs).")
endfunction()

# Looked for as the shell finds commands, on PATH alone.
find_program(shlibdeps dpkg-shlibdeps NO_CACHE NO_CMAKE_SYSTEM_PATH NO_CMAKE_INSTALL_PREFIX)
if(NOT shlibdeps)
  missing("dpkg-shlibdeps (which names the libraries the programs need in Depends)" dpkg-dev)
endif()
foreach(tool emcmake emcc node)
  find_program(found ${tool} NO_CACHE)
  if(NOT found)
    missing("${tool} (the web page is built with emscripten)" "emscripten and nodejs")
  endif()
endforeach()

set(src "${CPACK_ZELVARO_SOURCE_DIR}")
set(page_build "${CPACK_ZELVARO_BINARY_DIR}/page")
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "zelvaro package: the web page could not be built (${ARGN}: ${result})")
  endif()
endfunction()
# The diagrams, drawn by the window's own code in the native build.
run("${CPACK_ZELVARO_BINARY_DIR}/web/zelvaro-diagrams" "${page_build}/diagrams")
# Emscripten's JavaScript tools need Debian's node modules (acorn).
set(ENV{NODE_PATH} "/usr/share/nodejs")
# Configured once; ninja configures again when a CMakeLists.txt changes.
if(NOT EXISTS "${page_build}/build.ninja")
  run(emcmake cmake -S "${src}" -B "${page_build}" -G Ninja -DCMAKE_BUILD_TYPE=Release
      -DZELVARO_BUILD_UI=OFF -DZELVARO_BUILD_TESTS=OFF)
endif()
run(${CMAKE_COMMAND} --build "${page_build}" --target zelvaro-web-page)
# Under the package's prefix; CPack gives the staging folder as DESTDIR.
file(INSTALL "${page_build}/zelvaro-web/" DESTINATION "${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_ZELVARO_WEB_DIR}")
