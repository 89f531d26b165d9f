# What a Windows build needs beside its own executables: Qt's libraries and plugins,
# SQLite and the compiler's runtime, copied beside the programs in the build tree (so the
# suites run under Wine as they are) and installed with the program.
set(ZORVEL_WIN_RUNTIME "" CACHE PATH "The Windows Qt's folder: qt6/ and bin/sqlite3.dll")
if(NOT ZORVEL_WIN_RUNTIME)
    get_filename_component(ZORVEL_WIN_RUNTIME "${Qt6_DIR}/../../../.." ABSOLUTE)
endif()
set(qt_bin ${ZORVEL_WIN_RUNTIME}/qt6/bin)
set(qt_plugins ${ZORVEL_WIN_RUNTIME}/qt6/plugins)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
    OUTPUT_VARIABLE gcc_stdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
    OUTPUT_VARIABLE gcc_seh OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(winpthread_dll libwinpthread-1.dll PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH)
# libzip and zlib, built from source into one of the prefixes (scripts/windows.sh).
set(zip_bins)
foreach(p IN LISTS ZORVEL_WIN_PREFIX)
    list(APPEND zip_bins ${p}/bin)
endforeach()
find_file(zip_dll libzip.dll PATHS ${zip_bins} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(zlib_dll libzlib.dll PATHS ${zip_bins} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
# The Access reader's library, where it was built (scripts/windows.sh): the import needs it.
find_file(mdb_dll libmdb-3.dll PATHS ${zip_bins} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(mdb_runtime)
if(mdb_dll)
    set(mdb_runtime ${mdb_dll})
endif()
set(ZORVEL_WIN_DLLS
    ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll ${qt_bin}/Qt6Network.dll
    ${qt_bin}/Qt6Sql.dll ${qt_bin}/Qt6Svg.dll ${qt_bin}/Qt6Charts.dll ${qt_bin}/Qt6OpenGL.dll
    ${qt_bin}/Qt6OpenGLWidgets.dll ${ZORVEL_WIN_RUNTIME}/bin/sqlite3.dll ${zip_dll} ${zlib_dll} ${mdb_runtime} ${gcc_stdcxx} ${gcc_seh} ${winpthread_dll})
# The suites also link Qt's test library; the installer leaves it out.
set(ZORVEL_WIN_TEST_DLLS ${qt_bin}/Qt6Test.dll)
set(ZORVEL_WIN_PLUGINS platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll
    imageformats/qsvg.dll iconengines/qsvgicon.dll styles/qwindowsvistastyle.dll tls/qschannelbackend.dll)

set(copies)
foreach(dll IN LISTS ZORVEL_WIN_DLLS ZORVEL_WIN_TEST_DLLS)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${ZORVEL_OUT_DIR}/)
endforeach()
foreach(plugin IN LISTS ZORVEL_WIN_PLUGINS)
    get_filename_component(folder ${plugin} DIRECTORY)
    if(EXISTS ${qt_plugins}/${plugin})
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${ZORVEL_OUT_DIR}/${folder}
             COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt_plugins}/${plugin} ${ZORVEL_OUT_DIR}/${folder}/)
        install(FILES ${qt_plugins}/${plugin} DESTINATION ${CMAKE_INSTALL_BINDIR}/${folder})
    endif()
endforeach()
add_custom_target(zorvel_win_runtime ALL ${copies} COMMENT "Qt and the runtime beside the programs" VERBATIM)
install(FILES ${ZORVEL_WIN_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
