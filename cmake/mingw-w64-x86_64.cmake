# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64, POSIX threads).
# Programs and tests run under Wine where the build needs to run them (the data tools, the
# test discovery when ctest runs), through CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALMERO_MINGW_PREFIX x86_64-w64-mingw32)
# The -posix variant carries std::thread and friends, which GoogleTest uses.
find_program(CMAKE_CXX_COMPILER NAMES ${TALMERO_MINGW_PREFIX}-g++-posix ${TALMERO_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${TALMERO_MINGW_PREFIX}-gcc-posix ${TALMERO_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TALMERO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALMERO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Header-only libraries of the host (nlohmann/json, CLI11, kainjow mustache) are portable; they
# are offered to the cross compiler through a folder that holds only them, never the host's own
# system headers.
set(_talmero_host_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(_talmero_header_dir nlohmann CLI kainjow)
  if(EXISTS /usr/include/${_talmero_header_dir} AND NOT EXISTS ${_talmero_host_headers}/${_talmero_header_dir})
    file(MAKE_DIRECTORY ${_talmero_host_headers})
    file(CREATE_LINK /usr/include/${_talmero_header_dir} ${_talmero_host_headers}/${_talmero_header_dir} SYMBOLIC)
  endif()
endforeach()
if(EXISTS ${_talmero_host_headers})
  set(CMAKE_CXX_FLAGS_INIT "-isystem ${_talmero_host_headers}")
endif()

# The programs carry the compiler's runtime inside them, so the .exe runs alone beside its
# catalogue (no libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll to ship).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine quiet and in a prefix of its own (made on first use), unless WINEPREFIX names one.
find_program(TALMERO_WINE NAMES wine wine64)
if(TALMERO_WINE)
  if(DEFINED ENV{WINEPREFIX})
    set(TALMERO_WINEPREFIX "$ENV{WINEPREFIX}" CACHE PATH "Wine prefix of the build")
  else()
    set(TALMERO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix of the build")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEPREFIX=${TALMERO_WINEPREFIX} ${TALMERO_WINE})
endif()
# The suites' tests are listed when ctest runs rather than after each link: under Wine a listing
# takes seconds, and scripts/wine-tests.sh runs the suites themselves, never through ctest.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
