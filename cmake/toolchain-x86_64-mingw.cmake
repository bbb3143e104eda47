# Cross build for 64-bit Windows with mingw-w64: the same program, for machines that run only
# 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(quenby_mingw_triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
