# build-win/zorvel-setup-<version>.exe, the Windows installer: what `cmake --install` puts
# in a staging folder, packed by NSIS with a Start-menu entry and an uninstaller.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
    message(STATUS "makensis not found: no Windows installer")
    return()
endif()
set(ZORVEL_SETUP ${CMAKE_BINARY_DIR}/zorvel-setup-${PROJECT_VERSION}.exe)
add_custom_target(zorvel_installer
    COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DSTAGE=${CMAKE_BINARY_DIR}/stage -DOUT=${ZORVEL_SETUP}
            -DSCRIPT=${CMAKE_CURRENT_SOURCE_DIR}/windows/zorvel.nsi -DMAKENSIS=${MAKENSIS}
            -DVERSION=${PROJECT_VERSION} -DICON=${CMAKE_BINARY_DIR}/app/zorvel.ico
            -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/makeinstaller.cmake
    COMMENT "zorvel-setup-${PROJECT_VERSION}.exe"
    VERBATIM)
add_dependencies(zorvel_installer zorvel zorvel_data)
