# The Debian package: the program, the command-line tool and the simulated board's library side by
# side in one folder (the program loads the board library from its own folder), commands in /usr/bin,
# the sample machine as the template a first start copies into the user's configuration folder, a
# desktop entry, an icon and the user's guide.
include(GNUInstallDirs)
set(ZORVAN_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/zorvannc)

install(TARGETS zorvannc zorvannc-cli RUNTIME DESTINATION ${ZORVAN_PROGRAM_DIR})
install(TARGETS ZorvanAPI LIBRARY DESTINATION ${ZORVAN_PROGRAM_DIR})
foreach(command zorvannc zorvannc-cli)
  # Relative links, so that the tree works wherever it is unpacked.
  file(RELATIVE_PATH target /usr/${CMAKE_INSTALL_BINDIR} /usr/${ZORVAN_PROGRAM_DIR}/${command})
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ${target} \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${command}\" SYMBOLIC)")
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zorvannc/machine)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zorvannc.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zorvannc.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The guide goes where Debian keeps a package's documents, named after the package (GNUInstallDirs would
# name the folder after the project, ZorvanNC). Help > Contents finds it from the program's folder; a
# program run from a build tree reads it from the sources.
set(ZORVAN_GUIDE_DIR ${CMAKE_INSTALL_DATADIR}/doc/zorvannc/guide)
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/guide)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${ZORVAN_GUIDE_DIR})
endif()
file(RELATIVE_PATH guide_from_program /${ZORVAN_PROGRAM_DIR} /${ZORVAN_GUIDE_DIR})
target_compile_definitions(zorvannc PRIVATE ZORVAN_GUIDE_FROM_PROGRAM="${guide_from_program}"
                           ZORVAN_GUIDE_IN_SOURCES="${PROJECT_SOURCE_DIR}/docs/guide")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvannc)
set(CPACK_PACKAGE_VENDOR "ZorvanNC")
set(CPACK_PACKAGE_CONTACT "ZorvanNC developers <zorvannc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator program of a small desktop CNC mill")
set(CPACK_PACKAGE_DESCRIPTION "Edit a G-code program, preview its tool path and run it on the mill's \
motion-controller board, with a simulated board for use without a machine.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin, which Debian packages apart from the Qt libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
