# The release package (target "package", CPack's ZIP generator): Quorrin.exe, the skin images it
# reads from .\res\, VERSION.txt, README.txt, DEPENDENCIES.txt and the dependencies' licenses.
# Only what is installed in the component "Quorrin" goes in, so that the test programs (the
# installer stand-in QrnOneKey.exe above all) can never slip into a package.

set(quorrin_package_files "${CMAKE_BINARY_DIR}/package")
file(REMOVE_RECURSE "${quorrin_package_files}")

set(quorrin_versions "${QUORRIN_DEPS_PREFIX}/versions.txt")
set(quorrin_licenses "${QUORRIN_DEPS_PREFIX}/share/licenses")
if(NOT EXISTS "${quorrin_versions}" OR NOT IS_DIRECTORY "${quorrin_licenses}")
  message(FATAL_ERROR "${QUORRIN_DEPS_PREFIX} has no versions.txt or share/licenses: it was made "
    "by an older scripts/setup-deps.sh; run the current one and use the prefix it prints")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${quorrin_versions}")

# The text files are read on Windows, Notepad of Windows XP and 7 included: CRLF line ends, and
# a byte-order mark on those holding Chinese so that it does not take them for the ANSI page.
string(ASCII 239 187 191 quorrin_bom)

function(quorrin_write_text out content bom)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  if(bom)
    set(content "${quorrin_bom}${content}")
  endif()
  file(WRITE "${out}" "${content}")
endfunction()

function(quorrin_write_template out template)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${template}")
  file(READ "${template}" text)
  string(CONFIGURE "${text}" text @ONLY)
  quorrin_write_text("${out}" "${text}" TRUE)
endfunction()

quorrin_write_text("${quorrin_package_files}/VERSION.txt" "${QUORRIN_VERSION}\n" FALSE)
quorrin_write_template("${quorrin_package_files}/README.txt" "${CMAKE_SOURCE_DIR}/cmake/package/README.txt.in")
file(READ "${quorrin_versions}" QUORRIN_DEPENDENCY_VERSIONS)
quorrin_write_template("${quorrin_package_files}/DEPENDENCIES.txt"
  "${CMAKE_SOURCE_DIR}/cmake/package/DEPENDENCIES.txt.in")
file(GLOB quorrin_license_files "${quorrin_licenses}/*.txt")
foreach(license ${quorrin_license_files})
  get_filename_component(name "${license}" NAME)
  file(READ "${license}" text)
  quorrin_write_text("${quorrin_package_files}/licenses/${name}" "${text}" FALSE)
endforeach()

install(TARGETS Quorrin RUNTIME DESTINATION . COMPONENT Quorrin)
# From the sources rather than the build's res/, which also holds CMake's own files.
install(DIRECTORY "${CMAKE_SOURCE_DIR}/res/" DESTINATION res COMPONENT Quorrin
  FILES_MATCHING PATTERN "*.png" PATTERN "*.PNG")
install(FILES "${quorrin_package_files}/VERSION.txt" "${quorrin_package_files}/README.txt"
  "${quorrin_package_files}/DEPENDENCIES.txt" DESTINATION . COMPONENT Quorrin)
install(DIRECTORY "${quorrin_package_files}/licenses/" DESTINATION licenses COMPONENT Quorrin)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quorrin)
set(CPACK_PACKAGE_VENDOR Quorrin)
set(CPACK_PACKAGE_VERSION "${QUORRIN_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "Quorrin-${QUORRIN_VERSION}-win64")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
# One folder inside the zip, named like the zip, so that unpacking it scatters nothing.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Quorrin;/")
set(CPACK_STRIP_FILES ON)
# Where the package lands, for scripts/release.sh to report.
file(WRITE "${CMAKE_BINARY_DIR}/package-path.txt"
  "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip\n")
include(CPack)
