# Link opener and help launcher. The question box of the help command needs
# Qt Widgets, so it joins only the GUI build.
add_library(brisvander_links STATIC
    ${CMAKE_CURRENT_LIST_DIR}/LinkOpener.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DefaultBrowser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpLauncher.cpp)
target_include_directories(brisvander_links PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(brisvander_links PUBLIC Qt6::Core)
if(BRISVANDER_BUILD_GUI)
    target_sources(brisvander_links PRIVATE ${CMAKE_CURRENT_LIST_DIR}/HelpLauncherDesktop.cpp)
    target_link_libraries(brisvander_links PUBLIC Qt6::Widgets)
endif()
