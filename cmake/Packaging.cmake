# Installation and packages.
#
# The program looks for its catalogue, totals table and help file in its own folder, so they are
# installed together: on Linux in /opt/talmero-prx with links in /usr/bin (the program resolves
# its folder through the link), on Windows at the top of the zip.
#   Linux:   cpack -G DEB  -> talmero-prx_<version>_<arch>.deb (window, runner, catalogue, help)
#   Windows: cpack -G ZIP  -> talmero-prx-<version>-win64.zip (window, runner, catalogue, help)
#            target msi    -> talmero-prx-<version>-win64.msi (the same, installed per machine
#                             in Program Files with a Start-menu shortcut; wixl from msitools)

if(WIN32)
  set(TALMERO_INSTALL_DIR "." CACHE STRING "Folder of the programs and their files, below the prefix")
else()
  set(TALMERO_INSTALL_DIR "opt/talmero-prx" CACHE STRING "Folder of the programs and their files, below the prefix")
endif()

set(talmero_programs talmero-criticar talmero-resumo)
if(TARGET talmero-prx)
  list(APPEND talmero_programs talmero-prx)
endif()
install(TARGETS ${talmero_programs} RUNTIME DESTINATION ${TALMERO_INSTALL_DIR})

# The catalogue and the totals table are built from data/ into the build's bin folder; the
# sample files come along so that a fresh installation can be tried at once.
install(FILES ${TALMERO_BIN_DIR}/tabelas.dbf ${TALMERO_BIN_DIR}/anexos.dbf
              ${TALMERO_BIN_DIR}/DadosKov.DBF
        DESTINATION ${TALMERO_INSTALL_DIR})
install(DIRECTORY ${TALMERO_BIN_DIR}/amostras DESTINATION ${TALMERO_INSTALL_DIR})

# The help pages as HTML (opened in the browser when no CHM viewer is there).
install(DIRECTORY ${TALMERO_BIN_DIR}/ajuda DESTINATION ${TALMERO_INSTALL_DIR})

# The help file, when the build could compile it (cmake/Help.cmake).
if(TARGET talmero_help)
  install(FILES ${TALMERO_BIN_DIR}/PRXAuto.chm DESTINATION ${TALMERO_INSTALL_DIR})
else()
  message(STATUS "No help compiler (chmcmd, Debian package fp-utils): packages ship without PRXAuto.chm")
endif()

if(NOT WIN32)
  # Links in /usr/bin. The program finds its folder through /proc/self/exe, which names the
  # target of the link, so it still reads its catalogue from /opt/talmero-prx.
  set(talmero_links ${CMAKE_BINARY_DIR}/package-links)
  file(MAKE_DIRECTORY ${talmero_links})
  foreach(program ${talmero_programs})
    file(CREATE_LINK /${TALMERO_INSTALL_DIR}/${program} ${talmero_links}/${program} SYMBOLIC)
    install(FILES ${talmero_links}/${program} DESTINATION usr/bin)
  endforeach()
endif()

if(NOT WIN32)
  # Desktop integration: the menu entry and its icon in the hicolor theme's sizes, the runner's
  # manual page, and the package's documentation (copyright and README).
  if(TARGET talmero-prx)
    install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/talmero-prx.desktop
            DESTINATION usr/share/applications)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/icon/hicolor DESTINATION usr/share/icons)
  endif()
  set(talmero_man ${CMAKE_BINARY_DIR}/man/talmero-criticar.1.gz)
  add_custom_command(OUTPUT ${talmero_man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/docs/talmero-criticar.1 > ${talmero_man}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/talmero-criticar.1
    VERBATIM)
  add_custom_target(talmero_man ALL DEPENDS ${talmero_man})
  install(FILES ${talmero_man} DESTINATION usr/share/man/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/copyright DESTINATION usr/share/doc/talmero-prx)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION usr/share/doc/talmero-prx)
endif()

set(CPACK_PACKAGE_NAME talmero-prx)
set(CPACK_PACKAGE_VENDOR "Talmero PRX")
set(CPACK_PACKAGE_CONTACT "Talmero PRX <talmero-prx@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Checks motor-insurance statistics files (dBase III) before they are sent to the regulator")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME talmero-prx-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  # The install rules name /opt and /usr themselves.
  set(CPACK_PACKAGING_INSTALL_PREFIX /)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Qt and the C++ runtime, found by dpkg-shlibdeps
  if(TARGET talmero-prx)
    # The window does not start without a Qt platform plugin; Qt's own texts (file dialogs,
    # menus) come in Brazilian Portuguese from its translations; the help opens in a CHM viewer
    # (without one, in the browser from ajuda/).
    set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xchm")
  endif()
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Checks the risks and claims files of motor-insurance statistics (dBase III) against the\nshipped rule catalogue and writes a fixed-column report. Window talmero-prx (Qt 6)\nand command-line runner talmero-criticar; catalogue, samples and help in /opt/talmero-prx.")
endif()

include(CPack)

if(WIN32)
  # The installer holds exactly what the zip holds: the install rules above, staged and handed
  # to wixl by cmake/MakeMsi.cmake.
  find_program(TALMERO_WIXL wixl)
  if(TALMERO_WIXL)
    set(msi_stage ${CMAKE_BINARY_DIR}/msi/stage)
    set(msi_file ${CPACK_PACKAGE_DIRECTORY}/talmero-prx-${PROJECT_VERSION}-win64.msi)
    add_custom_target(msi
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${msi_stage}
      COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${msi_stage} --strip
      COMMAND ${CMAKE_COMMAND} -DSTAGE=${msi_stage} -DVERSION=${PROJECT_VERSION}
              -DICON=${CMAKE_SOURCE_DIR}/data/icon/talmero-prx.ico
              -DTEMPLATE=${CMAKE_SOURCE_DIR}/cmake/msi/talmero-prx.wxs.in -DOUTPUT=${msi_file}
              -P ${CMAKE_SOURCE_DIR}/cmake/MakeMsi.cmake
      COMMENT "Windows installer ${msi_file}"
      VERBATIM)
    add_dependencies(msi ${talmero_programs} talmero_data)
    if(TARGET talmero_help)
      add_dependencies(msi talmero_help)
    endif()
  else()
    message(STATUS "No wixl (Debian package wixl): no target msi")
  endif()
endif()
