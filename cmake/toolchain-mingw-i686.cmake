# MinGW-w64 for i686 with the *win32* thread model: the posix model pulls in winpthreads,
# which imports functions that Windows NT 4.0 does not have.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

find_program(QL_MINGW_CXX NAMES i686-w64-mingw32-g++-win32 REQUIRED)
find_program(QL_MINGW_CC NAMES i686-w64-mingw32-gcc-win32 REQUIRED)
set(CMAKE_C_COMPILER ${QL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${QL_MINGW_CXX})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
