# The windows and the program; included from this folder's CMakeLists.txt when the GUI
# is built.
include(GNUInstallDirs)

set(QUORVANE_HOME_PAGE "https://www.halvorsk.invalid/quorvane/" CACHE STRING
    "The maker's home page, opened now and then at start-up")

# The main window, its look and start-up: everything the tests drive without the real
# platform services.
add_library(quorvane_shell STATIC
    Main.cpp Main.h
    ProgramArguments.cpp ProgramArguments.h
    Form1.cpp Form1.h
    Form1Dialogue.cpp Form1Dialogue.h
    WindowErrorReporter.cpp WindowErrorReporter.h
    appearance/Appearance.cpp appearance/Appearance.h
    appearance/SkinFramework.cpp appearance/SkinFramework.h
    appearance/WindowMetrics.h
    services/UiServices.h)
target_include_directories(quorvane_shell PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quorvane_shell PUBLIC Qt6::Widgets quorvane_db quorvane_settings quorvane_report)
# The program looks for its data files beside itself, then in the installed data folder,
# which it finds from its own folder by this relative path.
file(RELATIVE_PATH QUORVANE_DATA_FROM_PROGRAM /root/${CMAKE_INSTALL_BINDIR} /root/${CMAKE_INSTALL_DATADIR}/quorvane)
target_compile_definitions(quorvane_shell PRIVATE QUORVANE_HOME_PAGE="${QUORVANE_HOME_PAGE}"
    QUORVANE_DATA_FROM_PROGRAM="${QUORVANE_DATA_FROM_PROGRAM}" QUORVANE_VERSION="${PROJECT_VERSION}")

set(QUORVANE_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/resources)
set(QUORVANE_PROGRAM_DIR ${CMAKE_BINARY_DIR}/bin)

if(NOT TARGET quorvane_export_widgets)
    return()
endif()

# Both windows together with the real platform services.
add_library(quorvane_program STATIC
    Program.cpp Program.h
    services/QtServices.cpp services/QtServices.h)
target_link_libraries(quorvane_program PUBLIC quorvane_shell quorvane_export_widgets)
qt_add_resources(quorvane_program quorvane_icon PREFIX /quorvane BASE resources FILES resources/quorvane.png)

qt_add_executable(quorvane WIN32 main.cpp)
target_link_libraries(quorvane PRIVATE quorvane_program)
# In the build tree the data files lie beside the program: Samples/sample.mdb (written by
# the build), x/o.cjs and HAND-M.CUR.
set_target_properties(quorvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUORVANE_PROGRAM_DIR})
configure_file(${QUORVANE_RESOURCES}/x/o.cjs ${QUORVANE_PROGRAM_DIR}/x/o.cjs COPYONLY)
configure_file(${QUORVANE_RESOURCES}/HAND-M.CUR ${QUORVANE_PROGRAM_DIR}/HAND-M.CUR COPYONLY)

# Installed by the file-system hierarchy: the program in bin/, its data files in
# share/quorvane/, where it looks when they are not beside it.
install(TARGETS quorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QUORVANE_RESOURCES}/x/o.cjs DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvane/x)
install(FILES ${QUORVANE_RESOURCES}/HAND-M.CUR DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvane)
install(FILES ${QUORVANE_RESOURCES}/quorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUORVANE_RESOURCES}/quorvane.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES ${QUORVANE_RESOURCES}/quorvane-128.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
        RENAME quorvane.png)
