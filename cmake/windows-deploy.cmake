# The Windows install folder runs on a machine with nothing installed: the
# Qt libraries the programs load, the GCC runtime the Qt libraries import,
# the plugins (the platform, the style, the image formats: GIF for the about
# picture) and the licence texts Qt's LGPL asks for, all beside the programs.
# Taken from the Qt kit the build was configured with.
get_target_property(tess_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELWITHDEBINFO)
if(NOT tess_qtcore_dll)
  get_target_property(tess_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
endif()
if(NOT tess_qtcore_dll)
  get_target_property(tess_qtcore_dll Qt6::Core LOCATION)
endif()
get_filename_component(tess_qt_bin ${tess_qtcore_dll} DIRECTORY)
get_filename_component(tess_qt_root ${tess_qt_bin} DIRECTORY)

install(FILES
  ${tess_qt_bin}/Qt6Core.dll ${tess_qt_bin}/Qt6Gui.dll ${tess_qt_bin}/Qt6Widgets.dll
  ${tess_qt_bin}/Qt6Network.dll
  DESTINATION ${CMAKE_INSTALL_BINDIR})
# (The kit's own; a Qt from elsewhere may bring other files.)
install(FILES ${tess_qt_bin}/libgcc_s_seh-1.dll ${tess_qt_bin}/libwinpthread-1.dll
        DESTINATION ${CMAKE_INSTALL_BINDIR} OPTIONAL)
install(FILES ${tess_qt_root}/plugins/platforms/qwindows.dll
        DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES ${tess_qt_root}/plugins/styles/qwindowsvistastyle.dll
        DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
install(FILES ${tess_qt_root}/plugins/imageformats/qgif.dll
              ${tess_qt_root}/plugins/imageformats/qico.dll
        DESTINATION ${CMAKE_INSTALL_BINDIR}/imageformats)
install(FILES ${tess_qt_root}/LGPL-3.0-only.txt ${tess_qt_root}/GPL-3.0-only.txt
        DESTINATION ${CMAKE_INSTALL_BINDIR}/licences OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/QT-SOURCE.txt
        DESTINATION ${CMAKE_INSTALL_BINDIR}/licences)
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/README.txt.in
               ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION ${CMAKE_INSTALL_BINDIR})

# The folder as one ZIP (scripts/package-windows): Tessaline-0003-<version>-win64.zip
# with the folder of the same name inside.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "Tessaline-0003")
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "Tessaline-0003-${PROJECT_VERSION}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
