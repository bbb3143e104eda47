# Cross build for 32-bit Windows with mingw-w64: the program that ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(quenby_mingw_triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
