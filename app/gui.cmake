# The desktop program. Its classes live in a library so that the widget
# tests can drive them.
find_package(X11)

add_library(brisvander_gui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AutostartDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BrisvanderApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BrisvanderDoc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BrisvanderView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogUnits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OutputPane.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProfileStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SocketStartup.cpp
)
target_include_directories(brisvander_gui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(brisvander_gui PUBLIC brisvander_report brisvander_resources brisvander_controls Qt6::Widgets)

# Lock-key panes read the XKB indicators where X11 is there; blank otherwise.
if(X11_FOUND AND X11_Xkb_FOUND)
    target_sources(brisvander_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/LockKeyStateX11.cpp)
    target_link_libraries(brisvander_gui PRIVATE X11::X11)
else()
    target_sources(brisvander_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/LockKeyStateNone.cpp)
endif()

add_executable(brisvander ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(brisvander PRIVATE brisvander_gui)
