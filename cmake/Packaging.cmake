# Installs the desktop integration (launcher, icon, AppStream metadata, manual page, package
# documents) in the standard layout under any prefix. The program and its resources are installed
# where they are built; the Debian package (debian/, tools/build-package.sh) installs through here.

set(klonkel_packaging ${PROJECT_SOURCE_DIR}/packaging)

# AppStream wants screenshots as web addresses and the project has none yet, so the metadata
# lists the committed screenshot only once its published address is given.
set(KLONKEL_SCREENSHOT_URL "" CACHE STRING
    "Published https address of packaging/screenshot.png for the AppStream metadata (none if empty)")
if(KLONKEL_SCREENSHOT_URL)
    set(KLONKEL_METAINFO_SCREENSHOTS
"  <screenshots>
    <screenshot type=\"default\">
      <caption>The main window</caption>
      <image type=\"source\" width=\"500\" height=\"300\">${KLONKEL_SCREENSHOT_URL}</image>
    </screenshot>
  </screenshots>
")
else()
    set(KLONKEL_METAINFO_SCREENSHOTS "")
endif()
configure_file(${klonkel_packaging}/${KLONKEL_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/packaging/${KLONKEL_APP_ID}.metainfo.xml @ONLY)

# Debian wants the manual page and the changelog compressed without a time stamp. The one
# changelog and copyright file serve both the package and a plain install.
set(klonkel_gzipped)
foreach(document packaging/klonkel.1 debian/changelog)
    get_filename_component(name ${document} NAME)
    set(gzipped ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${gzipped}
        COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${document} > ${gzipped}
        DEPENDS ${PROJECT_SOURCE_DIR}/${document}
        VERBATIM)
    list(APPEND klonkel_gzipped ${gzipped})
endforeach()
add_custom_target(klonkel_packaging_documents ALL DEPENDS ${klonkel_gzipped})

install(FILES ${klonkel_packaging}/${KLONKEL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${KLONKEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${klonkel_packaging}/icons/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${klonkel_packaging}/${KLONKEL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_BINARY_DIR}/packaging/klonkel.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# A distribution's package installs these its own way (Debian: dh_installchangelogs and
# dh_installdocs, the licence in common-licenses) and turns them off here.
option(KLONKEL_INSTALL_DOCS "Install the copyright file, the licence and the changelog" ON)
if(KLONKEL_INSTALL_DOCS)
    install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${PROJECT_SOURCE_DIR}/LICENSE
                  ${PROJECT_BINARY_DIR}/packaging/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
