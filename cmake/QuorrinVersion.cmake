# QUORRIN_VERSION: the version a build carries, from `git describe --tags --always --dirty` of
# the checkout. Before the first tag git names only the commit; the project version is put in
# front of it then ("1.0.0-g1a2b3c4-dirty") so that the name still says which release line it
# is. Outside a git checkout (an exported source tree) it is the project version.

set(QUORRIN_VERSION "${PROJECT_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND)
  # A source tree unpacked inside some other repository must not take that repository's name.
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-toplevel
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" RESULT_VARIABLE git_failed
    OUTPUT_VARIABLE git_toplevel OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT git_failed)
    get_filename_component(git_toplevel "${git_toplevel}" REALPATH)
    get_filename_component(quorrin_source_real "${CMAKE_SOURCE_DIR}" REALPATH)
  endif()
  if(NOT git_failed AND git_toplevel STREQUAL quorrin_source_real)
    execute_process(COMMAND "${GIT_EXECUTABLE}" describe --tags --always --dirty
      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" RESULT_VARIABLE git_failed
      OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND "${GIT_EXECUTABLE}" describe --tags
      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" RESULT_VARIABLE no_tag
      OUTPUT_QUIET ERROR_QUIET)
    if(NOT git_failed AND NOT described STREQUAL "")
      if(no_tag)
        set(described "${PROJECT_VERSION}-g${described}")
      endif()
      string(REGEX REPLACE "^v([0-9])" "\\1" described "${described}")
      # Tag names may hold characters that have no place in a file name or a resource string.
      string(REGEX REPLACE "[^A-Za-z0-9._+-]" "_" QUORRIN_VERSION "${described}")

      # A release reconfigures, and so renames its package, when a commit or a checkout moves
      # the checkout; uncommitted edits to tracked files are only seen at the next configure.
      if(QUORRIN_RELEASE)
        execute_process(COMMAND "${GIT_EXECUTABLE}" symbolic-ref -q HEAD
          WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE git_branch
          OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        foreach(git_file HEAD index packed-refs ${git_branch})
          execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --git-path ${git_file}
            WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE git_path
            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
          if(git_path STREQUAL "")
            continue()
          endif()
          get_filename_component(git_path "${git_path}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
          if(EXISTS "${git_path}")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_path}")
          endif()
        endforeach()
      endif()
    endif()
  endif()
endif()
message(STATUS "Quorrin version: ${QUORRIN_VERSION}")
