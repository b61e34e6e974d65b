# minizip's writer for the Windows cross build: Debian has no minizip for mingw-w64, so the copy
# that Debian's source package of libxlsxwriter carries (third_party/minizip: zip.c and ioapi.c)
# is compiled with the same mingw-w64 toolchain and linked statically with Debian's zlib for
# mingw-w64 (libz-mingw-w64-dev), so that the programs write workbooks and ship as one .exe each.
# Only those two files: the program writes the workbook's parts itself.
#
# scripts/install-deps.sh unpacks the source (apt-get source libxlsxwriter) into
# TALMERO_XLSXWRITER_SOURCE; the build needs no network. Without the source or zlib the build goes
# on without workbooks and says so.
#
# Defines the target talmero_minizip when it can.

set(TALMERO_XLSXWRITER_SOURCE /usr/local/src/talmero/libxlsxwriter
    CACHE PATH "Unpacked source of libxlsxwriter for the Windows build (apt-get source libxlsxwriter)")
set(_talmero_mingw_root /usr/${TALMERO_MINGW_PREFIX})
set(_talmero_zlib ${_talmero_mingw_root}/lib/libz.a)  # the static one, never libz.dll.a
set(_talmero_minizip ${TALMERO_XLSXWRITER_SOURCE}/third_party/minizip)

if(NOT EXISTS ${_talmero_minizip}/zip.c OR NOT EXISTS ${_talmero_minizip}/ioapi.c)
  message(STATUS "No minizip in ${TALMERO_XLSXWRITER_SOURCE} (scripts/install-deps.sh unpacks "
                 "libxlsxwriter's source): this Windows build writes no workbooks")
  return()
endif()
if(NOT EXISTS ${_talmero_zlib} OR NOT EXISTS ${_talmero_mingw_root}/include/zlib.h)
  message(STATUS "No zlib for mingw-w64 (Debian package libz-mingw-w64-dev): this Windows build "
                 "writes no workbooks")
  return()
endif()

enable_language(C)
add_library(talmero_minizip STATIC ${_talmero_minizip}/zip.c ${_talmero_minizip}/ioapi.c)
# No encryption, as the library builds it.
target_compile_definitions(talmero_minizip PRIVATE NOCRYPT NOUNCRYPT)
target_include_directories(talmero_minizip SYSTEM PUBLIC ${TALMERO_XLSXWRITER_SOURCE}/third_party
                                                         ${_talmero_mingw_root}/include)
target_link_libraries(talmero_minizip PUBLIC ${_talmero_zlib})
set_target_properties(talmero_minizip PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
