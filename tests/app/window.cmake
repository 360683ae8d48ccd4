# Window tests: the real main window on the offscreen platform, with a
# recording sink and a temporary config directory.
add_library(tess_window_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WindowTestSupport.cpp)
target_link_libraries(tess_window_test_support PUBLIC tess_app tess_platform Qt6::Test)
target_include_directories(tess_window_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})

tess_add_test(tess_window_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlacementTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileCommandsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackTimerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FaultTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecordCommandTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteCommandsTest.cpp
  LIBS tess_window_test_support
  ENV QT_QPA_PLATFORM=offscreen)
target_compile_definitions(tess_window_test PRIVATE TESSALINE_PROGRAM="$<TARGET_FILE:tessaline>")
add_dependencies(tess_window_test tessaline)

tess_add_test(tess_window_start_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoDisplayTest.cpp)
target_compile_definitions(tess_window_start_test PRIVATE
  TESSALINE_PROGRAM="$<TARGET_FILE:tessaline>")
add_dependencies(tess_window_start_test tessaline)
