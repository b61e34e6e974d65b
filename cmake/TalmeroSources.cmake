# The sources of a library: every .cpp of its folder except the tests, and of the files made
# for one system (name_posix.cpp, name_windows.cpp) only the one for the system being built.
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
