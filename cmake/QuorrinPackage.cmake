# The release package (target "package", CPack's ZIP generator) holds both builds of the
# program: the 32-bit one as Quorrin.exe, the one to run, since it runs on every Windows from
# XP SP3, and the 64-bit one as Quorrin-x64.exe beside it; the skin images both read from
# .\res\, VERSION.txt, README.txt, DEPENDENCIES.txt and the dependencies' licenses.
# Two release builds make it. The 32-bit one (preset release-i686) makes no package: it stages
# its stripped program with the versions and licenses of what it links into stage/. The 64-bit
# one (preset release) takes that folder as QUORRIN_STAGE_I686 and packages.
# Only what is installed in the component "Quorrin" goes in, so that the test programs (the
# installer stand-in QrnOneKey.exe above all) can never slip into a package.

set(quorrin_versions "${QUORRIN_DEPS_PREFIX}/versions.txt")
set(quorrin_licenses "${QUORRIN_DEPS_PREFIX}/share/licenses")
if(NOT EXISTS "${quorrin_versions}" OR NOT IS_DIRECTORY "${quorrin_licenses}")
  message(FATAL_ERROR "${QUORRIN_DEPS_PREFIX} has no versions.txt or share/licenses: it was made "
    "by an older scripts/setup-deps.sh; run the current one and use the prefix it prints")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${quorrin_versions}")

if(NOT CMAKE_STRIP)
  message(FATAL_ERROR "No strip for ${CMAKE_SYSTEM_PROCESSOR} was found beside the cross compiler")
endif()
# Remade whenever the program is; the package carries no symbols.
function(quorrin_strip_program out)
  add_custom_command(OUTPUT "${out}" COMMAND "${CMAKE_STRIP}" -o "${out}" "$<TARGET_FILE:Quorrin>"
    DEPENDS Quorrin VERBATIM)
  add_custom_target(quorrin_stripped ALL DEPENDS "${out}")
endfunction()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(quorrin_stage "${CMAKE_BINARY_DIR}/stage")
  file(REMOVE_RECURSE "${quorrin_stage}")
  configure_file("${quorrin_versions}" "${quorrin_stage}/versions.txt" COPYONLY)
  file(COPY "${quorrin_licenses}/" DESTINATION "${quorrin_stage}/licenses")
  quorrin_strip_program("${quorrin_stage}/Quorrin.exe")
  return()
endif()

set(QUORRIN_STAGE_I686 "" CACHE PATH
  "The 32-bit release build's stage/ folder: its stripped Quorrin.exe, versions.txt and licenses/")
set(quorrin_i686_program "${QUORRIN_STAGE_I686}/Quorrin.exe")
set(quorrin_i686_versions "${QUORRIN_STAGE_I686}/versions.txt")
if(NOT EXISTS "${quorrin_i686_program}" OR NOT EXISTS "${quorrin_i686_versions}")
  message(FATAL_ERROR "QUORRIN_STAGE_I686 [${QUORRIN_STAGE_I686}] holds no 32-bit Quorrin.exe "
    "with its versions.txt. The package holds both programs, and the 32-bit one, the one most "
    "users run, comes from the release-i686 build: make it first (export "
    "QUORRIN_DEPS_PREFIX_I686=$(bash scripts/setup-deps.sh i686 | tail -n1); cmake --preset "
    "release-i686; cmake --build --preset release-i686), or run scripts/release.sh, which "
    "builds both.")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${quorrin_i686_versions}")

set(quorrin_package_files "${CMAKE_BINARY_DIR}/package")
file(REMOVE_RECURSE "${quorrin_package_files}")

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
file(READ "${quorrin_i686_versions}" QUORRIN_DEPENDENCY_VERSIONS_I686)
file(READ "${quorrin_versions}" QUORRIN_DEPENDENCY_VERSIONS_X64)
quorrin_write_template("${quorrin_package_files}/DEPENDENCIES.txt"
  "${CMAKE_SOURCE_DIR}/cmake/package/DEPENDENCIES.txt.in")

# One licenses\ folder serves both programs, so a license both prefixes hold must read the same
# in each; it differs only when they were built from different versions of a dependency.
file(GLOB quorrin_license_files "${QUORRIN_STAGE_I686}/licenses/*.txt" "${quorrin_licenses}/*.txt")
foreach(license ${quorrin_license_files})
  get_filename_component(name "${license}" NAME)
  file(SHA256 "${license}" hash)
  if(DEFINED quorrin_license_hash_${name} AND NOT hash STREQUAL quorrin_license_hash_${name})
    message(FATAL_ERROR "licenses/${name} differs between the 32-bit stage "
      "(${QUORRIN_STAGE_I686}) and ${QUORRIN_DEPS_PREFIX}: the two programs link different "
      "versions of a dependency. Run scripts/setup-deps.sh for both architectures and build both "
      "again (scripts/release.sh does).")
  endif()
  set(quorrin_license_hash_${name} "${hash}")
  file(READ "${license}" text)
  quorrin_write_text("${quorrin_package_files}/licenses/${name}" "${text}" FALSE)
endforeach()

quorrin_strip_program("${quorrin_package_files}/Quorrin-x64.exe")
install(PROGRAMS "${quorrin_i686_program}" "${quorrin_package_files}/Quorrin-x64.exe"
  DESTINATION . COMPONENT Quorrin)
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
set(CPACK_PACKAGE_FILE_NAME "Quorrin-${QUORRIN_VERSION}-win32-win64")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
# One folder inside the zip, named like the zip, so that unpacking it scatters nothing.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Quorrin;/")
# Where the package lands, for scripts/release.sh to report.
file(WRITE "${CMAKE_BINARY_DIR}/package-path.txt"
  "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip\n")
include(CPack)
