# Install layout and the Debian package.
#
# The executable finds its page at <exe dir>/../share/quorvex and its web
# process extension at <exe dir>/../lib/quorvex, so bin/, lib/ and share/ are
# written out here instead of taken from GNUInstallDirs, which a
# distribution may point elsewhere. Only the application is installed: the
# end-to-end host and the test programs stay in the build tree.

install(TARGETS quorvex RUNTIME DESTINATION bin)
install(TARGETS quorvex_web_extension LIBRARY DESTINATION lib/quorvex/web-extensions)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/web/ DESTINATION share/quorvex/web)

# Desktop entry, metadata and icon all carry the id the GTK application
# registers, which is how launchers and software centres tie them together.
set(QV_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QV_ICON_SVG ${QV_PACKAGING_DIR}/${QV_APP_ID}.svg)
install(FILES ${QV_PACKAGING_DIR}/${QV_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${QV_PACKAGING_DIR}/${QV_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${QV_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)

# Fixed sizes help panels and docks that do not scale SVGs well.
find_program(QV_RSVG_CONVERT rsvg-convert)
if(QV_RSVG_CONVERT)
  set(QV_ICON_PNGS)
  foreach(size 16 24 32 48 64 128 256 512)
    set(folder ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps)
    set(png ${folder}/${QV_APP_ID}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${QV_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QV_ICON_SVG}
      DEPENDS ${QV_ICON_SVG}
      VERBATIM)
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    list(APPEND QV_ICON_PNGS ${png})
  endforeach()
  add_custom_target(quorvex_icons ALL DEPENDS ${QV_ICON_PNGS})
else()
  message(STATUS "rsvg-convert not found: the icon is installed as SVG only")
endif()

set(QV_PACKAGE_MAINTAINER "QUORVEX <quorvex@localhost>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR QUORVEX)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Panel del operador en una ventana nativa")
set(CPACK_PACKAGE_DESCRIPTION
    "QUORVEX muestra el panel del operador en su propia ventana y le da lo que una pestaña del navegador no puede: el estado del terminal MetaTrader 5, las sesiones iniciadas en los brókers, un panel de chat, vídeo en directo y el calendario económico.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QV_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# dpkg-shlibdeps names every shared library the executable links (WebKitGTK
# 6.0, GTK 4, libsoup 3, GLib, the C++ runtime) at the versions its symbols
# need. Nothing links the GStreamer plugins, yet the video panes and HLS
# streams play through them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, gstreamer1.0-gl")
include(CPack)
