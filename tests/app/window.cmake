# Window tests: the real main window on the offscreen platform, with a
# recording sink and a temporary config directory.
add_library(tess_window_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WindowTestSupport.cpp)
target_link_libraries(tess_window_test_support PUBLIC tess_app tess_platform Qt6::Test)
target_include_directories(tess_window_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})

# The window's tests that hold on every system, and those of one system's
# parts (signals, file limits, the settings file and Unix sockets; Windows' own files).
set(tess_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlaybackTimerTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordCommandTest.cpp)
if(WIN32)
  list(APPEND tess_window_tests ${CMAKE_CURRENT_LIST_DIR}/win/WindowsPartsTest.cpp)
else()
  target_sources(tess_window_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FileSizeLimit.cpp)
  list(APPEND tess_window_tests
    ${CMAKE_CURRENT_LIST_DIR}/FileCommandsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlacementTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FaultTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteCommandsTest.cpp)
endif()
tess_add_test(tess_window_test
  SOURCES ${tess_window_tests}
  LIBS tess_window_test_support tess_editor tess_about
  ENV QT_QPA_PLATFORM=offscreen)
target_compile_definitions(tess_window_test PRIVATE TESSALINE_PROGRAM="$<TARGET_FILE:tessaline>")
add_dependencies(tess_window_test tessaline)

if(NOT WIN32)
  tess_add_test(tess_window_start_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoDisplayTest.cpp ${CMAKE_CURRENT_LIST_DIR}/StopShortcutTest.cpp)
  target_compile_definitions(tess_window_start_test PRIVATE
    TESSALINE_PROGRAM="$<TARGET_FILE:tessaline>")
  add_dependencies(tess_window_start_test tessaline)
endif()

# The windows under a real window manager (Xvfb and openbox).
get_property(desktop_is_x11 GLOBAL PROPERTY TESS_DESKTOP_IS_X11)
if(desktop_is_x11)
  tess_add_test(tess_frame_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FrameTest.cpp
            ${PROJECT_SOURCE_DIR}/tests/platform/x11/XTestServer.cpp
    LIBS tess_desktop tess_script)
  target_include_directories(tess_frame_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/x11)
  target_compile_definitions(tess_frame_test PRIVATE TESSALINE_PROGRAM="$<TARGET_FILE:tessaline>")
  add_dependencies(tess_frame_test tessaline)
  tess_add_test(tess_managed_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ManagedWindowTest.cpp
            ${PROJECT_SOURCE_DIR}/tests/platform/x11/XTestServer.cpp
    LIBS tess_app tess_editor tess_about tess_platform tess_desktop Qt6::Test)
  target_include_directories(tess_managed_window_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/x11)
  target_compile_definitions(tess_managed_window_test PRIVATE
    TESSALINE_PROGRAM="$<TARGET_FILE:tessaline>")
  add_dependencies(tess_managed_window_test tessaline)
endif()
