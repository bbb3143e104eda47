# stb_image is header only; Debian ships it in /usr/include/stb, outside the cross root.
find_path(Stb_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Stb REQUIRED_VARS Stb_INCLUDE_DIR)
# An imported target's include folder is a system one: stb's own warnings are not reported.
if(Stb_FOUND AND NOT TARGET Stb::Stb)
  add_library(Stb::Stb INTERFACE IMPORTED)
  set_target_properties(Stb::Stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${Stb_INCLUDE_DIR}")
endif()
