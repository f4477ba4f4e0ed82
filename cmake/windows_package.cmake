# The Windows build's programs and its zip package:
#   cmake --build build/win64 --target package
# gives korvane-host-tools-VERSION-win64.zip with the programs, their manual
# pages as HTML, the README, the licence and, given KORVANE_PAGE, the page.
set(KORVANE_PAGE "" CACHE FILEPATH "A built korvane.html to put into the package")

find_program(KORVANE_MANDOC mandoc)
if(NOT KORVANE_MANDOC)
  message(FATAL_ERROR "the Windows package needs mandoc for the manual pages as HTML (Debian: mandoc)")
endif()

set(korvane_manifest ${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${CMAKE_BINARY_DIR}/program.rc @ONLY)

# The manifest in the program, the program and its manual page, as HTML,
# at the top of the package.
function(korvane_windows_program program)
  target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/program.rc)
  korvane_manual_page(${program} versioned)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${program}.html)
  add_custom_command(OUTPUT ${page}
    COMMAND ${KORVANE_MANDOC} -T html ${versioned} > ${page}
    DEPENDS ${versioned} VERBATIM)
  add_custom_target(${program}_manual ALL DEPENDS ${page})
  install(TARGETS ${program} RUNTIME DESTINATION .)
  install(FILES ${page} DESTINATION .)
endfunction()

macro(korvane_windows_package)
  install(FILES README.md DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  if(KORVANE_PAGE)
    install(FILES ${KORVANE_PAGE} DESTINATION .)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME korvane-host-tools)
  set(CPACK_PACKAGE_VERSION ${KORVANE_VERSION})
  set(CPACK_PACKAGE_FILE_NAME korvane-host-tools-${KORVANE_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endmacro()
