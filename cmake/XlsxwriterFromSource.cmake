# libxlsxwriter for the Windows cross build, compiled from Debian's source package with the same
# mingw-w64 toolchain and linked statically, with Debian's zlib for mingw-w64
# (libz-mingw-w64-dev), so that the programs write workbooks and ship as one .exe each.
#
# scripts/install-deps.sh unpacks the source (apt-get source libxlsxwriter) into
# TALMERO_XLSXWRITER_SOURCE; the build needs no network. Without the source or zlib the build goes
# on without workbooks, as before, and says so.
#
# Defines the imported target talmero_xlsxwriter when it can.

set(TALMERO_XLSXWRITER_SOURCE /usr/local/src/talmero/libxlsxwriter
    CACHE PATH "Unpacked source of libxlsxwriter for the Windows build (apt-get source libxlsxwriter)")
set(_talmero_mingw_root /usr/${TALMERO_MINGW_PREFIX})
set(_talmero_zlib ${_talmero_mingw_root}/lib/libz.a)  # the static one, never libz.dll.a

if(NOT EXISTS ${TALMERO_XLSXWRITER_SOURCE}/CMakeLists.txt)
  message(STATUS "No libxlsxwriter source in ${TALMERO_XLSXWRITER_SOURCE} (scripts/install-deps.sh "
                 "unpacks it): this Windows build writes no workbooks")
  return()
endif()
if(NOT EXISTS ${_talmero_zlib} OR NOT EXISTS ${_talmero_mingw_root}/include/zlib.h)
  message(STATUS "No zlib for mingw-w64 (Debian package libz-mingw-w64-dev): this Windows build "
                 "writes no workbooks")
  return()
endif()

include(ExternalProject)
set(_talmero_xlsx_prefix ${CMAKE_BINARY_DIR}/xlsxwriter)
set(_talmero_xlsx_library ${_talmero_xlsx_prefix}/lib/libxlsxwriter.a)
set(_talmero_xlsx_args
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
  -DBUILD_SHARED_LIBS=OFF
  -DBUILD_TESTS=OFF
  -DBUILD_EXAMPLES=OFF
  -DUSE_SYSTEM_MINIZIP=OFF  # its own copy of minizip: Debian has none for mingw-w64
  -DZLIB_LIBRARY=${_talmero_zlib}
  -DZLIB_INCLUDE_DIR=${_talmero_mingw_root}/include)
if(CMAKE_C_COMPILER_LAUNCHER)
  list(APPEND _talmero_xlsx_args -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER})
endif()
ExternalProject_Add(talmero_xlsxwriter_build
  SOURCE_DIR ${TALMERO_XLSXWRITER_SOURCE}
  PREFIX ${_talmero_xlsx_prefix}
  INSTALL_DIR ${_talmero_xlsx_prefix}
  CMAKE_ARGS ${_talmero_xlsx_args}
  BUILD_BYPRODUCTS ${_talmero_xlsx_library}
  DOWNLOAD_COMMAND ""
  UPDATE_COMMAND "")

# The include folder is filled by the build; an imported target wants it to exist already.
file(MAKE_DIRECTORY ${_talmero_xlsx_prefix}/include)
add_library(talmero_xlsxwriter STATIC IMPORTED GLOBAL)
set_target_properties(talmero_xlsxwriter PROPERTIES
  IMPORTED_LOCATION ${_talmero_xlsx_library}
  INTERFACE_INCLUDE_DIRECTORIES ${_talmero_xlsx_prefix}/include
  INTERFACE_LINK_LIBRARIES ${_talmero_zlib})
add_dependencies(talmero_xlsxwriter talmero_xlsxwriter_build)

# minizip's reader from the same source, for reading a written workbook back
# (outputs/workbook_parts.h); its file functions are the library's own copy of minizip's.
enable_language(C)
add_library(talmero_unzip STATIC ${TALMERO_XLSXWRITER_SOURCE}/third_party/minizip/unzip.c)
target_compile_definitions(talmero_unzip PRIVATE NOUNCRYPT)
target_include_directories(talmero_unzip SYSTEM PUBLIC ${TALMERO_XLSXWRITER_SOURCE}/third_party
                                                       ${_talmero_mingw_root}/include)
target_link_libraries(talmero_unzip PUBLIC talmero_xlsxwriter)
set_target_properties(talmero_unzip PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
