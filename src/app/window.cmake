# The main window (library tess_app) and the program `tessaline`.
# Included from src/app/CMakeLists.txt when Qt is available.

add_library(tess_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ButtonBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ButtonPictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameThrottle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MessageBoxes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PaceHint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlacementStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlaybackTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PositionPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RemoteCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StopKeyBinding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScenarioList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScenarioModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ButtonBar.h
  ${CMAKE_CURRENT_LIST_DIR}/MainActions.h
  ${CMAKE_CURRENT_LIST_DIR}/MainWindow.h
  ${CMAKE_CURRENT_LIST_DIR}/PlaybackTimer.h
  ${CMAKE_CURRENT_LIST_DIR}/RemoteCommands.h
  ${CMAKE_CURRENT_LIST_DIR}/StopKeyBinding.h
  ${CMAKE_CURRENT_LIST_DIR}/RecordCommand.h
  ${CMAKE_CURRENT_LIST_DIR}/ScenarioList.h
  ${CMAKE_CURRENT_LIST_DIR}/ScenarioModel.h
)
# The playback timer's wake-up: a timerfd where there is one.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(tess_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DeadlineAlarmTimerFd.cpp)
else()
  target_sources(tess_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DeadlineAlarmQt.cpp)
endif()
# What only one system has: the end of the session, the file opens and
# dialogs, the commands' socket.
if(WIN32)
  target_sources(tess_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CommandEndpointWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EndOfSessionWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileAccessWin.cpp)
  target_link_libraries(tess_app PRIVATE advapi32)
else()
  target_sources(tess_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CommandEndpointPosix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EndOfSessionPosix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileAccessPosix.cpp)
endif()
set_target_properties(tess_app PROPERTIES AUTOMOC ON)
target_include_directories(tess_app PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tess_app PUBLIC Qt6::Widgets Qt6::Network tess_playback tess_record tess_script tess_settings)

add_executable(tessaline ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(tessaline PRIVATE tess_app tess_editor tess_about tess_desktop tess_recorder
                      tess_command_info)
set_target_properties(tessaline PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

install(TARGETS tessaline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Wayland sessions: XWayland preferred, GNOME's stop shortcut (GIO).
if(TARGET tess_gnome_shortcut)
  target_sources(tessaline PRIVATE ${CMAKE_CURRENT_LIST_DIR}/WaylandSession.cpp)
  target_link_libraries(tessaline PRIVATE tess_gnome_shortcut)
else()
  target_sources(tessaline PRIVATE ${CMAKE_CURRENT_LIST_DIR}/WaylandSessionNone.cpp)
endif()
if(WIN32)
  # A window program (no console), with its icon and version in the
  # resources; the install step copies the Qt libraries and plugins it needs
  # beside it.
  enable_language(RC)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/tessaline.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tessaline.rc @ONLY)
  target_sources(tessaline PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tessaline.rc)
  set_target_properties(tessaline PROPERTIES WIN32_EXECUTABLE ON)
  include(${PROJECT_SOURCE_DIR}/cmake/windows-deploy.cmake)
else()
  # The desktop entry and the icons, for Unix desktops. KWin lets a program
  # use its fake input when the program's desktop file names the interface
  # and gives the program's absolute path.
  tess_install_desktop_file(tessaline)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/tessaline.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/tessaline-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tessaline.png)
  endforeach()
endif()
