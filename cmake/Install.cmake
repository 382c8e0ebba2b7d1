# What `cmake --install` puts in place beside the two programs (installed by their own folders), and the Debian
# package CPack makes of it: the help pages, the icon (SVG and PNG sizes, hicolor theme), the desktop entry with the
# picture MIME types, the MIME type of .qmx profiles, the AppStream metainfo and the command line program's man page.
include(GNUInstallDirs)

set(LUMIVANE_APP_ID example.lumivane.Lumivane)
set(LUMIVANE_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

if(LUMIVANE_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  # The icon at the theme's sizes, made from the drawing at build time.
  set(LUMIVANE_ICON_SIZES 16 24 32 48 64 128 256)
  add_executable(lumivane-icon-sizes ${PROJECT_SOURCE_DIR}/resources/icon/IconSizes.cpp)
  target_link_libraries(lumivane-icon-sizes PRIVATE Qt6::Gui)
  set(icon_stamp ${CMAKE_BINARY_DIR}/icons/hicolor.stamp)
  add_custom_command(OUTPUT ${icon_stamp}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:lumivane-icon-sizes> ${PROJECT_SOURCE_DIR}/resources/icon/lumivane.png
            ${CMAKE_BINARY_DIR}/icons/hicolor ${LUMIVANE_ICON_SIZES}
    COMMAND ${CMAKE_COMMAND} -E touch ${icon_stamp}
    DEPENDS lumivane-icon-sizes ${PROJECT_SOURCE_DIR}/resources/icon/lumivane.png
    VERBATIM)
  add_custom_target(lumivane_icons ALL DEPENDS ${icon_stamp})

  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
          FILES_MATCHING PATTERN "*.png")
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icon/lumivane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${LUMIVANE_DESKTOP_DIR}/${LUMIVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${LUMIVANE_DESKTOP_DIR}/${LUMIVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${LUMIVANE_DESKTOP_DIR}/lumivane-profile.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
endif()

# The command line program's man page, when the sources have one.
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/lumivane-cli.1)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/lumivane-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# cpack -G DEB in the build folder makes lumivane_<version>_<arch>.deb; its dependencies come from the libraries the
# programs link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivane)
set(CPACK_PACKAGE_VENDOR Tessary)
set(CPACK_PACKAGE_CONTACT "Lumivane support <support@lumivane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL https://lumivane.example/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Qt platform plugin; the GStreamer elements the camera uses are plugins too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sane-utils")
include(CPack)
