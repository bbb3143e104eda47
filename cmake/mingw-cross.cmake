# The part of the two MinGW toolchain files that does not depend on the architecture; they set
# CMAKE_SYSTEM_PROCESSOR and quenby_mingw_triple, then include this file.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model, so that std::thread exists.
set(CMAKE_C_COMPILER ${quenby_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quenby_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${quenby_mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${quenby_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Package configs come from the cross root and from prefixes given in CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Run cross-built programs (tests, tools) under Wine; the wrapper picks 32- or 64-bit Wine from
# the program itself.
get_filename_component(_quenby_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_quenby_root}/scripts/wine-run.sh")
