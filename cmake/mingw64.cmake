# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread model,
# which the Qt of the toolchain folder was built with). ZORVEL_WIN_PREFIX names the
# folders of more Windows libraries (Qt, SQLite, GoogleTest), looked in besides MinGW's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(ZORVEL_WIN_PREFIX "$ENV{ZORVEL_WIN_PREFIX}" CACHE STRING "Folders of Windows libraries beside MinGW's, separated by ;")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${ZORVEL_WIN_PREFIX})
# Programs run on this machine (moc, the shell's tools); libraries, headers and packages are Windows ones.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
