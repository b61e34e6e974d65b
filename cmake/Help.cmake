# The help pages as HTML beside the programs (ajuda/, what the window opens in the browser when no
# CHM viewer is there), always; and the help file PRXAuto.chm beside the programs, compiled from docs/ajuda when chmcmd (Debian
# package fp-utils) is there. Both the window's build and the one without it (Windows) ship it.
find_program(TALMERO_CHMCMD chmcmd)
set(talmero_help_dir ${CMAKE_SOURCE_DIR}/docs/ajuda)
if(TALMERO_CHMCMD AND EXISTS ${talmero_help_dir}/PRXAuto.hhp)
  file(GLOB talmero_help_sources CONFIGURE_DEPENDS ${talmero_help_dir}/*)
  set(talmero_help_work ${CMAKE_BINARY_DIR}/ajuda)
  add_custom_command(OUTPUT ${TALMERO_BIN_DIR}/PRXAuto.chm
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${talmero_help_work}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${talmero_help_dir} ${talmero_help_work}
    COMMAND ${CMAKE_COMMAND} -E chdir ${talmero_help_work} ${TALMERO_CHMCMD} PRXAuto.hhp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TALMERO_BIN_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${talmero_help_work}/PRXAuto.chm ${TALMERO_BIN_DIR}/PRXAuto.chm
    DEPENDS ${talmero_help_sources}
    COMMENT "Compiling the help file PRXAuto.chm")
  add_custom_target(talmero_help ALL DEPENDS ${TALMERO_BIN_DIR}/PRXAuto.chm)
else()
  message(STATUS "chmcmd or docs/ajuda/PRXAuto.hhp not found: the help file PRXAuto.chm is not built")
endif()

# The pages themselves, without the help compiler's project files.
file(GLOB talmero_help_pages CONFIGURE_DEPENDS ${talmero_help_dir}/*.html ${talmero_help_dir}/*.css
     ${talmero_help_dir}/*.png)
set(talmero_help_copies)
foreach(page ${talmero_help_pages})
  get_filename_component(name ${page} NAME)
  add_custom_command(OUTPUT ${TALMERO_BIN_DIR}/ajuda/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${page} ${TALMERO_BIN_DIR}/ajuda/${name}
    DEPENDS ${page})
  list(APPEND talmero_help_copies ${TALMERO_BIN_DIR}/ajuda/${name})
endforeach()
add_custom_target(talmero_help_pages ALL DEPENDS ${talmero_help_copies})
