# Installing the Linux way: `cmake --install` places the program, its data,
# the manual, the menu entries, the icon and the man page under the prefix
# (GNUInstallDirs), and `cpack -G DEB` packs the same files into a Debian
# package. The program finds its data from bin/ as ../share/dirgen and its
# manual as ../share/doc/dirgen/help.html.
include(GNUInstallDirs)

set(DIRGEN_DATADIR ${CMAKE_INSTALL_DATADIR}/dirgen)
set(DIRGEN_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/dirgen)

install(TARGETS kdgn20 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY kvdata images DESTINATION ${DIRGEN_DATADIR}
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES help.html readme.txt packaging/copyright
        DESTINATION ${DIRGEN_DOCDIR})
install(FILES images/dirgen.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Shell completion, where each shell looks for the completions of packages.
set(DIRGEN_COMPLETIONS ${PROJECT_SOURCE_DIR}/packaging/completions)
install(FILES ${DIRGEN_COMPLETIONS}/kdgn20.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME kdgn20)
install(FILES ${DIRGEN_COMPLETIONS}/_kdgn20
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${DIRGEN_COMPLETIONS}/kdgn20.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

# The menu entries. The manual's entry names the manual's installed path,
# known only when installing (cpack installs under its own prefix).
install(CODE "
  set(DIRGEN_MANUAL \"\${CMAKE_INSTALL_PREFIX}/${DIRGEN_DOCDIR}/help.html\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/dirgen-manual.desktop.in\"
                 \"${PROJECT_BINARY_DIR}/dirgen-manual.desktop\" @ONLY)")
install(FILES packaging/dirgen.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/dirgen-manual.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The man page and the change log, compressed as Debian keeps them (no name
# or time stamp inside).
find_program(GZIP gzip REQUIRED)
foreach(page kdgn20.1 changelog)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/${page}
            > ${page}.gz
    DEPENDS packaging/${page}
    COMMENT "Compressing ${page}")
endforeach()
add_custom_target(compressed_docs ALL DEPENDS kdgn20.1.gz changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/kdgn20.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${DIRGEN_DOCDIR})

# The Debian package: dirgen_VERSION_ARCH.deb, installed under /usr, its
# dependencies found by dpkg-shlibdeps from the libraries kdgn20 links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dirgen)
set(CPACK_PACKAGE_VENDOR "The Dirgen developers")
# Whoever builds a package for others names themselves here.
set(DIRGEN_MAINTAINER "The Dirgen developers <dirgen@example.org>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT ${DIRGEN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "listing documents of folders and archives from templates")
set(CPACK_PACKAGE_DESCRIPTION
"Dirgen turns a folder tree or an archive (tar, tar.gz, zip) into a listing
document, usually an HTML page of links, by filling a template the user
picks from a catalogue of styles: a download page, a sortable table, a
folding tree, a picture gallery, plain lists of paths and more.

It has a command line (kdgn20 -s table -r -o index.html FOLDER, or a
settings file) with completion for bash, zsh and fish, and a Qt window for
editing the settings.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
include(CPack)
