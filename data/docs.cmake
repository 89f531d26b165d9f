# The manual page and each package's documentation, gzipped as Debian keeps them (-9n: no
# name nor time inside, so builds repeat byte for byte).
find_program(GZIP gzip REQUIRED)
set(ZORVEL_MAN ${CMAKE_CURRENT_BINARY_DIR}/zorvel.1)
add_custom_command(OUTPUT ${ZORVEL_MAN}.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:zorvel> -DOUT=${ZORVEL_MAN} -DDATE=${ZORVEL_RELEASE_DATE}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/manpage.cmake
    COMMAND ${GZIP} -9nf ${ZORVEL_MAN}
    DEPENDS zorvel ${CMAKE_CURRENT_SOURCE_DIR}/manpage.cmake
    COMMENT "zorvel.1 from zorvel --help"
    VERBATIM)
set(ZORVEL_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_command(OUTPUT ${ZORVEL_CHANGELOG}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog ${ZORVEL_CHANGELOG}
    COMMAND ${GZIP} -9nf ${ZORVEL_CHANGELOG}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog
    VERBATIM)
add_custom_target(zorvel_docs ALL DEPENDS ${ZORVEL_MAN}.gz ${ZORVEL_CHANGELOG}.gz)
install(FILES ${ZORVEL_MAN}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT main)
foreach(package_component zorvel:main zorvel-calc:calc)
    string(REPLACE ":" ";" pc ${package_component})
    list(GET pc 0 package)
    list(GET pc 1 component)
    install(FILES debian/copyright ${ZORVEL_CHANGELOG}.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
            COMPONENT ${component})
endforeach()
