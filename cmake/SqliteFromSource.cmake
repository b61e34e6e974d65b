# SQLite for the Windows cross build: the amalgamation (sqlite3.c) made from Debian's source
# package by its own make (natively: only tclsh and the build machine's compiler run), then
# compiled with the mingw-w64 toolchain and linked statically, so the programs keep importing only
# system DLLs.
#
# scripts/install-deps.sh unpacks the source (apt-get source sqlite3) into
# TALMERO_SQLITE_SOURCE; the build needs no network.
#
# Defines the target talmero_sqlite.

set(TALMERO_SQLITE_SOURCE /usr/local/src/talmero/sqlite3
    CACHE PATH "Unpacked source of SQLite for the Windows build (apt-get source sqlite3)")
if(NOT EXISTS ${TALMERO_SQLITE_SOURCE}/Makefile.linux-gcc OR NOT EXISTS ${TALMERO_SQLITE_SOURCE}/tool/mksqlite3c.tcl)
  message(FATAL_ERROR "No SQLite source in ${TALMERO_SQLITE_SOURCE}: run scripts/install-deps.sh, "
                      "which unpacks it (apt-get source sqlite3)")
endif()

include(ExternalProject)
set(_talmero_sqlite_build ${CMAKE_BINARY_DIR}/sqlite-amalgamation)
# The amalgamation is plain C text, the same for every target: made with the build machine's
# tools by the source's own makefile for gcc, which needs no configure (the same sqlite3.c and
# sqlite3.h, byte for byte, in 2 seconds where configure and make took 15).
ExternalProject_Add(talmero_sqlite_amalgamation
  SOURCE_DIR ${TALMERO_SQLITE_SOURCE}
  BINARY_DIR ${_talmero_sqlite_build}
  CONFIGURE_COMMAND ""
  BUILD_COMMAND make -f <SOURCE_DIR>/Makefile.linux-gcc TOP=<SOURCE_DIR> TCLSH_CMD=tclsh
                sqlite3.c sqlite3.h
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${_talmero_sqlite_build}/sqlite3.c ${_talmero_sqlite_build}/sqlite3.h
  DOWNLOAD_COMMAND ""
  UPDATE_COMMAND "")

enable_language(C)
add_library(talmero_sqlite STATIC ${_talmero_sqlite_build}/sqlite3.c)
set_source_files_properties(${_talmero_sqlite_build}/sqlite3.c PROPERTIES GENERATED TRUE)
add_dependencies(talmero_sqlite talmero_sqlite_amalgamation)
# No extensions loaded at run time, no deprecated calls; threads serialised by the library.
target_compile_definitions(talmero_sqlite PRIVATE SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_DEPRECATED
                                                  SQLITE_THREADSAFE=1 SQLITE_DQS=0)
target_include_directories(talmero_sqlite SYSTEM INTERFACE ${_talmero_sqlite_build})
set_target_properties(talmero_sqlite PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
