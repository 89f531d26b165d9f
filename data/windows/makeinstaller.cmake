# Stages the installed tree, lists its files for the installer and the uninstaller, runs makensis.
#   cmake -DBUILD=... -DSTAGE=... -DOUT=...exe -DSCRIPT=zorvel.nsi -DMAKENSIS=... -DVERSION=... -DICON=... -P makeinstaller.cmake
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE} --component main
    RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE} --component Unspecified
    OUTPUT_QUIET ERROR_QUIET)
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
# The uninstaller removes exactly what was installed: a history or a copy a user keeps in
# those folders stays, and so do the folders holding it.
set(install "")
set(uninstall "")
set(dirs "")
foreach(f IN LISTS files)
    string(REPLACE "/" "\\" w "${f}")
    get_filename_component(d "${f}" DIRECTORY)
    string(REPLACE "/" "\\" wd "${d}")
    string(APPEND install "  SetOutPath \"$INSTDIR\\${wd}\"\n  File \"${STAGE}/${f}\"\n")
    string(APPEND uninstall "  Delete \"$INSTDIR\\${w}\"\n")
    while(d)
        list(APPEND dirs "${d}")
        get_filename_component(d "${d}" DIRECTORY)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES dirs)
list(SORT dirs ORDER DESCENDING)
foreach(d IN LISTS dirs)
    string(REPLACE "/" "\\" wd "${d}")
    string(APPEND uninstall "  RMDir \"$INSTDIR\\${wd}\"\n")
endforeach()
file(WRITE ${BUILD}/installer-files.nsh "${install}")
file(WRITE ${BUILD}/uninstaller-files.nsh "${uninstall}")
# The portable copy: the same tree in a ZIP, for a computer without the right to install. Without an
# uninstaller beside it, its valuta.mdb is the history itself, kept up to date where it is unpacked.
get_filename_component(outdir ${OUT} DIRECTORY)
set(portable ${outdir}/zorvel-portabil-${VERSION}.zip)
file(REMOVE ${portable})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${portable} --format=zip -- ${files}
    WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the portable ZIP could not be made: ${rc}")
endif()
execute_process(COMMAND ${MAKENSIS} -V2 -DVERSION=${VERSION} -DOUTFILE=${OUT} -DICON=${ICON}
                        -DFILES=${BUILD}/installer-files.nsh -DUNFILES=${BUILD}/uninstaller-files.nsh ${SCRIPT}
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "makensis failed: ${rc}")
endif()
