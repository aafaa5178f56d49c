# Installs the desktop integration (launcher, icon, AppStream metadata, manual page, package
# documents) in the standard layout under any prefix, and makes a Debian package with CPack.
# The program and its resources are installed where they are built.

set(KLONKEL_APP_ID org.klonkel.Klonkel)
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

# Debian wants the manual page and the changelog compressed without a time stamp.
set(klonkel_gzipped)
foreach(document klonkel.1 changelog)
    set(gzipped ${PROJECT_BINARY_DIR}/packaging/${document}.gz)
    add_custom_command(OUTPUT ${gzipped}
        COMMAND gzip -9 -n -c ${klonkel_packaging}/${document} > ${gzipped}
        DEPENDS ${klonkel_packaging}/${document}
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
install(FILES ${klonkel_packaging}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME klonkel)
set(CPACK_PACKAGE_VENDOR "Klonkel developers")
set(CPACK_PACKAGE_CONTACT "Klonkel developers <klonkel@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop soundboard")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary on the first line itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "One window with a title and a big round button. Each press plays the next
short voice clip from a catalogue of 264, in a shuffled order that plays
every clip once per pass; a new clip cuts off the one that is sounding.")
# Shared libraries are found by dpkg-shlibdeps; QML modules and platform plugins are loaded at
# run time, so they are listed by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtqml, qml6-module-qtqml-workerscript, qml6-module-qtquick, \
qml6-module-qtquick-window, qml6-module-qtquick-shapes, qml6-module-qtquick-templates, \
qt6-qpa-plugins")
# The effects are shaders; without a hardware or Mesa OpenGL driver they are not drawn. Without
# Qt's Wayland plugin a Wayland desktop runs the app through its X server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
