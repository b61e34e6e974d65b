# Warning flags for the project's own targets only (never for Qt or GoogleTest headers).
function(talmero_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion)
  # GCC 12 reports false -Wrestrict positives inside std::string at -O2 and above.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(TALMERO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The sources of one folder: every .cpp except the tests and the other platform's files.
function(talmero_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "_test\\.cpp$")
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()
