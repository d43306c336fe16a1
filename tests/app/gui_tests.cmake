# Tests of the desktop program. The widget tests run on Qt's offscreen
# platform with a settings directory of their own.
add_library(brisvander_gui_test_support STATIC GuiTestMain.cpp GuiTestSupport.cpp)
target_link_libraries(brisvander_gui_test_support PUBLIC brisvander_gui GTest::gtest)

function(brisvander_gui_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE brisvander_gui_test_support)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

brisvander_gui_test(gui_resource_tests ResourceTablesTest.cpp)
brisvander_gui_test(gui_startup_tests StartupSettingsTest.cpp)

# The command tests need the fake server and the chronyd fixture.
if(TARGET brisvander_test_support)
    brisvander_gui_test(gui_command_tests CommandTestSupport.cpp TimeCommandViewTest.cpp FrameCommandsTest.cpp)
    target_link_libraries(gui_command_tests PRIVATE brisvander_test_support)
endif()
